// serifetch-cli list-up, show and clear, the profile lock and the refusals of
// every command, run as a user runs them: the built binary over real files.
#include "platform/profile_lock.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"
#include "tests/cli/cli_process.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

class CliProfileCommands : public ::testing::Test {
protected:
    QString home() const { return homeDir.path(); }
    QString iniPath() const { return homeDir.filePath("serifech.ini"); }
    QString listPath() const { return homeDir.filePath("SeriData.txt"); }
    QString outDir() const { return saveDir.path(); }

    CliProcess::Result cli(const QStringList& args) { return CliProcess(home()).run(args); }
    std::vector<Job> jobs() const { return JobListFile::load(listPath()).jobs.toVector(); }
    Settings settings() const { return SettingsFile::load(iniPath()).settings; }

    QTemporaryDir homeDir;
    QTemporaryDir saveDir;
};

const QString kBase = QStringLiteral("http://127.0.0.1:9/pics/");

} // namespace

TEST_F(CliProfileCommands, ListUpExpandsAppendsAndStoresTheInputs) {
    // The folder is given relative to the working folder and without its
    // "/", and stored whole; start and end keep only digits.
    auto run =
        cli({"list-up", "--url=" + kBase, "--head", "p", "--digits", "3", "--start", "a1", "--end",
             "1x2", "--tail=.png", "-d", QDir::current().relativeFilePath(outDir())});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("URL:     %1\nFolder:  %2/\nPreview: p001.png  -  p012.png\n"
                                      "Added 12 jobs; 12 in the list.\n")
                           .arg(kBase, outDir()));
    EXPECT_EQ(run.err, "");
    const std::vector<Job> listed = jobs();
    ASSERT_EQ(listed.size(), 12u);
    EXPECT_EQ(listed[0], (Job{"", kBase + "p001.png", outDir() + "/p001.png"}));
    EXPECT_EQ(listed[11], (Job{"", kBase + "p012.png", outDir() + "/p012.png"}));

    // The URL listed up goes to the top of the history: the next start shows it.
    Settings s = settings();
    EXPECT_EQ(s.urlHistory, QStringList({kBase, SettingsFile::kSampleUrl}));
    EXPECT_EQ(s.head, "p");
    EXPECT_EQ(s.num, 3);
    EXPECT_EQ(s.start, "1");
    EXPECT_EQ(s.end, "12");
    EXPECT_EQ(s.back, ".png");
    EXPECT_EQ(s.path, outDir() + "/");

    // The same URL again is not added twice; the new numbers are appended.
    run = cli({"list-up", "--url", kBase, "--start", "13", "--end", "14"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.endsWith("Added 2 jobs; 14 in the list.\n")) << run.out.toStdString();
    EXPECT_EQ(settings().urlHistory, QStringList({kBase, SettingsFile::kSampleUrl}));
    EXPECT_EQ(jobs()[13].url, kBase + "p014.png");

    // Without options every input is the saved one, and the URL is the one
    // the window shows at start: the first of the history.
    run = cli({"list-up"});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const std::vector<Job> all = jobs();
    ASSERT_EQ(all.size(), 16u);
    EXPECT_EQ(all[14].url, kBase + "p013.png");
    EXPECT_EQ(all[15].path, outDir() + "/p014.png");

    // A reversed range appends nothing, as in the window, and stores the
    // inputs as the window does; but the command says so and exits 1.
    run = cli({"list-up", "--start", "5", "--end", "3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.out.endsWith("Added 0 jobs; 16 in the list.\n")) << run.out.toStdString();
    EXPECT_EQ(settings().start, "5");
}

// The command line speaks the language of its environment; the window's
// [Window] Language setting is not its to follow.
TEST_F(CliProfileCommands, SpeaksTheLanguageOfTheEnvironment) {
    const struct {
        const char* language;
        const char* setting;
        const char* refusal;
    } cases[] = {
        {"ja", "en", "数字桁数 300 は大きすぎます（255 桁まで）。"},
        {"en", "ja", "300 digits are too many (at most 255)."},
        {"de_DE.UTF-8", "ja", "300 digits are too many (at most 255)."},
    };
    const QByteArray before = qgetenv("LANGUAGE");
    for (const auto& c : cases) {
        QFile ini(iniPath());
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QByteArray("[Window]\nLanguage=") + c.setting + "\n");
        ini.close();
        qputenv("LANGUAGE", c.language);
        const auto run = cli({"list-up", "--url", kBase, "--digits", "300", "--dir", outDir()});
        EXPECT_EQ(run.exitCode, 2) << c.language;
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.refusal)))
            << c.language << ": " << run.err.toStdString();
    }
    qputenv("LANGUAGE", before);
}

