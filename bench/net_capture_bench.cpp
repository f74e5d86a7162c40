// Throughput and peak memory of CaptureFile receiving a stream from a
// loopback peer. Usage: net_capture_bench [MiB, default 1024] [file]
#include "net/powersock.h"
#include "tests/support/scripted_peer.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const QString file = argc > 2 ? QString::fromLocal8Bit(argv[2])
                                  : QDir::tempPath() + "/serifetch-net-capture-bench.bin";
    const qint64 size = mib << 20;
    testsupport::ScriptedPeer peer(testsupport::PeerScript().sendPattern(size).close());
    TPowersock session;
    session.Host = QStringLiteral("127.0.0.1");
    session.Port = peer.port();
    session.Connect();
    qint64 packets = 0;
    session.OnPacketRecvd = [&](QObject*) { ++packets; };

    QElapsedTimer wall;
    wall.start();
    session.CaptureFile(file);
    const double seconds = double(wall.nsecsElapsed()) / 1e9;
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    std::printf("capture: %lld bytes in %.3f s = %.0f MB/s, %lld packets, peak RSS %ld KiB "
                "(peer in the same process)\n",
                static_cast<long long>(session.ReceivedBytes), seconds,
                double(session.ReceivedBytes) / 1e6 / seconds, static_cast<long long>(packets),
                u.ru_maxrss);
    QFile::remove(file);
    return session.ReceivedBytes == size ? 0 : 1;
}
