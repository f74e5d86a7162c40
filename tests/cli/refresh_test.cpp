// refresh against real nginx, which answers If-None-Match and
// If-Modified-Since with a 304 by itself: unchanged files are asked about
// and left alone, a changed one is replaced, a deleted one fetched again,
// and a job saved without validators is asked by its file's time.
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

constexpr int kFiles = 20;

QString Name(int n) {
    return QStringLiteral("f%1.bin").arg(n, 2, 10, QChar('0'));
}

QByteArray Content(int n, int version) {
    return QStringLiteral("file %1, version %2\n").arg(n).arg(version).toUtf8().repeated(50);
}

bool SetTime(const QString& path, const QDateTime& time) {
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(time, QFileDevice::FileModificationTime);
}

class Refresh : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(www.isValid() && out.isValid() && home.isValid());
        for (int n = 1; n <= kFiles; ++n)
            ASSERT_TRUE(testenv::writeFile(www.filePath(Name(n)), Content(n, 1)));
        nginx = std::make_unique<NginxFixture>(www.path());
        QString error;
        ASSERT_TRUE(nginx->start(&error)) << error.toStdString();
    }

    // The statuses nginx logged since the last call, and how many of each.
    std::map<int, int> NewStatuses() {
        const QList<QByteArray> lines =
            testenv::readFile(nginx->dir() + "/access.log").trimmed().split('\n');
        std::map<int, int> counts;
        for (qsizetype i = logged_; i < lines.size(); ++i)
            if (!lines[i].isEmpty())
                ++counts[lines[i].split('"').value(2).trimmed().split(' ').value(0).toInt()];
        logged_ = lines.size();
        return counts;
    }
    QString Saved(int n) const { return out.filePath(Name(n)); }
    // Drops the validators of row `n` from the job list file, as a list an
    // older program saved would lack them.
    void ForgetValidators(int n) {
        const QString list = home.filePath("SeriData.txt");
        QList<QByteArray> lines = testenv::readFile(list).split('\n');
        const QByteArray key = "Check" + QByteArray::number(n).rightJustified(4, '0') + '=';
        lines.removeIf([&](const QByteArray& line) { return line.startsWith(key); });
        ASSERT_TRUE(testenv::writeFile(list, lines.join('\n')));
    }

    QTemporaryDir www, out, home;
    std::unique_ptr<NginxFixture> nginx;
    qsizetype logged_ = 0;
};

} // namespace

TEST_F(Refresh, AsksEachFinishedJobAndFetchesOnlyWhatChanged) {
    const QString pattern = nginx->baseUrl() + "f[01-20].bin";
    const auto fetched =
        CliProcess(home.path()).run({"fetch", pattern, "-d", out.path(), "--interval=0", "-q"});
    ASSERT_EQ(fetched.exitCode, 0) << fetched.err.toStdString();
    NewStatuses();
    const QDateTime later = QDateTime::currentDateTimeUtc().addSecs(5);

    const struct {
        const char* name;
        std::function<void()> before; ///< what changes between the two
        int changedFile;              ///< 0 for none
        int version;                  ///< of the changed file after the refresh
        std::map<int, int> statuses;  ///< nginx's answers to the refresh
        const char* summary;
        QStringList options = {};
    } steps[] = {
        {"NothingChanged",
         [] {},
         0,
         1,
         {{304, kFiles}},
         "20 checked: 0 changed, 20 unchanged, 0 failed"},
        // Each 304 is whole at once: the next request follows on its connection.
        {"NothingChangedOverOneConnection",
         [] {},
         0,
         1,
         {{304, kFiles}},
         "20 checked: 0 changed, 20 unchanged, 0 failed",
         {"--keep-alive"}},
        {"OneFileChangedOnTheServer",
         [&] {
             ASSERT_TRUE(testenv::writeFile(www.filePath(Name(5)), Content(5, 2)));
             ASSERT_TRUE(SetTime(www.filePath(Name(5)), later));
         },
         5,
         2,
         {{200, 1}, {304, kFiles - 1}},
         "20 checked: 1 changed, 19 unchanged, 0 failed"},
        {"TheUserDeletedAFile",
         [&] { ASSERT_TRUE(QFile::remove(Saved(7))); },
         7,
         1,
         {{200, 1}, {304, kFiles - 1}},
         "20 checked: 1 changed, 19 unchanged, 0 failed"},
        // Asked by its file's time: older than the server's, it is fetched.
        {"NoValidatorsAndAnOlderFile",
         [&] {
             ForgetValidators(3);
             ASSERT_TRUE(SetTime(Saved(3), QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
         },
         3,
         1,
         {{200, 1}, {304, kFiles - 1}},
         "20 checked: 1 changed, 19 unchanged, 0 failed"},
        // ... and of the server's time, it is not: nginx answers a 304 only
        // to the exact time it has ("if_modified_since exact"), so the date
        // sent is the file's own.
        {"NoValidatorsAndAFileOfTheServersTime",
         [&] {
             ForgetValidators(3);
             ASSERT_TRUE(SetTime(Saved(3), QFileInfo(www.filePath(Name(3))).lastModified()));
         },
         0,
         1,
         {{304, kFiles}},
         "20 checked: 0 changed, 20 unchanged, 0 failed"},
    };
    std::map<int, int> versions; // of the saved files
    for (int n = 1; n <= kFiles; ++n)
        versions[n] = 1;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        std::map<int, QDateTime> times;
        for (int n = 1; n <= kFiles; ++n)
            times[n] = QFileInfo(Saved(n)).lastModified();

        const auto run = CliProcess(home.path())
                             .run(QStringList{"refresh", "--interval=0"} + step.options, 60000);
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), step.summary);
        EXPECT_EQ(lines.size(), step.changedFile != 0 ? 2 : 1) << run.out.toStdString();
        if (step.changedFile != 0) {
            EXPECT_TRUE(lines.first().endsWith(Saved(step.changedFile))) << run.out.toStdString();
        }
        EXPECT_EQ(NewStatuses(), step.statuses);
        if (step.changedFile != 0)
            versions[step.changedFile] = step.version;
        for (int n = 1; n <= kFiles; ++n) {
            SCOPED_TRACE(n);
            EXPECT_TRUE(testenv::readFile(Saved(n)) == Content(n, versions[n]));
            if (n != step.changedFile) {
                EXPECT_EQ(QFileInfo(Saved(n)).lastModified(), times[n]) << "written to";
            }
        }
    }
    const auto shown = CliProcess(home.path()).run({"show"});
    EXPECT_EQ(shown.out.count(QStringLiteral("\t○\t")), kFiles) << shown.out.toStdString();
}

