// One download run in one process, headless: the same DownloadRun and client
// the window uses. Prints jobs per second and the CPU time the process spent.
// Driven by run_vs_curl.sh.
//
//   run_bench URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR TICK_MS
//   e.g. http://127.0.0.1:8080/f 1000 4 .bin /tmp/out 0
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/series.h"
#include "http/nmhttp.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <sys/resource.h>

namespace {

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 7) {
        std::fprintf(stderr, "usage: %s URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR TICK_MS\n", argv[0]);
        return 2;
    }
    // URL_HEAD is the base URL and the file-name head in one: split it at
    // the last '/'.
    const QString urlHead = args[1];
    const qsizetype slash = urlHead.lastIndexOf('/');
    SeriesSpec spec;
    spec.baseUrl = urlHead.left(slash + 1);
    spec.head = urlHead.mid(slash + 1);
    spec.start = 1;
    spec.end = args[2].toInt();
    spec.digits = args[3].toInt();
    spec.tail = args[4];
    spec.saveDir = args[5] + "/";
    const int tickMs = args[6].toInt();

    JobGrid grid;
    grid.Append(ExpandSeries(spec));
    TNMHTTP http;
    http.InputFileMode = true;
    http.SetTimeOut(DownloadRun::kClientTimeOutMs);
    HttpDownloadClient client(http);
    DownloadRun run(grid, client);
    run.SetTickInterval(tickMs);
    QObject::connect(&run, &DownloadRun::runFinished, &app, &QCoreApplication::quit);

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    run.GoButtonClick();
    app.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);

    int done = 0;
    for (int row = 1; row < grid.NextRow(); ++row)
        done += grid.Status(row) == QStringLiteral("○") ? 1 : 0;
    const double cpu = cpuSeconds(after) - cpuSeconds(before);
    std::printf("jobs %d done %d tick_ms %d seconds %.3f jobs_per_s %.1f cpu_s %.3f "
                "cpu_share %.1f%%\n",
                grid.JobCount(), done, tickMs, seconds, grid.JobCount() / seconds, cpu,
                100.0 * cpu / seconds);
    return done == grid.JobCount() ? 0 : 1;
}