TEST_F(CliProfileCommands, ListUpRefusalsLeaveBothFilesAsTheyWere) {
    ASSERT_EQ(
        cli({"list-up", "--url", kBase, "--start", "1", "--end", "2", "--dir", outDir()}).exitCode,
        0);
    QFile aFile(outDir() + "/a-file");
    ASSERT_TRUE(aFile.open(QIODevice::WriteOnly));
    aFile.close();
    const QByteArray ini = testenv::readFile(iniPath());
    const QByteArray list = testenv::readFile(listPath());
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"--start", "x"}, "開始番号「」は整数として読めません"},
        {{"--end", "99999999999"}, "終了番号「99999999999」は整数として読めません"},
        {{"--digits", "300"}, "数字桁数 300 は大きすぎます"},
        {{"--start", "1", "--end", "2000000"}, "一度に 1000000 件まで"},
        {{"--dir", outDir() + "/a-file/missing", "--url", "http://other/"},
         "/a-file/missing/ could not be created"},
        {{"--url", "http://h/a\r\nX-Injected: 1/"},
         "the base URL \"http://h/a\\r\\nX-Injected: 1/\" holds a line break (CR)"},
        {{"--head", "pic\x1b"}, "the head \"pic\\x1b\" holds a control byte (0x1B)"},
        {{"--tail", ".jpg\t"}, "the tail \".jpg\\t\" holds a tab"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto run = cli(QStringList{"list-up"} + c.args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.startsWith("serifetch-cli list-up: ")) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
        EXPECT_EQ(testenv::readFile(iniPath()), ini);
        EXPECT_EQ(testenv::readFile(listPath()), list);
    }
}

