// One download run in one process: the same DownloadRun and client the
// window uses, headless, or (--window) inside the real main window, offscreen
// unless QT_QPA_PLATFORM says otherwise. Prints jobs per second and the CPU
// time the process spent over the run. Driven by run_vs_curl.sh.
//
// With --resume every job is already done, its file saved: the run only
// passes over them (no request goes out), as a resumed finished list does.
//
//   run_bench URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR TICK_MS [--window] [--resume]
//   e.g. http://127.0.0.1:8080/f 1000 4 .bin /tmp/out 0
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/series.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QToolButton>
#include <cstdio>
#include <memory>
#include <sys/resource.h>

namespace {

double cpuSeconds(const rusage& usage) {
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    bool inWindow = false;
    bool resume = false;
    for (int i = 1; i < argc; ++i) {
        inWindow = inWindow || QByteArray(argv[i]) == "--window";
        resume = resume || QByteArray(argv[i]) == "--resume";
    }
    if (inWindow && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Headless needs no display and gets no widget machinery.
    std::unique_ptr<QCoreApplication> app;
    if (inWindow)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QStringList args = QCoreApplication::arguments();
    args.removeAll(QStringLiteral("--window"));
    args.removeAll(QStringLiteral("--resume"));
    if (args.size() != 7) {
        std::fprintf(
            stderr,
            "usage: %s URL_HEAD COUNT DIGITS URL_TAIL OUT_DIR TICK_MS [--window] [--resume]\n",
            argv[0]);
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

    // Either the window with its own grid, client and run, or the three alone.
    std::unique_ptr<TForm1> form;
    std::unique_ptr<JobGrid> ownGrid;
    std::unique_ptr<TNMHTTP> http;
    std::unique_ptr<HttpDownloadClient> client;
    std::unique_ptr<DownloadRun> ownRun;
    if (inWindow) {
        form = std::make_unique<TForm1>();
        form->SetMessageSink([](TForm1::MessageKind, const QString&) {});
        form->show();
    } else {
        ownGrid = std::make_unique<JobGrid>();
        http = std::make_unique<TNMHTTP>();
        http->InputFileMode = true;
        http->SetTimeOut(DownloadRun::kClientTimeOutMs);
        client = std::make_unique<HttpDownloadClient>(*http);
        ownRun = std::make_unique<DownloadRun>(*ownGrid, *client);
    }
    JobGrid& grid = form ? form->Grid() : *ownGrid;
    DownloadRun& run = form ? form->Run() : *ownRun;
    grid.Append(ExpandSeries(spec));
    if (resume) {
        for (int row = 1; row < grid.NextRow(); ++row) {
            QFile file(grid.Path(row));
            if (!file.open(QIODevice::WriteOnly) || file.write("saved before") < 0) {
                std::fprintf(stderr, "cannot write %s\n", qPrintable(grid.Path(row)));
                return 2;
            }
            grid.SetStatus(row, QStringLiteral("○"));
        }
    }
    run.SetTickInterval(tickMs);
    QObject::connect(&run, &DownloadRun::runFinished, app.get(), &QCoreApplication::quit);

    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QElapsedTimer timer;
    timer.start();
    if (form)
        form->GoButton->click();
    else
        run.GoButtonClick();
    app->exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    rusage after{};
    getrusage(RUSAGE_SELF, &after);

    int done = 0;
    for (int row = 1; row < grid.NextRow(); ++row)
        done += grid.Status(row) == QStringLiteral("○") ? 1 : 0;
    const double cpu = cpuSeconds(after) - cpuSeconds(before);
    std::printf("%s%s jobs %d done %d tick_ms %d seconds %.3f jobs_per_s %.1f cpu_s %.3f "
                "cpu_share %.1f%%\n",
                inWindow ? "window" : "headless", resume ? " resume" : "", grid.JobCount(), done,
                tickMs, seconds, grid.JobCount() / seconds, cpu, 100.0 * cpu / seconds);
    return done == grid.JobCount() ? 0 : 1;
}
