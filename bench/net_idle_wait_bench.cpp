// CPU time spent by a socket session that waits on a peer that says nothing.
// Usage: net_idle_wait_bench [milliseconds, default 10000]
#include "net/powersock.h"
#include "tests/support/scripted_peer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {
double cpuSeconds() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int waitMs = argc > 1 ? std::atoi(argv[1]) : 10000;
    testsupport::ScriptedPeer peer(testsupport::PeerScript().silent());
    TPowersock session;
    session.Host = QStringLiteral("127.0.0.1");
    session.Port = peer.port();
    session.Connect();
    session.SetTimeOut(waitMs);

    QElapsedTimer wall;
    wall.start();
    const double before = cpuSeconds();
    try {
        session.ReadLn();
    } catch (const EAbortError&) {
        // the time-out ends the wait, as intended
    }
    const double cpu = cpuSeconds() - before;
    std::printf("idle wait: %.3f s wall, %.4f s CPU (user+sys, whole process)\n",
                double(wall.elapsed()) / 1000.0, cpu);
    return 0;
}
