// The window asked to end by a signal (a logout, `kill`, Ctrl-C, its terminal
// gone): it closes as File > Exit closes it, with a dialog open or not.
#include "app/status_mark.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace {

// Closing aborts the request, so it ends long before the slow file would.
constexpr int kClosedWithinMs = 30000;

QProcessEnvironment WithHome(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SERIFETCH_HOME", home);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    return env;
}

// Whether the process has a handler of its own for `signalNumber`: before
// that, the signal would end it the default way and prove nothing.
bool Catches(const QProcess& process, int signalNumber) {
    const QString status = QStringLiteral("/proc/%1/status").arg(process.processId());
    for (const QByteArray& line : testenv::readFile(status).split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) &
                    (quint64(1) << (signalNumber - 1))) != 0;
    }
    return false;
}

// The window leaves a signal alone that it was started with ignored (nohup, a
// background job of a shell without job control, as CI may run this): its
// children here start with the default actions, as from a terminal.
void DefaultSignals() {
    for (const int signalNumber : {SIGINT, SIGHUP, SIGTERM})
        std::signal(signalNumber, SIG_DFL);
}

// Signals a process that is still ours: never pid 0 or a reaped one.
bool Signal(const QProcess& process, int signalNumber) {
    return process.state() == QProcess::Running && process.processId() > 0 &&
           ::kill(pid_t(process.processId()), signalNumber) == 0;
}

// Whether the window ended in time; one still open is killed, so that a
// failing test never leaves it behind.
bool EndsAfterTheSignal(QProcess& window) {
    const bool ended = window.waitForFinished(kClosedWithinMs);
    if (!ended) {
        window.kill();
        window.waitForFinished();
    }
    return ended;
}

struct DuringRun {
    const char* name;
    int signalNumber;
    bool dialogOpen;
};

class WindowSignal : public ::testing::TestWithParam<DuringRun> {};

TEST_P(WindowSignal, DuringARunAbortsTheRequestAndSavesAsExitDoes) {
    const DuringRun& row = GetParam();
    DefaultSignals();
    QTemporaryDir www, home, out;
    ASSERT_TRUE(testenv::writeFile(www.filePath("f1.bin"), QByteArray(3000, 'a')));
    ASSERT_TRUE(QDir(www.path()).mkdir("slow"));
    ASSERT_TRUE(testenv::writeFile(www.filePath("slow/big.bin"), QByteArray(4 << 20, 'b')));
    NginxFixture nginx(www.path(), "location /slow/ { limit_rate 64k; }");
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    const std::vector<Job> jobs = {
        {QString(), nginx.baseUrl() + "f1.bin", out.filePath("f1.bin")},
        {QString(), nginx.baseUrl() + "slow/big.bin", out.filePath("big.bin")},
    };
    const QString list = home.filePath("SeriData.txt");
    ASSERT_EQ(JobListFile::save(list, jobs), "");

    // Put into the head box after the start: only closing stores it.
    const QString typed = QStringLiteral("typed-after-start");
    QProcess window;
    window.setProcessEnvironment(WithHome(home.path()));
    QStringList args;
    if (row.dialogOpen)
        args << "--about";
    window.start(QStringLiteral(WINDOW_RUN_CHILD_PATH), args << typed);
    ASSERT_TRUE(window.waitForStarted());
    ASSERT_TRUE(testenv::waitUntil(
        [&] { return QFileInfo(out.filePath("big.bin.part")).size() > 0; }, 20000))
        << window.readAllStandardError().constData();
    ASSERT_TRUE(Catches(window, row.signalNumber));
    ASSERT_TRUE(Signal(window, row.signalNumber));
    ASSERT_TRUE(EndsAfterTheSignal(window)) << "still open after the signal";

    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 0) << window.readAllStandardError().constData();
    const SettingsFile::LoadResult stored = SettingsFile::load(home.filePath("serifech.ini"));
    EXPECT_EQ(stored.settings.head, typed);
    EXPECT_TRUE(stored.settings.window.geometry.isValid()) << "the layout is kept";
    const JobList saved = JobListFile::load(list).jobs;
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].status, StatusMark::Done);
    EXPECT_EQ(saved[1].status, StatusMark::Requested) << "the next run fetches it again";
    // The cut file stays a part, with what the next run resumes it by.
    EXPECT_FALSE(QFileInfo::exists(out.filePath("big.bin")));
    EXPECT_TRUE(QFileInfo::exists(out.filePath("big.bin.part")));
    EXPECT_TRUE(QFileInfo::exists(out.filePath("big.bin.part.resume")));
}

INSTANTIATE_TEST_SUITE_P(Signals, WindowSignal,
                         ::testing::Values(DuringRun{"Term", SIGTERM, false},
                                           DuringRun{"IntOverTheAboutBox", SIGINT, true},
                                           DuringRun{"HupOverTheAboutBox", SIGHUP, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// The program's own start: a signal while the question to split a file URL
// waits, before the event loop runs, declines it and still saves.
TEST(WindowSignalAtStart, QuestionOpenBeforeTheLoopIsDeclinedAndTheInputsSaved) {
    DefaultSignals();
    QTemporaryDir home;
    const QString fileUrl = QStringLiteral("http://127.0.0.1:9/pics/img07.jpg");
    QProcess window;
    window.setProcessEnvironment(WithHome(home.path()));
    window.start(QStringLiteral(SERIFETCH_PATH), {fileUrl});
    ASSERT_TRUE(window.waitForStarted());
    ASSERT_TRUE(testenv::waitUntil([&] { return Catches(window, SIGTERM); }, 20000))
        << window.readAllStandardError().constData();
    ASSERT_TRUE(Signal(window, SIGTERM));
    ASSERT_TRUE(EndsAfterTheSignal(window)) << "still open after the signal";

    EXPECT_EQ(window.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(window.exitCode(), 0);
    EXPECT_TRUE(window.readAllStandardError().contains("Terminated"));
    // Only closing writes the layout; the start wrote a bare file.
    const Settings stored = SettingsFile::load(home.filePath("serifech.ini")).settings;
    EXPECT_TRUE(stored.window.geometry.isValid());
    // Not split: the question was answered "no".
    EXPECT_EQ(stored.head, Settings().head);
    EXPECT_TRUE(QFileInfo::exists(home.filePath("SeriData.txt")));
}

} // namespace
