// serifetch-cli go against a real nginx: the marks and files of a run, a run
// stopped by Ctrl-C and resumed, a run killed outright, and the refusals.
#include "app/status_mark.h"
#include "settings/job_list_file.h"
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 kSmall = 10240;

QByteArray served(int n) {
    return testsupport::ScriptedPeer::pattern(n * 977, kSmall);
}

class CliGo : public ::testing::Test {
protected:
    // f001 … f150 of 10 KiB, except f004 (missing: 404) and f005 (empty);
    // slow/big.bin (4 MiB) comes out at 64 KiB/s.
    static void SetUpTestSuite() {
        www = std::make_unique<QTemporaryDir>();
        for (int n = 1; n <= 150; ++n) {
            if (n != 4)
                testenv::writeFile(
                    www->filePath(QStringLiteral("f%1.bin").arg(n, 3, 10, QChar('0'))),
                    n == 5 ? QByteArray() : served(n));
        }
        for (int n = 1; n <= 3; ++n)
            testenv::writeFile(
                www->filePath(QStringLiteral("a-rather-long-name-for-a-narrow-terminal-%1.bin")
                                  .arg(n, 3, 10, QChar('0'))),
                served(n));
        // A chapter × page set, a lettered set and two variants.
        for (int ch = 1; ch <= 2; ++ch) {
            QDir(www->path()).mkdir(QStringLiteral("ch%1").arg(ch, 2, 10, QChar('0')));
            for (int p = 1; p <= 3; ++p)
                testenv::writeFile(www->filePath(QStringLiteral("ch%1/p%2.jpg")
                                                     .arg(ch, 2, 10, QChar('0'))
                                                     .arg(p, 3, 10, QChar('0'))),
                                   served(ch * 10 + p));
        }
        for (const char* name : {"plate_a", "plate_b", "plate_c", "cover_front", "cover_back"})
            testenv::writeFile(www->filePath(QStringLiteral("%1.jpg").arg(name)), served(7));
        // A gallery of 137 with a gap of one (40) and of two (90, 91).
        QDir(www->path()).mkdir("gallery");
        for (int n = 1; n <= 137; ++n) {
            if (n != 40 && n != 90 && n != 91)
                testenv::writeFile(
                    www->filePath(QStringLiteral("gallery/img_%1.jpg").arg(n, 3, 10, QChar('0'))),
                    "jpeg");
        }
        QDir(www->path()).mkdir("slow");
        testenv::writeFile(www->filePath("slow/big.bin"), QByteArray(4 << 20, 'b'));
        nginx = std::make_unique<NginxFixture>(www->path(), "location /slow/ { limit_rate 64k; }");
        QString error;
        if (!nginx->start(&error)) {
            nginx.reset();
            FAIL() << error.toStdString();
        }
    }
    static void TearDownTestSuite() {
        nginx.reset();
        www.reset();
    }
    void SetUp() override {
        if (!nginx)
            GTEST_FAIL() << "nginx did not start";
        // serifetch-cli leaves alone a signal it was started with ignored
        // (nohup, a background job of a shell without job control, as CI may
        // run this): here it starts as from a terminal.
        for (const int signalNumber : {SIGINT, SIGTERM})
            std::signal(signalNumber, SIG_DFL);
    }

    QString out(const QString& name = {}) const { return saveDir.filePath(name); }
    CliProcess::Result cli(const QStringList& args) { return CliProcess(homeDir.path()).run(args); }
    std::vector<Job> jobs() const {
        return JobListFile::load(homeDir.filePath("SeriData.txt")).jobs.toVector();
    }
    QStringList marks() const {
        QStringList list;
        for (const Job& job : jobs())
            list << job.status;
        return list;
    }
    /// f022, then slow/big.bin, which takes a minute to come.
    void listUpF022AndTheSlowFile() {
        listUp(22, 22);
        ASSERT_EQ(cli({"list-up", "--url", nginx->baseUrl() + "slow/", "--head", "big", "--digits",
                       "0", "--tail", ".bin"})
                      .exitCode,
                  0);
    }