TEST_F(CliProfileCommands, ShowListsEveryJobThenTheCountPerMark) {
    auto run = cli({"show"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "0 jobs\n");

    const std::vector<Job> saved{
        {"○", "http://h/a1", "/d/a1"}, {"", "http://h/a2", "/d/a2"},  {"▼", "http://h/a3", "/d/a3"},
        {"○", "http://h/a4", "/d/a4"}, {"?", "http://h/a5", "/d/a5"},
    };
    ASSERT_EQ(JobListFile::save(listPath(), saved), "");
    run = cli({"show"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, QString::fromUtf8("1\t○\thttp://h/a1\t/d/a1\n"
                                         "2\t\thttp://h/a2\t/d/a2\n"
                                         "3\t▼\thttp://h/a3\t/d/a3\n"
                                         "4\t○\thttp://h/a4\t/d/a4\n"
                                         "5\t?\thttp://h/a5\t/d/a5\n"
                                         "5 jobs: ○ 2, ▼ 1, \"?\" 1, untried 1\n"));
    EXPECT_EQ(run.err, "");
}

TEST_F(CliProfileCommands, ClearEmptiesTheListAndKeepsTheFiles) {
    ASSERT_EQ(
        cli({"list-up", "--url", kBase, "--start", "1", "--end", "3", "--dir", outDir()}).exitCode,
        0);
    ASSERT_TRUE(testenv::writeFile(outDir() + "/Hampic01.jpg", "kept"));
    auto run = cli({"clear"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "Removed 3 jobs; the list is empty.\n");
    EXPECT_TRUE(jobs().empty());
    EXPECT_EQ(testenv::readFile(outDir() + "/Hampic01.jpg"), "kept");
    EXPECT_EQ(cli({"show"}).out, "0 jobs\n");
}

// Each refusal is one line naming the problem, then where the help is; a
// refused command touches no file.
TEST_F(CliProfileCommands, ArgumentsAreCheckedBeforeAnythingIsDone) {
    const QString url = QStringLiteral("http://127.0.0.1:9/f");
    const struct {
        QStringList args;
        int exitCode;
        const char* firstLine;
    } cases[] = {
        {{}, 2, "serifetch-cli: no command given"},
        {{"lsit-up"}, 2, "serifetch-cli: unknown command lsit-up; did you mean list-up?"},
        {{"nope"}, 2, "serifetch-cli: unknown command nope"},
        {{"--bogus"}, 2, "serifetch-cli: unknown option --bogus"},
        {{"go", "--intervl", "0"},
         2,
         "serifetch-cli go: unknown option --intervl; did you mean --interval?"},
        {{"go", "--inter=5"},
         2,
         "serifetch-cli go: unknown option --inter; did you mean --interval?"},
        {{"go", "-x"}, 2, "serifetch-cli go: unknown option -x"},
        {{"go", "--interval", "-1"},
         2,
         "serifetch-cli go: --interval needs milliseconds from 0 to 86400000, not \"-1\""},
        {{"go", "--interval"}, 2, "serifetch-cli go: --interval needs a value (MS)"},
        {{"go", "--rate", "fast"},
         2,
         "serifetch-cli go: --rate needs requests a second from 0.001 to 1000 (\"2\" or "
         "\"0.5/s\"), not \"fast\""},
        {{"go", "--parallel", "65"},
         2,
         "serifetch-cli go: --parallel needs a number of files from 1 to 64, not \"65\""},
        {{"go", "--min-size=5", "--no-min-size"},
         2,
         "serifetch-cli go: --min-size and --no-min-size exclude each other"},
        {{"go", "--proxy", "127.0.0.1:0"},
         2,
         "serifetch-cli go: --proxy needs HOST:PORT, not \"127.0.0.1:0\""},
        {{"go", "--timeout", "5000"},
         2,
         "serifetch-cli go: --timeout needs seconds from 0 to 3600, not \"5000\" (time-outs are "
         "in seconds: 5000 ms is 5)"},
        {{"go", "--timeout=1,5"},
         2,
         "serifetch-cli go: --timeout needs seconds from 0 to 3600, not \"1,5\""},
        {{"go", "-q", "--verbose"},
         2,
         "serifetch-cli go: --quiet and --verbose exclude each other"},
        {{"go", "--quiet=yes"}, 2, "serifetch-cli go: --quiet takes no value"},
        {{"list-up", "--digits=2x"},
         2,
         "serifetch-cli list-up: --digits needs a whole number, not \"2x\""},
        {{"list-up", "-d", ""}, 2, "serifetch-cli list-up: --dir needs a folder"},
        {{"list-up", "extra"}, 2, "serifetch-cli list-up: unexpected argument \"extra\""},
        {{"show", "all"}, 2, "serifetch-cli show: unexpected argument \"all\""},
        {{"clear", "--forse"},
         2,
         "serifetch-cli clear: unknown option --forse; did you mean --force?"},
        {{"fetch"}, 2, "serifetch-cli fetch: no URL given"},
        {{"fetch", "http://h/p[5-1].jpg"},
         2,
         "serifetch-cli fetch: Column 12: the range starts after it ends (5 > 1)."},
        {{"fetch", "http://h/p[1-9:0].jpg"},
         2,
         "serifetch-cli fetch: Column 16: the step must be 1 or more."},
        {{"fetch", "http://h/p{a,b.jpg"},
         2,
         "serifetch-cli fetch: Column 11: the \"{\" is not closed by a \"}\"."},
        {{"fetch", "http://h/p[001-].jpg", "--misses", "0"},
         2,
         "serifetch-cli fetch: --misses needs a number from 1 to 100, not \"0\""},
        {{"fetch", "http://h/p[001-]/[1-3].jpg"},
         2,
         "serifetch-cli fetch: Column 11: only the last range may be open-ended."},
        {{"fetch", "http://h/"}, 2, "serifetch-cli fetch: the URL names no file: it ends in \"/\""},
        {{"fetch", "pic[1-2].jpg"},
         2,
         "serifetch-cli fetch: \"pic[1-2].jpg\" is not a URL (http://host/path)"},
        {{"get", url}, 2, "serifetch-cli get: -o FILE or -O is required"},
        {{"get", url, url, "-o", "x"}, 2, "serifetch-cli get: more than one URL"},
        {{"get", url, "-ox", "--proxy", "127.0.0.1:http"},
         2,
         "serifetch-cli get: --proxy needs HOST:PORT, not \"127.0.0.1:http\""},
        {{"get", url, "-o", "x", "--timeout", "-5"},
         2,
         "serifetch-cli get: --timeout needs seconds from 0 to 3600, not \"-5\""},
        {{"get", url, "-o", "x", "--header", "no colon"},
         2,
         "serifetch-cli get: --header needs 'NAME: VALUE', not \"no colon\""},
        {{"get", url, "-o", "x", "--referer", "http://a/", "--referer-base"},
         2,
         "serifetch-cli get: --referer and --referer-base exclude each other"},
        {{"go", "--cacert"}, 2, "serifetch-cli go: --cacert needs a value (FILE)"},
        {{"get", url, "-o", "x", "--verbos"},
         2,
         "serifetch-cli get: unknown option --verbos; did you mean --verbose?"},
        // Done as asked, but nothing came of it: a script must hear why.
        {{"go"}, 1, "serifetch-cli go: the job list is empty; add jobs with list-up or fetch"},
        {{"list-up", "--start", "5", "--end=1", "-d", outDir()},
         1,
         "serifetch-cli list-up: nothing added: the start number 5 is after the end number 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const auto run = cli(c.args);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.err.section('\n', 0, 0), QString::fromUtf8(c.firstLine));
        if (c.exitCode == 2) {
            EXPECT_EQ(run.out, "");
            EXPECT_TRUE(run.err.section('\n', 1, 1).startsWith("Try 'serifetch-cli "));
            EXPECT_FALSE(QFile::exists(listPath()));
            EXPECT_FALSE(QFile::exists(iniPath()));
        }
    }
}

TEST_F(CliProfileCommands, HelpAndVersion) {
    for (const char* version : {"--version", "-V"}) {
        const auto run = cli({version});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.out, "serifetch-cli 2.0\n");
    }
    auto run = cli({"-h"});
    EXPECT_EQ(run.exitCode, 0);
    for (const char* command : {"fetch", "list-up", "go", "show", "clear", "get"})
        EXPECT_TRUE(run.out.contains(QStringLiteral("\n  %1 ").arg(command))) << command;
    // Help wins over a mistake beside it.
    run = cli({"go", "--bogus", "-h"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.startsWith("Usage: serifetch-cli go [OPTIONS]\n"));
    EXPECT_TRUE(run.out.contains("\n      --interval MS         pause between jobs"))
        << run.out.toStdString();
    EXPECT_TRUE(run.out.contains(QString::fromUtf8("\n  130  stopped by Ctrl-C")));
    EXPECT_FALSE(QFile::exists(listPath()));
}

TEST_F(CliProfileCommands, UnusableFilesAndFoldersExitTwoAndSayWhich) {
    // A folder where a file should be cannot be read, even by root.
    ASSERT_TRUE(QDir(home()).mkdir("SeriData.txt"));
    for (const char* command : {"show", "clear", "list-up", "go"}) {
        SCOPED_TRACE(command);
        const auto run = cli({command});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.startsWith(QStringLiteral("serifetch-cli %1: ").arg(command)));
        EXPECT_TRUE(run.err.contains(listPath())) << run.err.toStdString();
    }
    ASSERT_TRUE(QDir(home()).rmdir("SeriData.txt"));

    ASSERT_TRUE(QDir(home()).mkdir("serifech.ini"));
    for (const char* command : {"list-up", "go"}) {
        SCOPED_TRACE(command);
        const auto run = cli({command});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_TRUE(run.err.contains(iniPath())) << run.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(listPath()));

    // A profile folder that cannot be made (its parent is a file).
    ASSERT_TRUE(testenv::writeFile(saveDir.filePath("plain"), "x"));
    const auto run = CliProcess(saveDir.filePath("plain/profile")).run({"clear"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.contains(saveDir.filePath("plain/profile"))) << run.err.toStdString();
}

TEST_F(CliProfileCommands, OneHolderOfTheProfileAtATime) {
    ASSERT_EQ(
        cli({"list-up", "--url", kBase, "--start", "1", "--end", "2", "--dir", outDir()}).exitCode,
        0);
    // Released on exit: the file stays, without a PID in it.
    EXPECT_EQ(testenv::readFile(homeDir.filePath("serifetch.lock")), "");
    const QByteArray list = testenv::readFile(listPath());

    // This test process stands in for the window holding the folder.
    auto window = std::make_unique<ProfileLock>(home());
    ASSERT_EQ(window->tryLock(), ProfileLock::Result::Acquired);
    const QString holder = QStringLiteral("in use by process %1").arg(qint64(getpid()));
    for (const char* command : {"list-up", "go", "clear"}) {
        SCOPED_TRACE(command);
        const auto run = cli({command});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.contains(holder)) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains("nothing was changed")) << run.err.toStdString();
    }
    EXPECT_EQ(testenv::readFile(listPath()), list);
    // show only reads, and says that the list may be behind.
    auto run = cli({"show"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.endsWith("2 jobs: untried 2\n"));
    EXPECT_TRUE(run.err.contains(holder)) << run.err.toStdString();

    window.reset();
    EXPECT_EQ(cli({"clear"}).exitCode, 0);

    // A lock file left by a holder that no longer runs is taken over.
    ASSERT_TRUE(testenv::writeFile(homeDir.filePath("serifetch.lock"), "999999999\n"));
    run = cli({"list-up"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
}

TEST(ProfileLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
    QTemporaryDir dir;
    ProfileLock first(dir.path());
    ProfileLock second(dir.path());
    EXPECT_EQ(first.filePath(), dir.filePath("serifetch.lock"));
    ASSERT_EQ(first.tryLock(), ProfileLock::Result::Acquired);
    EXPECT_EQ(first.tryLock(), ProfileLock::Result::Acquired) << "taking it again is harmless";
    EXPECT_EQ(testenv::readFile(first.filePath()), QByteArray::number(qint64(getpid())) + "\n");

    EXPECT_EQ(second.tryLock(), ProfileLock::Result::Busy);
    EXPECT_EQ(second.holderPid(), qint64(getpid()));
    EXPECT_FALSE(second.isLocked());

    first.unlock();
    EXPECT_FALSE(first.isLocked());
    EXPECT_EQ(second.tryLock(), ProfileLock::Result::Acquired);
    EXPECT_EQ(first.tryLock(), ProfileLock::Result::Busy);
}

TEST(ProfileLock, MissingFolderIsAnErrorThatNamesTheFile) {
    QTemporaryDir dir;
    ProfileLock lock(dir.filePath("not-there"));
    EXPECT_EQ(lock.tryLock(), ProfileLock::Result::Error);
    EXPECT_TRUE(lock.errorText().contains(dir.filePath("not-there/serifetch.lock")))
        << lock.errorText().toStdString();
    EXPECT_FALSE(lock.isLocked());
}
