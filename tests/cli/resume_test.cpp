// A cut file resumed against real nginx, which serves ranges, ETags and
// If-Range by itself: killed part way, the next try asks for the rest and
// ends byte for byte; a changed file, a server that ignores ranges and a
// part already whole each end right too.
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

constexpr qint64 kSize = 6 << 20;

QByteArray Content(quint32 seed) {
    QByteArray bytes(kSize, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return bytes;
}

// nginx's log line of a request: its status and the body bytes it sent.
struct Logged {
    int status = 0;
    qint64 bytes = 0;
};

class Resume : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(www.isValid() && out.isValid() && home.isValid());
        ASSERT_TRUE(QDir(www.path()).mkdir("slow") && QDir(www.path()).mkdir("noranges"));
        // Slow enough to be cut part way, fast enough for a test.
        nginx = std::make_unique<NginxFixture>(
            www.path(), "location /slow/ { limit_rate 3m; }\n"
                        "location /noranges/ { limit_rate 3m; max_ranges 0; }");
        QString error;
        ASSERT_TRUE(nginx->start(&error)) << error.toStdString();
    }

    // Starts `get`, and kills it (SIGKILL: nothing of it runs on) once its
    // part holds at least `atLeast` bytes.
    void CutGet(const QString& url, qint64 atLeast) {
        CliProcess get(home.path());
        get.start({"get", url, "-o", target()});
        ASSERT_TRUE(testenv::waitUntil(
            [&] { return QFileInfo(target() + ".part").size() >= atLeast; }, 20000));
        get.signal(SIGKILL);
        get.finish(10000);
        ASSERT_FALSE(QFile::exists(target()));
        ASSERT_TRUE(QFile::exists(target() + ".part.resume"));
    }
    CliProcess::Result Get(const QString& url) {
        return CliProcess(home.path()).run({"get", url, "-o", target()}, 60000);
    }
    QString target() const { return out.filePath("big.bin"); }
    Logged LastLogged() const {
        const QList<QByteArray> lines =
            testenv::readFile(nginx->dir() + "/access.log").trimmed().split('\n');
        // ... "GET /x HTTP/1.0" 206 3670016 "-" "..."
        const QList<QByteArray> after = lines.last().split('"')[2].trimmed().split(' ');
        return {after.value(0).toInt(), after.value(1).toLongLong()};
    }

    QTemporaryDir www, out, home;
    std::unique_ptr<NginxFixture> nginx;
};

} // namespace

TEST_F(Resume, ACutFileAsksForTheRestAndEndsByteForByte) {
    const QByteArray bytes = Content(1);
    ASSERT_TRUE(testenv::writeFile(www.filePath("slow/big.bin"), bytes));
    CutGet(nginx->baseUrl() + "slow/big.bin", kSize * 2 / 5);
    const qint64 had = QFileInfo(target() + ".part").size();

    const auto run = Get(nginx->baseUrl() + "slow/big.bin");
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "HTTP/1.1 206 Partial Content\n");
    const Logged logged = LastLogged();
    EXPECT_EQ(logged.status, 206);
    EXPECT_EQ(logged.bytes, kSize - had) << "only the rest went over the wire";
    EXPECT_TRUE(testenv::readFile(target()) == bytes);
    EXPECT_FALSE(QFile::exists(target() + ".part"));
    EXPECT_FALSE(QFile::exists(target() + ".part.resume"));
}

// Each way the part turns out of no use, or whole already, ends with the
// server's file as it is now.
TEST_F(Resume, AChangedFileARangeIgnoredAndAWholePartEndRight) {
    const struct {
        const char* name;
        const char* folder;
        bool replaced;  ///< the server's file changes between the two runs
        bool wholePart; ///< the part is made whole before the second run
        int status;     ///< nginx's answer to the second run
    } cases[] = {
        {"TheFileChangedOnTheServer", "slow", true, false, 200},
        {"TheServerIgnoresRanges", "noranges", false, false, 200},
        {"ThePartIsWholeAlready", "slow", false, true, 416},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString served = www.filePath(QStringLiteral("%1/big.bin").arg(c.folder));
        const QString url = nginx->baseUrl() + c.folder + "/big.bin";
        const QByteArray before = Content(2);
        ASSERT_TRUE(testenv::writeFile(served, before));
        CutGet(url, kSize / 3);
        QByteArray now = before;
        if (c.replaced) {
            // Another file of the same length: only its ETag (time and
            // length) tells them apart.
            now = Content(3);
            ASSERT_TRUE(testenv::writeFile(served, now));
            QFile file(served);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                         QFileDevice::FileModificationTime));
        }
        if (c.wholePart) {
            ASSERT_TRUE(testenv::writeFile(target() + ".part", before));
        }

        const auto run = Get(url);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(LastLogged().status, c.status);
        EXPECT_TRUE(testenv::readFile(target()) == now);
        EXPECT_FALSE(QFile::exists(target() + ".part"));
        EXPECT_FALSE(QFile::exists(target() + ".part.resume"));
        QFile::remove(target());
    }
}

// A run killed part way through a job: the next go resumes that job's part
// and marks it done only with the whole file in place.
TEST_F(Resume, ALaterGoResumesTheJobAKilledRunCut) {
    const QByteArray bytes = Content(4);
    ASSERT_TRUE(testenv::writeFile(www.filePath("slow/big.bin"), bytes));
    const QString url = nginx->baseUrl() + "slow/big.bin";
    {
        CliProcess fetch(home.path());
        fetch.start({"fetch", url, "-d", out.path(), "--interval=0", "-q"});
        ASSERT_TRUE(testenv::waitUntil(
            [&] { return QFileInfo(target() + ".part").size() >= kSize / 2; }, 20000));
        fetch.signal(SIGKILL);
        fetch.finish(10000);
    }
    const auto run = CliProcess(home.path()).run({"go", "--interval=0"}, 60000);
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(LastLogged().status, 206);
    EXPECT_TRUE(testenv::readFile(target()) == bytes);
    const auto shown = CliProcess(home.path()).run({"show"});
    EXPECT_TRUE(shown.out.startsWith(QStringLiteral("1\t○\t%1\t").arg(url)))
        << shown.out.toStdString();
}
