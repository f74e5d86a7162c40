// Many small GETs in one process, one client reused as the download run
// reuses it: prints the time per request. Driven by http_get_vs_curl.sh,
// which runs curl over the same URLs.
//
//   http_many_gets_bench [--keep-alive] URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR [CA_FILE]
//   e.g. http://127.0.0.1:8080/f 1000 4 .bin /tmp/out  ->  f0001.bin ... f1000.bin
// With CA_FILE, https: URLs are fetched and that CA is trusted; with
// --keep-alive, one connection serves every request.
#include "http/nmhttp.h"
#include "platform/int_to_str_l.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool keepAlive = args.size() > 1 && args[1] == QStringLiteral("--keep-alive");
    if (keepAlive)
        args.removeAt(1);
    if (args.size() != 6 && args.size() != 7) {
        std::fprintf(stderr,
                     "usage: %s [--keep-alive] URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR [CA_FILE]\n",
                     argv[0]);
        return 2;
    }
    const QString head = args[1];
    const int count = args[2].toInt();
    const int digits = args[3].toInt();
    const QString tail = args[4];
    const QString outDir = args[5];

    TNMHTTP http;
    http.InputFileMode = true;
    http.KeepAlive = keepAlive;
    if (args.size() == 7) {
        http.TLS = true;
        http.TlsCaFile = args[6];
    }
    int successes = 0;
    http.OnSuccess = [&](CmdType) { ++successes; };
    QElapsedTimer timer;
    timer.start();
    for (int i = 1; i <= count; ++i) {
        const QString url = head + IntToStrL(i, digits) + tail;
        http.Body = QFile::encodeName(outDir + "/" + url.mid(url.lastIndexOf('/') + 1));
        try {
            http.Get(url);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(url), e.what());
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    std::printf("requests %d ok %d seconds %.3f per_request_ms %.3f\n", count, successes, seconds,
                seconds * 1000 / count);
    return successes == count ? 0 : 1;
}
