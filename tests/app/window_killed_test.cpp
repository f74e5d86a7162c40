// The window killed (SIGKILL) in the middle of a file: the marks of the run
// are on disk a second after each job at the latest, and no part of the file
// is at the job's path.
#include "app/status_mark.h"
#include "settings/job_list_file.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(WindowKilled, MidFileLeavesTheRunsMarksAndNothingAtTheJobsPath) {
    QTemporaryDir www, home, out;
    for (int n = 1; n <= 5; ++n)
        ASSERT_TRUE(testenv::writeFile(www.filePath(QStringLiteral("f%1.bin").arg(n)),
                                       QByteArray(3000, char('a' + n))));
    ASSERT_TRUE(QDir(www.path()).mkdir("slow"));
    ASSERT_TRUE(testenv::writeFile(www.filePath("slow/big.bin"), QByteArray(4 << 20, 'b')));
    NginxFixture nginx(www.path(), "location /slow/ { limit_rate 64k; }");
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();

    std::vector<Job> jobs;
    for (int n = 1; n <= 5; ++n)
        jobs.push_back({QString(), nginx.baseUrl() + QStringLiteral("f%1.bin").arg(n),
                        out.filePath(QStringLiteral("f%1.bin").arg(n))});
    jobs.push_back({QString(), nginx.baseUrl() + "slow/big.bin", out.filePath("big.bin")});
    const QString list = home.filePath("SeriData.txt");
    ASSERT_EQ(JobListFile::save(list, jobs), "");

    QProcess window;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SERIFETCH_HOME", home.path());
    window.setProcessEnvironment(env);
    window.start(QStringLiteral(WINDOW_RUN_CHILD_PATH), {});
    ASSERT_TRUE(window.waitForStarted());
    const auto doneOnDisk = [&] {
        const JobList saved = JobListFile::load(list).jobs;
        return saved.size() == 6 &&
               std::all_of(saved.begin(), saved.begin() + 5,
                           [](const Job& job) { return job.status == StatusMark::Done; });
    };
    // The five small jobs are saved while the big one is still coming.
    ASSERT_TRUE(testenv::waitUntil(doneOnDisk, 20000)) << window.readAllStandardError().constData();
    ASSERT_TRUE(testenv::waitUntil(
        [&] { return QFileInfo(out.filePath("big.bin.part")).size() > 0; }, 20000));
    window.kill();
    window.waitForFinished();

    EXPECT_FALSE(QFileInfo::exists(out.filePath("big.bin")));
    const JobList saved = JobListFile::load(list).jobs;
    ASSERT_EQ(saved.size(), 6u);
    EXPECT_TRUE(StatusMark::IsFetched(saved[5].status)) << "the next run fetches it again";
    for (int n = 1; n <= 5; ++n)
        EXPECT_EQ(testenv::readFile(out.filePath(QStringLiteral("f%1.bin").arg(n))),
                  QByteArray(3000, char('a' + n)));
}

} // namespace