    void listUp(int start, int end, const QString& base = {}) {
        const auto run = cli({"list-up", "--url", base.isEmpty() ? nginx->baseUrl() : base,
                              "--head", "f", "--digits", "3", "--start", QString::number(start),
                              "--end", QString::number(end), "--tail", ".bin", "--dir", out()});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    // serifetch-cli in a pseudo-terminal `columns` wide: all it wrote.
    QByteArray ptyRun(const QStringList& args, unsigned short columns) {
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 24;
        // Everything the child needs is built before the fork: after it,
        // only exec is safe in a process with threads.
        std::vector<QByteArray> bytes{SERIFETCH_CLI_PATH};
        for (const QString& arg : args)
            bytes.push_back(arg.toLocal8Bit());
        const qsizetype argc = qsizetype(bytes.size());
        for (const QString& entry : QProcessEnvironment::systemEnvironment().toStringList())
            if (!entry.startsWith("SERIFETCH_HOME="))
                bytes.push_back(entry.toLocal8Bit());
        bytes.push_back("SERIFETCH_HOME=" + homeDir.path().toLocal8Bit());
        std::vector<char*> argv, envp;
        for (qsizetype i = 0; i < qsizetype(bytes.size()); ++i)
            (i < argc ? argv : envp).push_back(bytes[size_t(i)].data());
        argv.push_back(nullptr);
        envp.push_back(nullptr);
        int master = -1;
        const pid_t child = forkpty(&master, nullptr, nullptr, &size);
        if (child == 0) {
            execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        EXPECT_GT(child, 0) << "forkpty failed";
        QByteArray output;
        char buffer[4096];
        ssize_t n;
        // Read until the child's side closes (EIO on Linux).
        while ((n = read(master, buffer, sizeof buffer)) > 0)
            output.append(buffer, n);
        close(master);
        int status = 0;
        waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output.toStdString();
        return output;
    }
    // GET requests nginx has logged so far for a path.
    static int requests(const QString& path) {
        const QList<QByteArray> lines = testenv::readFile(nginx->dir() + "/access.log").split('\n');
        return int(std::count_if(lines.begin(), lines.end(), [&](const QByteArray& line) {
            return line.contains("\"GET " + path.toUtf8() + " HTTP/1.0\"");
        }));
    }

    static inline std::unique_ptr<QTemporaryDir> www;
    static inline std::unique_ptr<NginxFixture> nginx;
    QTemporaryDir homeDir;
    QTemporaryDir saveDir;
};

} // namespace

TEST_F(CliGo, ListedUpJobsEndWithTheRunsMarksAndFiles) {
    // One at a time and four at once: the same marks, files and lines.
    for (const char* parallel : {"4", "1"}) {
        SCOPED_TRACE(parallel);
        ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
        for (int n = 1; n <= 6; ++n)
            QFile::remove(out(QStringLiteral("f00%1.bin").arg(n)));
        listUp(1, 6);
        // f006 is there already: skipped when asked to, fetched otherwise.
        ASSERT_TRUE(testenv::writeFile(out("f006.bin"), "old"));

        const int smallBefore = requests("/f005.bin");
        auto run = cli({"go", "--interval", "0", "--skip-existing", "--parallel", parallel});
        EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
        EXPECT_EQ(marks(), QStringList({"○", "○", "○", "▼", "×", "▲"}));
        for (int n : {1, 2, 3})
            EXPECT_TRUE(testenv::readFile(out(QStringLiteral("f00%1.bin").arg(n))) == served(n))
                << n;
        EXPECT_FALSE(QFile::exists(out("f004.bin"))) << "no error page is kept";
        EXPECT_FALSE(QFile::exists(out("f005.bin"))) << "an empty result is removed";
        EXPECT_EQ(testenv::readFile(out("f006.bin")), "old");
        // One plain line per finished job, then the run's message and the counts.
        const QStringList lines = run.out.split('\n');
        EXPECT_TRUE(lines.contains("○ 1/6 f001.bin  10240 bytes")) << run.out.toStdString();
        EXPECT_TRUE(lines.contains("▼ 4/6 f004.bin  HTTP/1.1 404 Not Found"))
            << run.out.toStdString();
        // The small-result check removes and counts; it never asks again itself.
        EXPECT_TRUE(lines.contains("▽ 5/6 f005.bin  The saved file is empty (removed)"));
        EXPECT_TRUE(
            lines.contains("× 5/6 f005.bin  The saved file is empty (given up after 10 checks)"));
        EXPECT_EQ(requests("/f005.bin") - smallBefore, 1);
        EXPECT_TRUE(lines.contains("▲ 6/6 f006.bin  exists"));
        EXPECT_TRUE(run.out.endsWith(QString::fromUtf8("登録されていたすべてのダウンロード完了\n"
                                                       "6 jobs: ○ 3, ▲ 1, ▼ 1, × 1\n"
                                                       "Failed: 404 Not Found: 1, The saved "
                                                       "file is empty (given up after 10 "
                                                       "checks): 1\n")))
            << run.out.toStdString();
    }

    // A second run passes over what is done and tries the given-up job again;
    // without the small-result check its empty file stands.
    const int before = requests("/f001.bin");
    auto run = cli({"go", "--interval", "0", "--no-min-size"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(marks(), QStringList({"○", "○", "○", "▼", "○", "▲"}));
    EXPECT_EQ(requests("/f001.bin"), before);
    EXPECT_TRUE(QFile::exists(out("f005.bin")));

    // A list that all succeeds exits 0.
    ASSERT_EQ(cli({"clear"}).exitCode, 0);
    listUp(7, 9);
    run = cli({"go", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(marks(), QStringList({"○", "○", "○"}));
}

TEST_F(CliGo, OptionsOverrideTheSettingsForThisRunOnly) {
    listUp(1, 2);
    // Through a proxy that is not there, every job fails with the reason.
    const quint16 closed = freeLoopbackPort();
    const QString proxy = QStringLiteral("127.0.0.1:%1").arg(closed);
    auto run = cli({"go", "--interval", "0", "--proxy", proxy, "--timeout", "5", "--retries", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.contains("▼ 1/2 f001.bin  Connection refused by " + proxy + "\n"))
        << run.out.toStdString();
    // A failed job claims no file: the small-result check leaves it alone.
    EXPECT_EQ(marks(), QStringList({"▼", "▼"}));
    // The saved settings still say no proxy; files of 10 KiB are too small
    // when at most 10 KB is.
    ASSERT_EQ(cli({"clear"}).exitCode, 0);
    listUp(1, 2);
    run = cli({"go", "--interval", "0", "--min-size", "10"});
    EXPECT_EQ(run.exitCode, 1) << run.out.toStdString();
    EXPECT_EQ(marks(), QStringList({"×", "×"}));
    EXPECT_FALSE(QFile::exists(out("f001.bin")));
    run = cli({"go", "--interval", "0", "--min-size", "9"});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString();
    EXPECT_EQ(marks(), QStringList({"○", "○"}));
}

TEST_F(CliGo, ValuesThatWouldBreakARequestLineAndHiddenPathsAreRefused) {
    // An option: refused as it is read.
    auto run = cli({"go", "--user-agent", "x\r\nX-Injected: 1"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--user-agent holds a line break (CR): \"x\\r\\nX-Injected: 1\""))
        << run.err.toStdString();

    // A setting: the whole run is refused before any request.
    listUp(1, 1);
    const QString ini = homeDir.filePath("serifech.ini");
    QByteArray settings = testenv::readFile(ini);
    ASSERT_TRUE(settings.contains("[Server]\r\n")) << settings.toStdString();
    ASSERT_TRUE(testenv::writeFile(
        ini, QByteArray(settings).replace("[Server]\r\n", "[Server]\r\nUserAgent=x\x1b[31m\r\n")));
    const int before = requests("/f001.bin");
    run = cli({"go", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(
        "The UserAgent in serifech.ini holds a control byte (0x1B); nothing was fetched."))
        << run.err.toStdString();
    EXPECT_EQ(requests("/f001.bin"), before);
    // An option that replaces it lets the run go.
    run = cli({"go", "--interval", "0", "--user-agent", "Serifetch-test"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(testenv::writeFile(ini, settings));

    // A job list row: that job fails with the reason, the others are fetched.
    ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
    ASSERT_TRUE(QDir(saveDir.path()).mkdir(".hidden"));
    const QString list = homeDir.filePath("SeriData.txt");
    ASSERT_EQ(JobListFile::save(list, {{"", nginx->baseUrl() + "f002.bin\x7f", out("f002.bin")},
                                       {"", nginx->baseUrl() + "f003.bin", out(".hidden/f003.bin")},
                                       {"", nginx->baseUrl() + "f006.bin", out("f006.bin")}}),
              "");
    run = cli({"go", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(marks(), QStringList({"▼", "▼", "○"}));
    EXPECT_TRUE(jobs()[0].reason.contains("holds a DEL byte; nothing was sent"))
        << jobs()[0].reason.toStdString();
    EXPECT_EQ(jobs()[1].reason, "Refused: the path leads into the hidden \".hidden\"");
    EXPECT_FALSE(QFile::exists(out(".hidden/f003.bin")));
    run = cli({"go", "--interval", "0", "--retry-failed", "--allow-hidden-paths"});
    EXPECT_EQ(marks(), QStringList({"▼", "○", "○"}));
    EXPECT_TRUE(testenv::readFile(out(".hidden/f003.bin")) == served(3));
}

TEST_F(CliGo, RetryFailedAsksTheServerAgainWhateverIsAtThePath) {
    listUp(3, 4);
    auto run = cli({"go", "--interval", "0"});
    EXPECT_EQ(marks(), QStringList({"○", "▼"}));
    EXPECT_FALSE(QFile::exists(out("f004.bin"))) << "no error page is kept";
    // A file put there since: "skip existing" would take it for the job's.
    ASSERT_TRUE(testenv::writeFile(out("f004.bin"), "old"));
    const int before = requests("/f004.bin");
    run = cli({"go", "--interval", "0", "--skip-existing"});
    EXPECT_EQ(requests("/f004.bin"), before) << "a failed job is passed over";
    run = cli({"go", "--interval", "0", "--skip-existing", "--retry-failed"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(requests("/f004.bin"), before + 1) << run.out.toStdString();
    EXPECT_EQ(marks(), QStringList({"○", "▼"}));
    EXPECT_EQ(testenv::readFile(out("f004.bin")), "old") << "a failure leaves the file alone";
    EXPECT_TRUE(run.out.contains("▼ 2/2 f004.bin  HTTP/1.1 404 Not Found"))
        << run.out.toStdString();

    run = cli({"go", "--retries", "11"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains("--retries needs a number of tries from 0 to 10, not \"11\""))
        << run.err.toStdString();
}

TEST_F(CliGo, TheEnvironmentsProxyAndTheRequestLinesApplyToEachJob) {
    listUp(1, 2);
    const quint16 closed = freeLoopbackPort();
    qputenv("http_proxy", QStringLiteral("127.0.0.1:%1").arg(closed).toUtf8());
    // Each of several clients asks the environment too.
    auto run =
        cli({"go", "--interval", "0", "--timeout", "5", "--parallel", "2", "--retries", "0"});
    const QString refused = QStringLiteral("Connection refused by 127.0.0.1:%1\n").arg(closed);
    EXPECT_TRUE(run.out.contains("▼ 1/2 f001.bin  " + refused)) << run.out.toStdString();
    EXPECT_TRUE(run.out.contains("▼ 2/2 f002.bin  " + refused)) << run.out.toStdString();

    ASSERT_EQ(cli({"clear"}).exitCode, 0);
    listUp(1, 2);
    qputenv("no_proxy", "127.0.0.1");
    run = cli({"go", "--interval", "0", "--user-agent", "serifetch-test/1", "--referer-base",
               "--parallel", "2"});
    qunsetenv("no_proxy");
    qunsetenv("http_proxy");
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    // nginx logs each request's Referer and User-Agent.
    const QByteArray log = testenv::readFile(nginx->dir() + "/access.log");
    EXPECT_EQ(log.count("\"GET /f002.bin HTTP/1.0\" 200 10240 \"" + nginx->baseUrl().toUtf8() +
                        "\" \"serifetch-test/1\""),
              1)
        << log.constData();
}

TEST_F(CliGo, NothingToDoAndMissingFolders) {
    auto run = cli({"go"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, QString::fromUtf8("登録されていません\n0 jobs\n"));

    // A folder that is gone is made again, with its parents.
    listUp(1, 2);
    ASSERT_TRUE(saveDir.remove());
    run = cli({"go", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(QFileInfo(saveDir.path() + "/f002.bin").isFile());
    EXPECT_EQ(marks(), QStringList({"○", "○"}));

    // One that cannot be made stops the run before its first request.
    ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
    listUp(1, 2);
    ASSERT_TRUE(saveDir.remove());
    QFile blocker(saveDir.path());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const int before = requests("/f001.bin");
    run = cli({"go", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains(
        QStringLiteral("the save folder %1 of job 1 (%2f001.bin) could not be created")
            .arg(saveDir.path(), nginx->baseUrl())))
        << run.err.toStdString();
    EXPECT_EQ(requests("/f001.bin"), before) << "nothing is requested";
    EXPECT_EQ(marks(), QStringList({"", ""}));
    QFile::remove(saveDir.path());
}

// Patterns beyond one range: their product in order, leftmost outermost,
// each file under the varying part of its path or named by -o.
TEST_F(CliGo, FetchListsUpAPatternsProductWithItsFoldersAndNames) {
    const struct {
        const char* pattern;
        QStringList extra;
        QStringList names; ///< each job's path below the save folder, in order
    } cases[] = {
        {"ch[01-02]/p[001-003].jpg",
         {},
         {"ch01/p001.jpg", "ch01/p002.jpg", "ch01/p003.jpg", "ch02/p001.jpg", "ch02/p002.jpg",
          "ch02/p003.jpg"}},
        {"plate_[a-c].jpg", {}, {"plate_a.jpg", "plate_b.jpg", "plate_c.jpg"}},
        {"cover_{front,back}.jpg", {"-o", "side-#1.jpg"}, {"side-front.jpg", "side-back.jpg"}},
        {"ch[01-02:1]/p[001-003:2].jpg",
         {"-o", "#1-#2.jpg"},
         {"01-001.jpg", "01-003.jpg", "02-001.jpg", "02-003.jpg"}},
        {"plate_a.jpg", {"-o", "first-plate.jpg"}, {"first-plate.jpg"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
        const QString folder = out("new/folder");
        const auto run =
            cli(QStringList{"fetch", nginx->baseUrl() + c.pattern, "-d", folder, "--interval=0"} +
                c.extra);
        EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
        QStringList names;
        for (const Job& job : jobs()) {
            EXPECT_EQ(job.status, "○") << job.url.toStdString();
            EXPECT_TRUE(job.path.startsWith(folder + "/"));
            names << job.path.mid(folder.size() + 1);
            EXPECT_TRUE(QFileInfo(job.path).isFile()) << job.path.toStdString();
        }
        EXPECT_EQ(names, c.names);
        QDir(out("new")).removeRecursively();
    }
    const auto refused = cli({"fetch", nginx->baseUrl() + "p[3-1].jpg", "-d", out()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains("Column")) << refused.err.toStdString();
}

// An open end fetches on until Misses numbers in a row are missing: the
// misses past the last file are taken off the list, those in the middle stay.
TEST_F(CliGo, AnOpenEndStopsMissesAfterTheLastFileAndListsWhatWasFound) {
    const auto asked = [](int n) {
        return requests(QStringLiteral("/gallery/img_%1.jpg").arg(n, 3, 10, QChar('0')));
    };
    for (const char* parallel : {"1", "4"}) {
        SCOPED_TRACE(parallel);
        ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
        std::vector<int> before;
        for (int n = 138; n <= 160; ++n)
            before.push_back(asked(n));
        const auto run = cli({"fetch", nginx->baseUrl() + "gallery/img_[001-].jpg", "-d",
                              out("open"), "--interval=0", "--parallel", parallel, "-q"});
        EXPECT_EQ(run.exitCode, 1) << "40, 90 and 91 are missing in the middle";
        const std::vector<Job> listed = jobs();
        ASSERT_EQ(listed.size(), 137u);
        EXPECT_EQ(listed.back().url, nginx->baseUrl() + "gallery/img_137.jpg");
        int failed = 0;
        for (const Job& job : listed)
            failed += job.status == "▼";
        EXPECT_EQ(failed, 3);
        EXPECT_EQ(listed[39].status, "▼");
        EXPECT_TRUE(listed[39].reason.contains("404")) << listed[39].reason.toStdString();
        int past = 0;
        for (int n = 138; n <= 160; ++n)
            past += asked(n) - before[size_t(n - 138)];
        if (QByteArray(parallel) == "1")
            EXPECT_EQ(past, 3) << "exactly Misses requests past the end";
        else
            EXPECT_LE(past, 4 + 3) << "at most N + Misses";
        EXPECT_TRUE(JobListFile::load(homeDir.filePath("SeriData.txt")).jobs.openSeries().empty())
            << "a series whose end was found is closed";
        QDir(out("open")).removeRecursively();
    }
}

// list-up --end open keeps the series with the list; a go later fetches it
// to its end and closes it, and a go after that asks nothing more.
TEST_F(CliGo, AnOpenEndListedUpIsCarriedOnByALaterGo) {
    ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
    const auto listed = cli({"list-up", "--url", nginx->baseUrl() + "gallery/", "--head", "img_",
                             "--digits", "3", "--start", "120", "--end", "open", "--misses", "2",
                             "--tail", ".jpg", "-d", out("later")});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    EXPECT_TRUE(listed.out.contains(
        "Preview: img_120.jpg  -  (open end: until 2 numbers in a row are missing)"))
        << listed.out.toStdString();
    JobList held = JobListFile::load(homeDir.filePath("SeriData.txt")).jobs;
    ASSERT_EQ(held.size(), 1U);
    ASSERT_EQ(held.openSeries().size(), 1U);
    EXPECT_EQ(held.openSeries()[0].pattern, nginx->baseUrl() + "gallery/img_[120-].jpg");
    EXPECT_EQ(held.openSeries()[0].misses, 2);
    EXPECT_TRUE(cli({"show"}).out.endsWith(
        QStringLiteral("Open series: %1gallery/img_[120-].jpg into %2/, until 2 numbers in a row "
                       "are missing\n")
            .arg(nginx->baseUrl(), out("later"))));

    const auto run = cli({"go", "--interval=0", "-q"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    held = JobListFile::load(homeDir.filePath("SeriData.txt")).jobs;
    EXPECT_EQ(held.size(), 18U) << "120 to 137";
    EXPECT_TRUE(held.openSeries().empty());
    EXPECT_TRUE(QFile::exists(out("later/img_137.jpg")));
    EXPECT_FALSE(QFile::exists(out("later/img_138.jpg")));

    const int after = requests("/gallery/img_138.jpg");
    EXPECT_EQ(cli({"go", "--interval=0", "-q"}).exitCode, 0);
    EXPECT_EQ(requests("/gallery/img_138.jpg"), after);
    QDir(out("later")).removeRecursively();
}

// probe finds the padding and both ends from any one file, asking HEAD, and
// stays within its bound of requests; nginx's log counts them.
TEST_F(CliGo, ProbeFindsTheSeriesFromOneFile) {
    const auto heads = [](const QByteArray& status) {
        const QList<QByteArray> lines = testenv::readFile(nginx->dir() + "/access.log").split('\n');
        return int(std::count_if(lines.begin(), lines.end(), [&](const QByteArray& line) {
            return line.contains("\"HEAD /gallery/") && line.contains("\" " + status + " ");
        }));
    };
    for (const char* pasted : {"img_001.jpg", "img_007.jpg", "img_100.jpg", "img_137.jpg"}) {
        SCOPED_TRACE(pasted);
        const int found = heads("200");
        const int missing = heads("404");
        const auto run = cli({"probe", nginx->baseUrl() + "gallery/" + pasted, "--interval=0"});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
        const QStringList lines = run.out.trimmed().split('\n');
        EXPECT_EQ(lines.last(), nginx->baseUrl() + "gallery/img_[001-137].jpg");
        const int asked = heads("200") - found + heads("404") - missing;
        const QRegularExpressionMatch said =
            QRegularExpression("found with (\\d+) requests \\((\\d+) misses met\\)$")
                .match(lines.first());
        ASSERT_TRUE(said.hasMatch()) << lines.first().toStdString();
        EXPECT_EQ(said.captured(1).toInt(), asked) << "as nginx counted them";
        EXPECT_LE(asked, 2 * std::log2(137.0) + 12 + 2 * said.captured(2).toInt())
            << "Misses 3: 2 more per miss met";
    }
    const auto none = cli({"probe", nginx->baseUrl() + "gallery/pic_05.jpg", "--interval=0"});
    EXPECT_EQ(none.exitCode, 1);
    const auto bad = cli({"probe", nginx->baseUrl() + "gallery/", "--interval=0"});
    EXPECT_EQ(bad.exitCode, 2);
}

TEST_F(CliGo, FetchListsUpTheRangeThenRunsAndResumesWhenRunAgain) {
    const QString range = nginx->baseUrl() + "f[001-012].bin";
    const QStringList fetch{"fetch", range, "-d", out(), "--interval=0"};
    auto run = cli(fetch);
    EXPECT_EQ(run.exitCode, 1) << run.err.toStdString();
    EXPECT_TRUE(
        run.out.startsWith(QStringLiteral("URL:     %1\nFolder:  %2/\nPreview: f001.bin  -  "
                                          "f012.bin\nAdded 12 jobs; 12 in the list.\n")
                               .arg(nginx->baseUrl(), saveDir.path())))
        << run.out.toStdString();
    // The same jobs as list-up's, with the gap (f004: 404) and the empty f005.
    std::vector<Job> listed = jobs();
    ASSERT_EQ(listed.size(), 12u);
    EXPECT_EQ(listed[11], (Job{"○", nginx->baseUrl() + "f012.bin", out("f012.bin")}));
    EXPECT_EQ(marks(), QStringList({"○", "○", "○", "▼", "×", "○", "○", "○", "○", "○", "○", "○"}));

    // Again: nothing listed twice, only the given-up job fetched again.
    const int before = requests("/f001.bin");
    const int smallBefore = requests("/f005.bin");
    run = cli(fetch + QStringList{"-q"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(jobs().size(), 12u);
    EXPECT_EQ(requests("/f001.bin"), before);
    EXPECT_EQ(requests("/f005.bin") - smallBefore, 1);
    // -q: the failed jobs and the summary, nothing else.
    EXPECT_EQ(run.out, QString::fromUtf8("▽ 5/12 f005.bin  The saved file is empty (removed)\n"
                                         "× 5/12 f005.bin  The saved file is empty (given up "
                                         "after 10 checks)\n"
                                         "12 jobs: ○ 10, ▼ 1, × 1\n"
                                         "Failed: 404 Not Found: 1, The saved file is empty "
                                         "(given up after 10 checks): 1\n"));

    // Without -q the listing says what it left out.
    run = cli(fetch);
    EXPECT_TRUE(run.out.startsWith(
        QStringLiteral("URL:     %1\nFolder:  %2/\nPreview: f001.bin  -  f012.bin\n"
                       "Added 0 jobs (12 listed already); 12 in the list.\n")
            .arg(nginx->baseUrl(), saveDir.path())))
        << run.out.toStdString();

    // A step, and a URL without a range; -v tells of every request.
    ASSERT_EQ(cli({"clear"}).exitCode, 0);
    ASSERT_EQ(cli({"fetch", nginx->baseUrl() + "f[006-014:4].bin", "-d", out(), "-q"}).exitCode, 0);
    run = cli({"fetch", nginx->baseUrl() + "f100.bin", "-d", out(), "-v", "--interval", "0"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    QStringList urls;
    for (const Job& job : jobs())
        urls << job.url.mid(nginx->baseUrl().size());
    EXPECT_EQ(urls, QStringList({"f006.bin", "f010.bin", "f014.bin", "f100.bin"}));
    EXPECT_TRUE(run.out.contains(
        QStringLiteral("\nGET %1f100.bin  HTTP/1.1 200 OK  10240 bytes  ").arg(nginx->baseUrl())))
        << run.out.toStdString();
    EXPECT_TRUE(testenv::readFile(out("f100.bin")) == served(100));
}

// In a terminal of 50 columns the progress line is cut, never wrapped, and
// redrawn in place: the run's output holds no line of its own but the two
// last words.
TEST_F(CliGo, ProgressLineFitsANarrowTerminalAndRedrawsInPlace) {
    const auto run = cli({"list-up", "--url", nginx->baseUrl(), "--head",
                          "a-rather-long-name-for-a-narrow-terminal-", "--digits", "3", "--start",
                          "1", "--end", "3", "--tail", ".bin", "-d", out()});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QByteArray output = ptyRun({"go", "--interval", "150"}, 50);
    const QString text = QString::fromUtf8(output).remove("\x1b[K");
    const QStringList lines = text.split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << output.toStdString();
    EXPECT_EQ(lines[0].section('\r', -1),
              QString::fromUtf8("登録されていたすべてのダウンロード完了"));
    EXPECT_EQ(lines[1].section('\r', -1), QString::fromUtf8("3 jobs: ○ 3"));
    int redraws = 0;
    for (const QString& piece : text.split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts)) {
        EXPECT_LT(piece.size(), 50) << piece.toStdString();
        redraws += piece.startsWith("[") ? 1 : 0;
    }
    EXPECT_GE(redraws, 3) << output.toStdString();
    EXPECT_TRUE(text.contains("\r[3/3] a-rather-long-name-for-a-narrow-terminal-0"))
        << output.toStdString();
}

TEST_F(CliGo, CtrlCStopsAfterTheCurrentJobAndTheNextRunResumes) {
    listUp(10, 21);
    CliProcess go(homeDir.path());
    go.start({"go", "--interval", "150"});
    ASSERT_TRUE(go.waitForLines(2)) << go.finish().err.toStdString();
    go.signal(SIGINT);
    const auto run = go.finish();
    EXPECT_EQ(run.exitCode, 130) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains("Stopping after the current job")) << run.out.toStdString();

    // What was reported finished is saved as such, and nothing else was tried.
    QSet<QString> reported;
    for (const auto& line : go.lines()) {
        if (line.text.startsWith("○ "))
            reported << line.text.section(' ', 2, 2);
    }
    const std::vector<Job> stopped = jobs();
    ASSERT_EQ(stopped.size(), 12u);
    int done = 0;
    for (const Job& job : stopped) {
        const QString name = QFileInfo(job.path).fileName();
        EXPECT_EQ(job.status, reported.contains(name) ? "○" : "") << name.toStdString();
        done += job.status == "○";
    }
    EXPECT_GE(done, 2);
    EXPECT_LT(done, 12);

    const auto resumed = cli({"go", "--interval", "0"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.out.toStdString();
    EXPECT_EQ(marks(), QStringList(12, "○"));
    for (int n = 10; n <= 21; ++n) {
        const QString name = QStringLiteral("/f%1.bin").arg(n, 3, 10, QChar('0'));
        EXPECT_EQ(requests(name), 1) << "fetched once over both runs: " << name.toStdString();
        EXPECT_TRUE(testenv::readFile(out(name.mid(1))) == served(n)) << name.toStdString();
    }
}

TEST_F(CliGo, KilledInTheMiddleOfAFileTheRunLeavesNothingAtItsPath) {
    listUpF022AndTheSlowFile();
    CliProcess go(homeDir.path());
    go.start({"go", "--interval", "0"});
    ASSERT_TRUE(testenv::waitUntil([&] { return QFileInfo(out("big.bin.part")).size() > 0; }))
        << go.finish().err.toStdString();
    go.signal(SIGKILL);
    EXPECT_EQ(go.finish().exitCode, -2);
    EXPECT_FALSE(QFile::exists(out("big.bin"))) << "a cut file is never at the job's path";
    ASSERT_EQ(jobs().size(), 2u);
    EXPECT_TRUE(StatusMark::IsFetched(jobs()[1].status)) << jobs()[1].status.toStdString();

    // The next run, skipping existing files as by default, fetches the job
    // again (now quickly) and takes the left-over part file over.
    ASSERT_TRUE(testenv::writeFile(www->filePath("slow/big.bin"), "now whole"));
    const auto resumed = cli({"go", "--interval", "0"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.out.toStdString();
    EXPECT_EQ(marks(), QStringList({"○", "○"}));
    EXPECT_EQ(testenv::readFile(out("big.bin")), "now whole");
    EXPECT_FALSE(QFile::exists(out("big.bin.part")));
    ASSERT_TRUE(testenv::writeFile(www->filePath("slow/big.bin"), QByteArray(4 << 20, 'b')));
}

TEST_F(CliGo, SecondCtrlCAbortsTheJobInProgressAndSavesTheList) {
    listUpF022AndTheSlowFile();
    CliProcess go(homeDir.path());
    go.start({"go", "--interval", "0"});
    // The slow file is on its way once part of it is on disk, beside its path.
    ASSERT_TRUE(testenv::waitUntil([&] { return QFileInfo(out("big.bin.part")).size() > 0; }))
        << go.finish().err.toStdString();
    go.signal(SIGINT);
    ASSERT_TRUE(go.waitForLines(2));
    go.signal(SIGINT);
    const auto run = go.finish(10000);
    EXPECT_EQ(run.exitCode, 130) << run.out.toStdString();
    // The aborted job is fetched again by the next run, and its partial file
    // is not left to pass for the whole one: it stays a part, resumable.
    EXPECT_EQ(marks(), QStringList({"○", "↓"}));
    EXPECT_FALSE(QFile::exists(out("big.bin")));
    EXPECT_TRUE(QFile::exists(out("big.bin.part")));
    EXPECT_TRUE(QFile::exists(out("big.bin.part.resume")));
    EXPECT_TRUE(run.out.contains("Aborting the current job")) << run.out.toStdString();
}

TEST_F(CliGo, StopBetweenJobsDoesNotWaitOutALongInterval) {
    listUp(151, 152);
    for (const int signalNumber : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signalNumber);
        CliProcess go(homeDir.path());
        go.start({"go", "--interval", "600000"});
        ASSERT_TRUE(go.waitUntilCatching(signalNumber)) << go.finish(1000).err.toStdString();
        go.signal(signalNumber);
        const auto run = go.finish(10000);
        EXPECT_EQ(run.exitCode, 130) << run.out.toStdString() << run.err.toStdString();
        EXPECT_EQ(marks(), QStringList({"", ""}));
    }
}

TEST_F(CliGo, KilledRunLosesAtMostTheLastSecondOfMarks) {
    listUp(23, 150);
    CliProcess go(homeDir.path());
    go.start({"go", "--interval", "30"});
    // A second for the saves, and some room for the pipe and the scheduler.
    const qint64 slackMs = 1000 + 400;
    // Killed once enough jobs finished long enough ago, however fast the
    // machine is today.
    const auto settled = [&] {
        return std::count_if(go.lines().begin(), go.lines().end(),
                             [&](const auto& line) { return line.atMs < go.now() - slackMs; });
    };
    ASSERT_TRUE(testenv::waitUntil([&] { return settled() >= 10; }, 30000));
    const qint64 killedAt = go.signal(SIGKILL);
    EXPECT_EQ(go.finish().exitCode, -2);

    QSet<QString> saved;
    for (const Job& job : jobs()) {
        if (job.status == "○")
            saved << QFileInfo(job.path).fileName();
    }
    int old = 0;
    QSet<QString> reported;
    for (const auto& line : go.lines()) {
        if (!line.text.startsWith("○ "))
            continue;
        const QString name = line.text.section(' ', 2, 2);
        reported << name;
        if (line.atMs < killedAt - slackMs) {
            ++old;
            EXPECT_TRUE(saved.contains(name)) << name.toStdString() << " finished at " << line.atMs
                                              << " ms, killed at " << killedAt;
        }
    }
    ASSERT_GE(old, 5) << "the run was too short to show anything";
    for (const QString& name : saved)
        EXPECT_TRUE(reported.contains(name)) << name.toStdString() << " saved but never finished";

    // The killed holder's lock is no obstacle; the run completes the list
    // (fetching again what it fetched after the last save).
    const auto resumed = cli({"go", "--interval", "0", "--no-skip-existing"});
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err.toStdString();
    EXPECT_EQ(marks().join(""), QStringList(128, "○").join("")) << resumed.out.toStdString();
}

// --remote-time gives each saved file the reply's Last-Modified, which nginx
// takes from the served file; without it a file has the time it was saved.
TEST_F(CliGo, RemoteTimeGivesTheFilesTheServersTime) {
    const QDateTime then(QDate(2001, 2, 3), QTime(4, 5, 6), QTimeZone::utc());
    for (const char* name : {"plate_a.jpg", "plate_b.jpg"}) {
        QFile served(www->filePath(name));
        ASSERT_TRUE(served.open(QIODevice::ReadWrite));
        ASSERT_TRUE(served.setFileTime(then, QFileDevice::FileModificationTime));
    }
    ASSERT_EQ(cli({"clear", "--force"}).exitCode, 0);
    ASSERT_EQ(cli({"fetch", nginx->baseUrl() + "plate_a.jpg", "-d", out("rt"), "--interval=0",
                   "--remote-time", "-q"})
                  .exitCode,
              0);
    ASSERT_EQ(
        cli({"fetch", nginx->baseUrl() + "plate_b.jpg", "-d", out("rt"), "--interval=0", "-q"})
            .exitCode,
        0);
    EXPECT_EQ(QFileInfo(out("rt/plate_a.jpg")).lastModified().toUTC(), then);
    EXPECT_GT(QFileInfo(out("rt/plate_b.jpg")).lastModified().secsTo(QDateTime::currentDateTime()),
              -60);
    EXPECT_LT(QFileInfo(out("rt/plate_b.jpg")).lastModified().secsTo(QDateTime::currentDateTime()),
              60);
    QDir(out("rt")).removeRecursively();
}