TEST_F(Refresh, AFailedCheckLeavesTheFileAndTheMarkAndSaysWhy) {
    const QString pattern = nginx->baseUrl() + "f[01-02].bin";
    ASSERT_EQ(CliProcess(home.path())
                  .run({"fetch", pattern, "-d", out.path(), "--interval=0", "-q"})
                  .exitCode,
              0);
    ASSERT_TRUE(QFile::remove(www.filePath(Name(2))));
    const QDateTime time = QFileInfo(Saved(2)).lastModified();

    const auto run = CliProcess(home.path()).run({"refresh", "--interval=0"}, 60000);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("404 Not Found")) << run.out.toStdString();
    EXPECT_TRUE(run.out.endsWith("2 checked: 0 changed, 1 unchanged, 1 failed\n"))
        << run.out.toStdString();
    EXPECT_TRUE(testenv::readFile(Saved(2)) == Content(2, 1));
    EXPECT_EQ(QFileInfo(Saved(2)).lastModified(), time);
    const auto shown = CliProcess(home.path()).run({"show"});
    EXPECT_EQ(shown.out.count(QStringLiteral("\t○\t")), 2) << shown.out.toStdString();
}

// A server that now answers a picture's URL with a web page (200) does not
// cost the picture: the check of the newer version refuses it.
TEST_F(Refresh, APageInsteadOfThePictureLeavesThePicture) {
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(2000, 'j');
    ASSERT_TRUE(testenv::writeFile(www.filePath("pic.jpg"), jpeg));
    ASSERT_EQ(
        CliProcess(home.path())
            .run({"fetch", nginx->baseUrl() + "pic.jpg", "-d", out.path(), "--interval=0", "-q"})
            .exitCode,
        0);
    ASSERT_TRUE(testenv::writeFile(www.filePath("pic.jpg"),
                                   "<!DOCTYPE html><html><body>Removed</body></html>"));
    ASSERT_TRUE(SetTime(www.filePath("pic.jpg"), QDateTime::currentDateTime().addSecs(60)));

    const auto run = CliProcess(home.path()).run({"refresh", "--interval=0"}, 60000);
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString() << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("HTML page instead of")) << run.out.toStdString();
    EXPECT_TRUE(testenv::readFile(out.filePath("pic.jpg")) == jpeg);
    EXPECT_FALSE(QFile::exists(out.filePath("pic.jpg.newer")));
}

TEST(RefreshArguments, ABadOptionIsAUsageError) {
    QTemporaryDir home;
    const auto run = CliProcess(home.path()).run({"refresh", "--timeout=x"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--timeout")) << run.err.toStdString();
}
