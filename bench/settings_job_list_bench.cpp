// Times the job list file with 100,000 jobs: a save into a new file, a save
// over the file of the same list, and a load. Prints the best of a few runs of
// each and the file's size; the aim is under 0.5 s for each.
#include "settings/job_list_file.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

constexpr int kRuns = 5;

double bestSeconds(const std::function<void()>& before, const std::function<void()>& run) {
    double best = 1e9;
    for (int i = 0; i < kRuns; ++i) {
        before();
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The count can be given, to look at the scaling.
    const int kJobs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath("SeriData.txt");

    std::vector<Job> jobs;
    jobs.reserve(kJobs);
    const char* marks[] = {"", "○", "×", "▼"};
    for (int i = 1; i <= kJobs; ++i)
        jobs.push_back(
            {QString::fromUtf8(marks[i % 4]),
             QStringLiteral("http://serifetch.example/series/hampic%1.jpg")
                 .arg(i, 6, 10, QChar('0')),
             QStringLiteral("/home/user/Downloads/hampic%1.jpg").arg(i, 6, 10, QChar('0'))});

    bool ok = true;
    const double saveNew = bestSeconds([&] { QFile::remove(path); },
                                       [&] { ok &= JobListFile::save(path, jobs).isEmpty(); });
    const double saveOver =
        bestSeconds([] {}, [&] { ok &= JobListFile::save(path, jobs).isEmpty(); });
    std::size_t loaded = 0;
    const double load = bestSeconds([] {}, [&] { loaded = JobListFile::load(path).jobs.size(); });

    std::printf("job list file, %d jobs (best of %d runs each; aim at 100,000: under 0.5 s)\n",
                kJobs, kRuns);
    std::printf("  save, new file       %8.3f s\n", saveNew);
    std::printf("  save over same list  %8.3f s\n", saveOver);
    std::printf("  load                 %8.3f s  (%zu jobs read)\n", load, loaded);
    std::printf("  file size            %8.1f MB  (%lld bytes)\n", QFileInfo(path).size() / 1e6,
                static_cast<long long>(QFileInfo(path).size()));
    if (!ok || loaded != jobs.size()) {
        std::printf("  a save failed or the load read back the wrong count\n");
        return 1;
    }
    return 0;
}
