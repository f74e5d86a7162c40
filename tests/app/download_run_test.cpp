// The run's rules, driven tick by tick: the timer is armed with an interval
// no test reaches, and each test fires the ticks itself, so it can count them
// and look at the grid between two of them.
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/run_panels.h"
#include "app/status_mark.h"
#include "tests/app/download_run_scripted_client.h"
#include "tests/app/run_marks.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <limits>
#include <memory>

namespace {

using Outcome = ScriptedClient::Outcome;

class DownloadRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        run = std::make_unique<DownloadRun>(grid, client);
        run->SetTickInterval(24 * 3600 * 1000);
        QObject::connect(run.get(), &DownloadRun::messageRequested,
                         [this](const QString& text) { messages << text; });
        panelTexts = std::make_unique<RunPanels>(*run, grid);
        QObject::connect(panelTexts.get(), &RunPanels::panelTextChanged,
                         [this](int panel, const QString& text) { panels[panel] = text; });
        QObject::connect(run.get(), &DownloadRun::runFinished,
                         [this](DownloadRun::End end) { ends.push_back(end); });
    }

    QString Url(int n) const { return QStringLiteral("http://h/f%1").arg(n); }
    QString Path(int n) const { return dir.filePath(QStringLiteral("f%1").arg(n)); }

    /// Jobs f1..fN with the given marks (missing marks are empty).
    void AddJobs(int count, const QStringList& marks = {}) {
        std::vector<Job> jobs;
        for (int n = 1; n <= count; ++n)
            jobs.push_back(Job{n <= marks.size() ? marks[n - 1] : QString(), Url(n), Path(n)});
        grid.Append(std::move(jobs));
    }

    QStringList Marks() const { return MarksOf(grid); }

    /// One tick; a request it starts is let run to its end (not one that
    /// was under way already: a tick from inside a request only looks).
    void Tick() {
        const bool requesting = run->Requesting();
        run->Timer1Timer();
        if (!requesting)
            testenv::waitUntil([this] { return !run->Requesting(); }, 5000);
    }

    /// Ticks while the timer is armed; the number of ticks, or -1 when the
    /// run had not ended after `limit` of them.
    int TickToEnd(int limit = 1000) {
        for (int ticks = 0; ticks < limit; ++ticks) {
            if (!run->Ticking())
                return ticks;
            Tick();
        }
        return -1;
    }

    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient client;
    std::unique_ptr<DownloadRun> run;
    std::unique_ptr<RunPanels> panelTexts;
    QStringList messages;
    QString panels[2];
    std::vector<DownloadRun::End> ends;
};

TEST_F(DownloadRunTest, GoOnAnEmptyListOnlySaysSoAndStopWithoutARunDoesNothing) {
    run->GoButtonClick();
    EXPECT_EQ(messages, QStringList{QStringLiteral("登録されていません")});
    EXPECT_FALSE(run->Running());
    // A stop with nothing to stop must not stop the next run at its start.
    run->CancelBtnClick();
    EXPECT_FALSE(run->CancelRequested());
    AddJobs(1);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(Marks(), QStringList{kDone});
}

TEST_F(DownloadRunTest, FinishedMarksArePassedOverOneRowPerTick) {
    run->SetSmallResultCheck(false);
    AddJobs(4, {kDone, kSkipped, kSmall, kFailed});
    run->GoButtonClick();
    for (int row = 1; row <= 4; ++row) {
        EXPECT_EQ(run->CurrentRow(), row);
        Tick();
    }
    EXPECT_EQ(run->CurrentRow(), 5);
    EXPECT_TRUE(messages.isEmpty());
    Tick();
    EXPECT_FALSE(run->Running());
    EXPECT_TRUE(client.requested.isEmpty());
    EXPECT_EQ(Marks(), (QStringList{kDone, kSkipped, kSmall, kFailed}));
    EXPECT_EQ(messages, QStringList{QStringLiteral("登録されていたすべてのダウンロード完了")});
    EXPECT_EQ(panels[0], QStringLiteral("完了："));
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0], DownloadRun::End::Completed);
}

TEST_F(DownloadRunTest, FetchesEmptyInterruptedAndGivenUpJobsInOrder) {
    AddJobs(4, {"", kRequested, kGivenUp, kDone});
    run->SetSmallResultCheck(false);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, (QStringList{Url(1), Url(2), Url(3)}));
    EXPECT_EQ(Marks(), (QStringList{kDone, kDone, kDone, kDone}));
    EXPECT_EQ(testenv::readFile(Path(3)), QByteArray("data"));
    EXPECT_EQ(panels[0], QStringLiteral("完了："));
    EXPECT_EQ(messages.size(), 1);
}

TEST_F(DownloadRunTest, PanelsFollowTheRequest) {
    AddJobs(1);
    client.replies[Url(1)].during = [this] {
        EXPECT_EQ(panels[0], QStringLiteral("ダウンロード中：f1"));
        EXPECT_EQ(panels[1], QStringLiteral("転送開始"));
        EXPECT_EQ(grid.Status(1), kRequested);
        client.status = QStringLiteral("Connecting");
        run->NMHTTP1Status();
        EXPECT_EQ(panels[0], QStringLiteral("Connecting"));
    };
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(panels[1], QStringLiteral("Bytes：4 / 4 (100%)"));
}

TEST_F(DownloadRunTest, SkipsEveryExistingFileWithoutRequesting) {
    AddJobs(3);
    for (int n = 1; n <= 3; ++n)
        ASSERT_TRUE(testenv::writeFile(Path(n), "present"));
    run->SetSkipExisting(true);
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(grid.Status(1), kSkipped);
    EXPECT_TRUE(run->SkipPending());
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_TRUE(client.requested.isEmpty());
    EXPECT_EQ(Marks(), (QStringList{kSkipped, kSkipped, kSkipped}));
    EXPECT_EQ(messages.size(), 1);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(testenv::readFile(Path(n)), QByteArray("present"));
}

TEST_F(DownloadRunTest, EmptyResultIsGivenUpOnTheEleventhExaminingTickWhileLaterJobsWait) {
    AddJobs(3);
    client.replies[Url(1)].body = "";
    run->GoButtonClick();
    Tick(); // fetches job 1: an empty file
    EXPECT_EQ(grid.Status(1), kDone);
    ASSERT_TRUE(QFileInfo::exists(Path(1)));

    for (int examined = 1; examined <= 10; ++examined) {
        Tick();
        EXPECT_EQ(grid.Status(1), kSmall) << "tick " << examined;
        EXPECT_EQ(run->RetryCount(), examined);
        EXPECT_TRUE(run->RetryActive());
        EXPECT_EQ(run->CurrentRow(), 2);
        EXPECT_EQ(client.requested.size(), 1) << "job 2 was fetched during the cycle";
    }
    EXPECT_FALSE(QFileInfo::exists(Path(1)));
    Tick(); // the eleventh: gives up and goes on with job 2 in the same tick
    EXPECT_EQ(grid.Status(1), kGivenUp);
    EXPECT_EQ(client.requested, (QStringList{Url(1), Url(2)}));
    EXPECT_EQ(grid.Status(2), kDone);
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(Marks(), (QStringList{kGivenUp, kDone, kDone}));
}

TEST_F(DownloadRunTest, OnlyARequestJustEndedWaitsTheIntervalBeforeTheNextTick) {
    const int pause = 24 * 3600 * 1000;
    const int check = pause / 10; // the cycle's ten checks make one pause
    struct Case {
        const char* name;
        QStringList marks;
        QByteArray firstBody;
        bool skipExisting;
        Outcome firstOutcome;
        std::vector<int> waits; ///< armed after Go, then after each tick
    };
    const std::vector<Case> cases{
        {"finished, stepped and failed jobs: at once",
         {kDone, kSmall, kFailed, kSkipped},
         "data",
         false,
         Outcome::Success,
         {pause, 0, 0, 0, 0}},
        {"an existing file skipped: at once",
         {"", ""},
         "data",
         true,
         Outcome::Success,
         {pause, 0, 0}},
        {"two requests: a pause after each",
         {"", ""},
         "data",
         false,
         Outcome::Success,
         {pause, pause, pause}},
        {"a failure: a pause, then its mark passed over at once",
         {"", kDone},
         "data",
         false,
         Outcome::Failure,
         {pause, pause, 0, 0}},
        {"an empty result: ten checks of a tenth each, then the next request",
         {"", ""},
         "",
         false,
         Outcome::Success,
         {pause, pause, check, check, check, check, check, check, check, check, check, check,
          pause}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        grid.Clear();
        client.replies.clear();
        AddJobs(int(c.marks.size()), c.marks);
        for (int n = 1; n <= c.marks.size(); ++n)
            QFile::remove(Path(n));
        for (int n = 1; c.skipExisting && n <= c.marks.size(); ++n)
            ASSERT_TRUE(testenv::writeFile(Path(n), "present, more than nothing"));
        run->SetSkipExisting(c.skipExisting);
        run->SetSmallResultCheck(c.firstBody.isEmpty());
        client.replies[Url(1)].body = c.firstBody;
        client.replies[Url(1)].outcome = c.firstOutcome;
        run->GoButtonClick();
        std::vector<int> seen;
        while (run->Ticking() && seen.size() < 20) {
            seen.push_back(run->ArmedWaitMs());
            Tick();
        }
        EXPECT_EQ(seen, c.waits);
        EXPECT_FALSE(run->Running());
    }
}

TEST_F(DownloadRunTest, EmptyResultStaysDoneWithoutTheCheck) {
    AddJobs(2);
    client.replies[Url(1)].body = "";
    run->SetSmallResultCheck(false);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(Marks(), (QStringList{kDone, kDone}));
    EXPECT_TRUE(QFileInfo::exists(Path(1)));
}

TEST_F(DownloadRunTest, LimitIsInKilobytesAndInclusive) {
    run->SetSmallResultLimitKB(2);
    for (const qint64 size : {2048, 2049}) {
        SCOPED_TRACE(size);
        grid.Clear();
        AddJobs(2);
        client.replies[Url(1)].body = QByteArray(size, 'a');
        run->GoButtonClick();
        Tick();
        Tick(); // examines job 1
        const bool small = size <= 2048;
        EXPECT_EQ(grid.Status(1), small ? kSmall : kDone);
        EXPECT_EQ(QFileInfo::exists(Path(1)), !small);
        EXPECT_EQ(grid.Status(2), small ? QString() : kDone);
    }
}

TEST_F(DownloadRunTest, FirstJobIsExaminedOnlyOnceCurrentRowIsTwo) {
    AddJobs(2, {kDone, kDone});
    ASSERT_TRUE(testenv::writeFile(Path(1), ""));
    run->GoButtonClick();
    Tick(); // CurrentRow 1: nothing before it to examine
    EXPECT_TRUE(QFileInfo::exists(Path(1)));
    EXPECT_EQ(grid.Status(1), kDone);
    EXPECT_EQ(run->CurrentRow(), 2);
    Tick();
    EXPECT_FALSE(QFileInfo::exists(Path(1)));
    EXPECT_EQ(grid.Status(1), kSmall);
}

TEST_F(DownloadRunTest, SkippedSmallFileIsDeletedByTheNextTick) {
    AddJobs(2);
    ASSERT_TRUE(testenv::writeFile(Path(1), QByteArray(100, 'x')));
    ASSERT_TRUE(testenv::writeFile(Path(2), QByteArray(5000, 'y')));
    run->SetSkipExisting(true);
    run->SetSmallResultLimitKB(1);
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(grid.Status(1), kSkipped);
    Tick();
    EXPECT_EQ(grid.Status(1), kSmall);
    EXPECT_FALSE(QFileInfo::exists(Path(1)));
    EXPECT_TRUE(client.requested.isEmpty());
}

TEST_F(DownloadRunTest, ASavedSizeIsTrustedOnceAndTheNextRunLooksAgain) {
    AddJobs(2);
    // The client says it saved more than the ten bytes it left.
    client.replies[Url(1)] = {Outcome::Success, "10 bytes.."};
    client.replies[Url(1)].saved = 3000;
    client.replies[Url(2)] = {Outcome::Success, QByteArray(2000, 'x')};
    run->SetSmallResultLimitKB(1);
    QStringList marksOfJob1;
    QObject::connect(run.get(), &DownloadRun::jobMarked,
                     [&](JobGrid::JobId, int row, JobList::Mark mark) {
                         if (row == 1)
                             marksOfJob1 << StatusMark::Glyph(mark);
                     });
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(marksOfJob1, (QStringList{kRequested, kDone}));
    marksOfJob1.clear();
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    ASSERT_FALSE(marksOfJob1.isEmpty());
    EXPECT_EQ(marksOfJob1.front(), kSmall) << "the file was looked at";
}

TEST_F(DownloadRunTest, StopDuringARequestLetsItFinishThenStops) {
    for (const Outcome outcome : {Outcome::Success, Outcome::Failure}) {
        SCOPED_TRACE(outcome == Outcome::Success ? "success" : "failure");
        grid.Clear();
        client.requested.clear();
        ends.clear();
        AddJobs(3);
        client.replies[Url(1)] = {outcome, "data", {}, [this] {
                                      run->CancelBtnClick();
                                      EXPECT_EQ(panels[0], QStringLiteral("中断処理中：f1"));
                                  }};
        run->SetSmallResultCheck(false);
        run->GoButtonClick();
        Tick();
        EXPECT_EQ(grid.Status(1), outcome == Outcome::Success ? kDone : kFailed);
        EXPECT_TRUE(run->CancelRequested());
        EXPECT_TRUE(run->Ticking());
        Tick();
        EXPECT_EQ(panels[0], QStringLiteral("中断しました"));
        EXPECT_FALSE(run->Running());
        EXPECT_FALSE(run->CancelRequested());
        EXPECT_EQ(client.requested, QStringList{Url(1)});
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0], DownloadRun::End::Cancelled);
    }
}

TEST_F(DownloadRunTest, AServerThatAsksToBeLeftAloneIsWaitedForAndTheJobFetchedAgain) {
    const auto slowDown = [](qint64 seconds) {
        return ScriptedClient::Reply{
            Outcome::Failure, "busy", {}, {}, QStringLiteral("HTTP/1.1 503 Service Unavailable"),
            seconds};
    };
    struct Case {
        const char* name;
        qint64 asked;            // what each reply's Retry-After says (0: nothing)
        int replies;             // how many such replies before a success
        std::vector<int> waitsS; // the waits armed, in order
        const char* panel;       // panel 0 during the first wait
        QString end;             // the job's mark at the end
    };
    const Case cases[] = {
        {"Retry-After", 2, 1, {2}, "waiting for host (Retry-After 2 s)", kDone},
        {"capped", 100000, 1, {300}, "waiting for host (Retry-After 300 s)", kDone},
        {"back-off doubles to its bound",
         0,
         8,
         {1, 2, 4, 8, 16, 32, 60, 60},
         "waiting for host (back-off 1 s)",
         kDone},
        {"a failure after eight",
         0,
         9,
         {1, 2, 4, 8, 16, 32, 60, 60},
         "waiting for host (back-off 1 s)",
         kFailed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // A fresh run each time: the back-off is the run's memory.
        panelTexts.reset();
        run.reset(); // it lets go of the client's events
        run = std::make_unique<DownloadRun>(grid, client);
        panelTexts = std::make_unique<RunPanels>(*run, grid);
        QObject::connect(panelTexts.get(), &RunPanels::panelTextChanged,
                         [this](int panel, const QString& text) { panels[panel] = text; });
        run->SetTickInterval(24 * 3600 * 1000);
        run->SetSmallResultCheck(false);
        grid.Clear();
        AddJobs(1);
        int left = c.replies;
        ScriptedClient::Reply busy = slowDown(c.asked);
        busy.during = [&] {
            if (--left == 0)
                client.replies[Url(1)] = ScriptedClient::Reply{};
        };
        client.replies[Url(1)] = busy;
        run->GoButtonClick();
        std::vector<int> waits;
        for (int tick = 0;
             tick < 20 && run->Ticking() && grid.Status(1) != kDone && grid.Status(1) != kFailed;
             ++tick) {
            Tick();
            if (grid.Status(1) == kRequested && run->Ticking()) {
                if (waits.empty()) {
                    EXPECT_EQ(panels[0], QString::fromUtf8(c.panel));
                }
                waits.push_back(run->ArmedWaitMs() / 1000);
            }
        }
        EXPECT_EQ(waits, c.waitsS);
        EXPECT_EQ(grid.Status(1), c.end);
        EXPECT_EQ(run->RetryCount(), 0);
    }

    // --rate: the next start to the same server waits for its turn, one to
    // another server does not.
    run->SetTickInterval(0);
    run->SetSmallResultCheck(true);
    run->SetRateLimit(2);
    grid.Clear();
    client.replies.clear();
    client.requested.clear();
    std::vector<Job> jobs{{{}, QStringLiteral("http://a/1"), Path(1)},
                          {{}, QStringLiteral("http://a/2"), Path(2)},
                          {{}, QStringLiteral("http://b/3"), Path(3)}};
    grid.Append(std::move(jobs));
    client.replies[QStringLiteral("http://a/1")].body = QByteArray(2048, 'x');
    run->GoButtonClick();
    Tick();
    ASSERT_EQ(grid.Status(1), kDone);
    Tick();
    EXPECT_EQ(grid.Status(2), QString());
    EXPECT_GT(run->ArmedWaitMs(), 0);
    EXPECT_LE(run->ArmedWaitMs(), 500);
    QThread::msleep(run->ArmedWaitMs()); // the tick is called here, not by the timer
    Tick();
    EXPECT_EQ(grid.Status(2), kDone);
    EXPECT_EQ(run->RetryCount(), 0);
    Tick();
    EXPECT_EQ(grid.Status(3), kDone);
    EXPECT_EQ(client.requested, (QStringList{"http://a/1", "http://a/2", "http://b/3"}));
    run->SetRateLimit(0);
    run->SetTickInterval(24 * 3600 * 1000);

    // "Stop!" does not wait out what the server asked for.
    grid.Clear();
    AddJobs(1);
    client.replies[Url(1)] = slowDown(60);
    run->GoButtonClick();
    Tick();
    ASSERT_EQ(run->ArmedWaitMs(), 60'000);
    run->CancelBtnClick();
    EXPECT_EQ(run->ArmedWaitMs(), 0);
    Tick();
    EXPECT_EQ(panels[0], QStringLiteral("中断しました"));
    EXPECT_EQ(grid.Status(1), kRequested);
}

TEST_F(DownloadRunTest, FailureGivesUpOnlyFromRetryCountSix) {
    // RetryCount is reached the way a run reaches it: an empty first
    // result opens a cycle, which the user ends by turning the check off.
    for (const int retries : {5, 6}) {
        SCOPED_TRACE(retries);
        grid.Clear();
        AddJobs(3);
        client.replies[Url(1)].body = "";
        client.replies[Url(2)].outcome = Outcome::Failure;
        run->SetSmallResultCheck(true);
        run->GoButtonClick();
        Tick();
        while (run->RetryCount() < retries)
            Tick();
        run->SetSmallResultCheck(false);
        Tick(); // CurrentRow 2: fetches job 2, which fails
        EXPECT_EQ(grid.Status(2), retries >= 6 ? kGivenUp : kFailed);
        EXPECT_EQ(run->CurrentRow(), retries >= 6 ? 3 : 2);
        EXPECT_EQ(run->RetryCount(), retries);
        EXPECT_EQ(run->RetryActive(), retries < 6);
        EXPECT_TRUE(run->Ticking());
    }
}

TEST_F(DownloadRunTest, EveryFailureKeepsItsReasonUntilTheJobIsFetchedAgain) {
    AddJobs(3);
    client.replies[Url(1)].outcome = Outcome::Failure;
    client.replies[Url(2)] = {Outcome::Throw, {}, QStringLiteral("10061:Connection refused")};
    client.replies[Url(3)].outcome = Outcome::None;
    QStringList told;
    QObject::connect(run.get(), &DownloadRun::jobMarked,
                     [&](JobGrid::JobId, int, JobList::Mark mark, const QString& reason) {
                         if (!reason.isEmpty())
                             told << StatusMark::Glyph(mark) + " " + reason;
                     });
    run->SetSmallResultCheck(false);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(Marks(), (QStringList{kFailed, kFailed, kFailed}));
    const QStringList reasons{"HTTP/1.0 404 Not Found", "10061:Connection refused",
                              "The request ended without an outcome"};
    for (int row = 1; row <= 3; ++row)
        EXPECT_EQ(grid.Reason(row), reasons[row - 1]) << row;
    EXPECT_EQ(grid.data(grid.index(0, JobGrid::StatusColumn), Qt::ToolTipRole).toString(),
              reasons[0]);
    EXPECT_EQ(told, (QStringList{kFailed + " " + reasons[0], kFailed + " " + reasons[1],
                                 kFailed + " " + reasons[2]}));
    EXPECT_EQ(client.newRuns, 1) << "the client forgets the last run's cookies";

    // Fetched again and done, the job has no reason any more; a result too
    // small keeps why.
    grid.SetStatus(1, QString());
    client.replies[Url(1)] = {Outcome::Success, ""};
    told.clear();
    run->SetSmallResultCheck(true);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(grid.Status(1), kGivenUp);
    EXPECT_EQ(grid.Reason(1), "The saved file is empty (given up after 10 checks)");
    EXPECT_EQ(told.first(), kSmall + " The saved file is empty");
    // The failed job after it claims no file: the check passes it by, and it
    // keeps its mark and its own reason.
    EXPECT_EQ(grid.Status(2), kFailed);
    EXPECT_EQ(grid.Reason(2), reasons[1]);
}

// What a run makes of failures: each row a list of jobs, the client's
// answers, the retries setting; then the marks, reasons and the requests the
// client saw, in order.
TEST_F(DownloadRunTest, AFailureEndsAsAFailureTriedAgainOnlyWhenAnotherTryCanHelp) {
    using JobPolicy::Failure;
    struct Answer {
        Outcome outcome = Outcome::Success;
        Failure kind = Failure::Final;
        QString reason = {};
        int times = 1000; ///< then it answers with success
    };
    struct Row {
        const char* name;
        std::vector<QString> hosts; ///< one job per host, f1, f2, ...
        std::vector<Answer> answers;
        int retries;
        QStringList marks;
        QStringList reasons;
        QStringList requested;    ///< the job of each request in order, as "1 1 2"
        QList<int> existing = {}; ///< jobs whose file is there before ("skip existing" is on)
        bool retried = false;     ///< every job marked to be fetched again
    };
    const Answer ok{};
    const Answer notFound{Outcome::Failure, Failure::Final, "HTTP/1.1 404 Not Found"};
    const Answer reset{Outcome::Throw, Failure::Transient, "Connection reset by h:80"};
    const Answer resetOnce{Outcome::Throw, Failure::Transient, "Connection reset by h:80", 1};
    const Answer refused{Outcome::Throw, Failure::Connect, "Connection refused by h:80"};
    const Answer busy{Outcome::Failure, Failure::Transient, "HTTP/1.1 502 Bad Gateway"};
    const QString notTried = "not tried: h:80 refused 3 connections";
    const std::vector<Row> rows = {
        {"a 404 is asked once and keeps its reason, nothing more",
         {"h", "h"},
         {notFound, ok},
         2,
         {kFailed, kDone},
         {"HTTP/1.1 404 Not Found", ""},
         {"1", "2"}},
        {"a reset that goes through the second time",
         {"h", "h"},
         {resetOnce, ok},
         2,
         {kDone, kDone},
         {"", ""},
         {"1", "1", "2"}},
        {"a 502 every time: given up after three tries, the next job goes on",
         {"h", "h"},
         {busy, ok},
         2,
         {kGivenUp, kDone},
         {"HTTP/1.1 502 Bad Gateway after 3 tries", ""},
         {"1", "1", "1", "2"}},
        {"without retries a reset is a failure as ever",
         {"h", "h"},
         {reset, ok},
         0,
         {kFailed, kDone},
         {"Connection reset by h:80", ""},
         {"1", "2"}},
        {"a refusing address: three failed tries, its other jobs untried, other hosts go on",
         {"h", "h", "h", "h", "other"},
         {refused, refused, refused, refused, ok},
         0,
         {kFailed, kFailed, kFailed, "", kDone},
         {"Connection refused by h:80", "Connection refused by h:80", "Connection refused by h:80",
          notTried, ""},
         {"1", "2", "3", "5"}},
        {"with retries the first job takes the three tries",
         {"h", "h", "h", "other"},
         {refused, refused, refused, ok},
         2,
         {kGivenUp, "", "", kDone},
         {"Connection refused by h:80 after 3 tries", notTried, notTried, ""},
         {"1", "1", "1", "4"}},
        {"a job whose file is there is skipped, not left untried",
         {"h", "h", "h", "h", "h"},
         {refused, refused, refused, refused, refused},
         0,
         {kFailed, kFailed, kFailed, kSkipped, ""},
         {"Connection refused by h:80", "Connection refused by h:80", "Connection refused by h:80",
          "", notTried},
         {"1", "2", "3"},
         {4}},
        {"jobs retried by hand still stop at an address that is down",
         {"h", "h", "h", "h", "h"},
         {refused, refused, refused, refused, refused},
         0,
         {kFailed, kFailed, kFailed, "", ""},
         {"Connection refused by h:80", "Connection refused by h:80", "Connection refused by h:80",
          notTried, notTried},
         {"1", "2", "3"},
         {1, 2, 3, 4, 5},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        grid.Clear();
        client.requested.clear();
        client.replies.clear();
        for (int n = 1; n <= 5; ++n)
            QFile::remove(Path(n));
        std::vector<Job> jobs;
        QHash<QString, int> jobOf;
        for (size_t i = 0; i < row.hosts.size(); ++i) {
            const QString url = QStringLiteral("http://%1/f%2").arg(row.hosts[i]).arg(i + 1);
            jobs.push_back(Job{QString(), url, Path(int(i) + 1)});
            jobOf.insert(url, int(i) + 1);
            const Answer& answer = row.answers[i];
            ScriptedClient::Reply reply{answer.outcome};
            reply.error = QStringLiteral("Connection Failed");
            reply.reason = answer.reason;
            reply.kind = answer.kind;
            reply.failureReason = answer.reason;
            if (answer.times == 1)
                reply.during = [this, url] { client.replies[url] = {Outcome::Success}; };
            client.replies.insert(url, reply);
        }
        grid.Append(std::move(jobs));
        for (const int n : row.existing)
            ASSERT_TRUE(testenv::writeFile(Path(n), "old"));
        if (row.retried)
            for (int r = 1; r < grid.NextRow(); ++r)
                grid.SetRefetch(r);
        run->SetRetries(row.retries);
        run->SetSkipExisting(true);
        run->SetSmallResultCheck(true);
        run->GoButtonClick();
        EXPECT_GE(TickToEnd(), 0);
        EXPECT_EQ(Marks(), row.marks);
        QStringList reasons;
        for (int r = 1; r < grid.NextRow(); ++r)
            reasons << grid.Reason(r);
        EXPECT_EQ(reasons, row.reasons);
        QStringList requested;
        for (const QString& url : client.requested)
            requested << QString::number(jobOf.value(url));
        EXPECT_EQ(requested, row.requested);
        for (int r = 1; r < grid.NextRow(); ++r)
            EXPECT_EQ(QFileInfo::exists(Path(r)),
                      grid.Status(r) == kDone || row.existing.contains(r))
                << r;
        // A job left untried is still one to fetch from the server.
        for (int r = 1; r < grid.NextRow(); ++r)
            EXPECT_EQ(grid.Refetch(grid.IdAt(r)), row.retried && grid.Status(r).isEmpty()) << r;
    }
}

TEST_F(DownloadRunTest, StopDuringARequestThatFailsForNowDoesNotWaitOutTheBackOff) {
    AddJobs(2);
    client.replies[Url(1)] = {Outcome::Throw};
    client.replies[Url(1)].kind = JobPolicy::Failure::Transient;
    client.replies[Url(1)].failureReason = "Connection reset by h:80";
    client.replies[Url(1)].during = [this] { run->CancelBtnClick(); };
    run->SetRetries(2);
    run->GoButtonClick();
    Tick();
    // Stopped already, or about to at once: not after the 1 s back-off.
    EXPECT_TRUE(!run->Ticking() || run->ArmedWaitMs() == 0) << run->ArmedWaitMs();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(ends, std::vector<DownloadRun::End>{DownloadRun::End::Cancelled});
    EXPECT_EQ(Marks(), (QStringList{kRequested, ""})) << "fetched again by the next run";
}

TEST_F(DownloadRunTest, AJobAimedAtHiddenFilesFailsUnlessTheUserAgreed) {
    ASSERT_TRUE(QDir(dir.path()).mkdir(".config"));
    grid.Append(JobList({Job{"", Url(1), Path(1)},
                         Job{"", Url(2), dir.filePath(".config/autostart.desktop")},
                         Job{"", Url(3), dir.path() + "/sub/../f3"}}));
    run->SetSmallResultCheck(true);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, QStringList{Url(1)});
    EXPECT_EQ(Marks(), (QStringList{kDone, kFailed, kFailed}));
    EXPECT_EQ(grid.Reason(2), "Refused: the path leads into the hidden \".config\"");
    EXPECT_EQ(grid.Reason(3), "Refused: the path goes up a folder with \"..\"");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(".config/autostart.desktop")));

    // Agreed to: fetched as any other job.
    grid.SetStatus(2, QString());
    run->SetRefuseHiddenPaths(false);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(grid.Status(2), kDone);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".config/autostart.desktop")));
}

TEST_F(DownloadRunTest, RetryAsksTheServerWhateverSkipExistingWouldSay) {
    AddJobs(3, {kFailed, kGivenUp, kFailed});
    // Old whole files at the paths of two failed jobs, and of none retried.
    ASSERT_TRUE(testenv::writeFile(Path(1), "old one"));
    ASSERT_TRUE(testenv::writeFile(Path(2), "old two"));
    grid.Append(Job{QString(), QStringLiteral("http://h/f4"), Path(4)});
    ASSERT_TRUE(testenv::writeFile(Path(4), "kept"));
    client.replies[Url(1)] = {Outcome::Success, "new one"};
    client.replies[Url(2)] = {Outcome::Failure, "error page"};
    EXPECT_EQ(ListEdits::ClearMarks(grid, 1, 2), 2);
    run->SetSkipExisting(true);
    run->SetSmallResultCheck(true);
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, (QStringList{Url(1), Url(2)}));
    EXPECT_EQ(Marks(), (QStringList{kDone, kFailed, kFailed, kSkipped}));
    EXPECT_EQ(testenv::readFile(Path(1)), "new one");
    EXPECT_EQ(testenv::readFile(Path(2)), "old two") << "a failure leaves the old file alone";
    EXPECT_EQ(testenv::readFile(Path(4)), "kept");

    // Once the job had its outcome, "skip existing" holds for it again.
    grid.SetStatus(1, QString());
    client.requested.clear();
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_TRUE(client.requested.isEmpty());
    EXPECT_EQ(grid.Status(1), kSkipped);
}

TEST_F(DownloadRunTest, AWebPageSavedUnderAPicturesNameIsNoResult) {
    // By the file's first bytes, whatever the server called it.
    const QByteArray page = "\xEF\xBB\xBF\r\n  <!DOCTYPE html><html><body>Not here</body></html>";
    const struct {
        const char* name;
        QByteArray body;
        QString mark;
    } cases[] = {{"pic01.jpg", page, kGivenUp},
                 {"page01.html", page, kDone},
                 {"pic02.JPG", "<?xml version=\"1.0\"?><error/>", kGivenUp},
                 {"pic03.jpg", "\xFF\xD8\xFF\xE0 a real picture", kDone},
                 {"clip.mp4", "<html>", kGivenUp},
                 {"logo.svg", "<?xml version=\"1.0\"?><svg/>", kDone},
                 {"last.txt", "", kDone}};
    std::vector<Job> jobs;
    for (const auto& c : cases) {
        const QString url = QStringLiteral("http://h/") + c.name;
        jobs.push_back({QString(), url, dir.filePath(c.name)});
        client.replies[url].body = c.body;
    }
    grid.Append(std::move(jobs));
    run->GoButtonClick();
    EXPECT_GE(TickToEnd(), 0);
    for (int row = 1; row < int(std::size(cases)); ++row) {
        SCOPED_TRACE(cases[row - 1].name);
        EXPECT_EQ(grid.Status(row), cases[row - 1].mark);
        EXPECT_EQ(QFileInfo::exists(grid.Path(row)), cases[row - 1].mark == kDone);
    }
    EXPECT_EQ(grid.Reason(1), "HTML page instead of an image (given up after 10 checks)");
    EXPECT_EQ(grid.Reason(3), "XML page instead of an image (given up after 10 checks)");
    EXPECT_EQ(grid.Reason(5), "HTML page instead of a video (given up after 10 checks)");
}

// --- faults of the old run --------------------------------------------------------

TEST_F(DownloadRunTest, RequestThatThrowsOrEndsSilentlyIsAFailureAndTheRunGoesOn) {
    for (const Outcome outcome : {Outcome::Throw, Outcome::None}) {
        grid.Clear();
        messages.clear();
        AddJobs(3);
        client.replies[Url(2)] = {outcome, {}, QStringLiteral("10061:Connection refused"), {}};
        run->SetSmallResultCheck(false);
        run->GoButtonClick();
        Tick();
        Tick();
        EXPECT_EQ(grid.Status(2), kFailed);
        if (outcome == Outcome::Throw) {
            EXPECT_EQ(panels[0], QStringLiteral("10061:Connection refused"));
        }
        EXPECT_TRUE(run->Ticking());
        EXPECT_GE(TickToEnd(), 0);
        EXPECT_EQ(Marks(), (QStringList{kDone, kFailed, kDone}));
        EXPECT_EQ(messages.size(), 1);
    }
}

TEST_F(DownloadRunTest, SecondStopAbortsTheRequestAndLeavesTheJobToBeFetchedAgain) {
    AddJobs(2);
    ASSERT_TRUE(testenv::writeFile(Path(2), "an older, complete file"));
    client.replies[Url(1)] = {Outcome::HoldBody, "part of the bo", {}, [this] {
                                  run->CancelBtnClick();
                                  run->CancelBtnClick();
                              }};
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(client.aborts, 1);
    EXPECT_EQ(grid.Status(1), kRequested);
    EXPECT_FALSE(QFileInfo::exists(Path(1))) << "a partial file was left behind";
    Tick();
    EXPECT_EQ(panels[0], QStringLiteral("中断しました"));
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(client.requested, QStringList{Url(1)});
    EXPECT_EQ(testenv::readFile(Path(2)), QByteArray("an older, complete file"));
}

TEST_F(DownloadRunTest, GoDuringARequestWaitsForItThenWalksFromRowOne) {
    AddJobs(3, {"", "", ""});
    run->SetSmallResultCheck(false);
    client.replies[Url(2)].during = [this] {
        run->GoButtonClick();
        EXPECT_EQ(run->CurrentRow(), 1);
        Tick(); // the tick Go armed, arriving inside the request
        Tick();
        EXPECT_EQ(client.depth, 1);
    };
    run->GoButtonClick();
    Tick();
    Tick();
    EXPECT_EQ(client.maxDepth, 1) << "a second request was started inside the first";
    EXPECT_EQ(grid.Status(2), kDone);
    EXPECT_EQ(run->CurrentRow(), 1);
    EXPECT_TRUE(run->Ticking());
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, (QStringList{Url(1), Url(2), Url(3)}));
    EXPECT_EQ(Marks(), (QStringList{kDone, kDone, kDone}));
}

TEST_F(DownloadRunTest, RowsDeletedAboveDuringARequestKeepTheMarkOnItsJob) {
    AddJobs(5, {kDone, kDone});
    run->SetSmallResultCheck(false);
    client.replies[Url(3)].during = [this] { grid.DeleteRows(1, 2); };
    run->GoButtonClick();
    Tick();
    Tick();
    Tick(); // fetches job 3, now row 1
    ASSERT_EQ(grid.Url(1), Url(3));
    EXPECT_EQ(Marks(), (QStringList{kDone, "", ""}));
    EXPECT_EQ(run->CurrentRow(), 2);
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, (QStringList{Url(3), Url(4), Url(5)}));
}

TEST_F(DownloadRunTest, OwnRowDeletedDuringARequestDropsItsOutcome) {
    for (const Outcome outcome : {Outcome::Success, Outcome::Failure, Outcome::Throw}) {
        grid.Clear();
        client.requested.clear();
        AddJobs(4);
        run->SetSmallResultCheck(false);
        client.replies[Url(2)] = {outcome, "x", "boom", [this] { grid.DeleteRows(2, 2); }};
        run->GoButtonClick();
        Tick();
        Tick();
        EXPECT_EQ(Marks(), (QStringList{kDone, "", ""})) << int(outcome);
        EXPECT_EQ(run->CurrentRow(), 2);
        EXPECT_GE(TickToEnd(), 0);
        EXPECT_EQ(client.requested, (QStringList{Url(1), Url(2), Url(3), Url(4)}));
    }
}

TEST_F(DownloadRunTest, ClearAndListUpDuringARequestStartTheNewList) {
    AddJobs(3);
    run->SetSmallResultCheck(false);
    client.replies[Url(2)].during = [this] {
        grid.Clear();
        grid.Append(Job{"", QStringLiteral("http://h/new"), dir.filePath("new")});
    };
    run->GoButtonClick();
    Tick();
    Tick();
    EXPECT_EQ(Marks(), QStringList{QString()});
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested.last(), QStringLiteral("http://h/new"));
    EXPECT_EQ(Marks(), QStringList{kDone});
}

TEST_F(DownloadRunTest, RowsDeletedBetweenTicksMoveCurrentRowWithItsJob) {
    AddJobs(4, {kDone, kDone, kDone});
    run->SetSmallResultCheck(false);
    run->GoButtonClick();
    Tick();
    Tick();
    ASSERT_EQ(run->CurrentRow(), 3);
    grid.DeleteRows(1, 1);
    EXPECT_EQ(run->CurrentRow(), 2);
    EXPECT_EQ(grid.Url(run->CurrentRow()), Url(3));
    grid.DeleteRows(2, 2); // its own row: the next job takes its place
    EXPECT_EQ(grid.Url(run->CurrentRow()), Url(4));
    Tick();
    ASSERT_EQ(run->CurrentRow(), 3);
    // Past the last job; jobs listed up now are still reached.
    grid.Append(Job{"", QStringLiteral("http://h/later"), dir.filePath("later")});
    EXPECT_GE(TickToEnd(), 0);
    EXPECT_EQ(client.requested, (QStringList{Url(4), QStringLiteral("http://h/later")}));
}

TEST_F(DownloadRunTest, ProgressIsRightBeyondTwoGibibytesAndWithoutATotal) {
    const qint64 max = std::numeric_limits<qint64>::max();
    EXPECT_EQ(RunPanels::ProgressText(3221225472, 4294967296),
              QStringLiteral("Bytes：3221225472 / 4294967296 (75%)"));
    EXPECT_EQ(RunPanels::ProgressText(2147483648, 2147483649),
              QStringLiteral("Bytes：2147483648 / 2147483649 (99%)"));
    EXPECT_EQ(RunPanels::ProgressText(max - 1, max),
              QStringLiteral("Bytes：%1 / %2 (99%)").arg(max - 1).arg(max));
    EXPECT_EQ(RunPanels::ProgressText(max, max), QStringLiteral("Bytes：%1 / %1 (100%)").arg(max));
    EXPECT_EQ(RunPanels::ProgressText(5000000000, 0), QStringLiteral("Bytes：5000000000"));
    EXPECT_EQ(RunPanels::ProgressText(0, 0), QStringLiteral("Bytes：0"));

    run->NMHTTP1PacketRecvd(); // outside a request: shows, changes nothing else
    client.RaisePacket(6442450944, 0);
    EXPECT_EQ(panels[1], QStringLiteral("Bytes：6442450944"));
}

TEST_F(DownloadRunTest, ShutdownDuringARequestAbortsItAndEndsTheRun) {
    AddJobs(2);
    int requestEnded = 0;
    QObject::connect(run.get(), &DownloadRun::requestEnded, [&] { ++requestEnded; });
    client.replies[Url(1)] = {Outcome::HoldBody, "half", {}, [this] {
                                  run->Shutdown();
                                  EXPECT_TRUE(run->Requesting());
                              }};
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(requestEnded, 1);
    EXPECT_EQ(client.aborts, 1);
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(grid.Status(1), kRequested);
    EXPECT_FALSE(QFileInfo::exists(Path(1)));
    run->GoButtonClick();
    EXPECT_FALSE(run->Running());
    EXPECT_EQ(client.requested, QStringList{Url(1)});
}

TEST_F(DownloadRunTest, AbortBeforeAnyBodyKeepsTheFileThatWasThere) {
    AddJobs(1);
    ASSERT_TRUE(testenv::writeFile(Path(1), "complete"));
    client.replies[Url(1)] = {
        Outcome::Throw, {}, "Connection Canceled", [this] { run->Shutdown(); }};
    run->GoButtonClick();
    Tick();
    EXPECT_EQ(testenv::readFile(Path(1)), QByteArray("complete"));
    EXPECT_EQ(grid.Status(1), kRequested);
}

// Several jobs in flight: the same list run one at a time and with four
// clients must end with the same mark and reason on every job.
struct ParallelJob {
    QString mark; ///< before the run
    ScriptedClient::Reply reply = {Outcome::Success, QByteArray(2000, 'x')};
    QByteArray existing = {}; ///< the file there before the run
    bool exists = false;
    bool folder = false; ///< a folder there instead
};

struct ParallelCase {
    const char* name;
    std::vector<ParallelJob> jobs = {};
    bool skipExisting = false;
    int limitKB = 1;
};

struct ParallelResult {
    QStringList marks;
    QStringList reasons;
    int maxInFlight = 0;
    QStringList messages;
    std::vector<DownloadRun::End> ends;
    /// What the run told the client of each job's path at its latest start.
    std::vector<DownloadClient::PathFound> found;
    std::vector<bool> fileLeft; ///< a file at each job's path after the run
};

std::vector<std::unique_ptr<ScriptedClient>> ScriptedClients(int count) {
    std::vector<std::unique_ptr<ScriptedClient>> clients;
    for (int i = 0; i < count; ++i)
        clients.push_back(std::make_unique<ScriptedClient>());
    return clients;
}

ParallelResult RunWithClients(int count, const ParallelCase& c) {
    QTemporaryDir dir;
    JobGrid grid;
    auto clients = ScriptedClients(count);
    std::vector<Job> jobs;
    for (size_t i = 0; i < c.jobs.size(); ++i) {
        const QString url = QStringLiteral("http://h/f%1").arg(i + 1);
        const QString path = dir.filePath(QStringLiteral("f%1").arg(i + 1));
        ScriptedClient::Reply reply = c.jobs[i].reply;
        if (reply.outcome == Outcome::Failure && reply.slowDown >= 0) {
            // Asks to wait once, then answers.
            reply.during = [&clients, url] {
                for (auto& client : clients)
                    client->replies[url] = {Outcome::Success, QByteArray(2000, 'y')};
            };
        }
        for (auto& client : clients)
            client->replies[url] = reply;
        if (c.jobs[i].exists) {
            EXPECT_TRUE(testenv::writeFile(path, c.jobs[i].existing));
        }
        if (c.jobs[i].folder) {
            EXPECT_TRUE(QDir().mkpath(path));
        }
        jobs.push_back(Job{c.jobs[i].mark, url, path});
    }
    grid.Append(std::move(jobs));
    DownloadRun run(grid, *clients[0]);
    std::vector<DownloadClient*> more;
    for (size_t i = 1; i < clients.size(); ++i)
        more.push_back(clients[i].get());
    run.SetMoreClients(more);
    run.SetTickInterval(0);
    run.SetSkipExisting(c.skipExisting);
    run.SetSmallResultLimitKB(c.limitKB);
    ParallelResult result;
    int inFlight = 0;
    QObject::connect(&run, &DownloadRun::jobStarted,
                     [&] { result.maxInFlight = std::max(result.maxInFlight, ++inFlight); });
    QObject::connect(&run, &DownloadRun::requestEnded, [&] { --inFlight; });
    QObject::connect(&run, &DownloadRun::messageRequested,
                     [&](const QString& text) { result.messages << text; });
    QObject::connect(&run, &DownloadRun::runFinished,
                     [&](DownloadRun::End end) { result.ends.push_back(end); });
    run.GoButtonClick();
    EXPECT_TRUE(testenv::waitUntil([&] { return !result.ends.empty(); }, 20'000));
    result.marks = MarksOf(grid);
    for (int row = 1; row < grid.NextRow(); ++row) {
        result.reasons << grid.Reason(row);
        result.fileLeft.push_back(QFileInfo(grid.Path(row)).isFile());
        auto found = DownloadClient::PathFound::Unknown;
        for (const auto& client : clients)
            found = client->foundAt.value(grid.Url(row), found);
        result.found.push_back(found);
    }
    return result;
}

TEST(DownloadRunParallel, EveryJobEndsWithTheMarkAndReasonOfARunOneAtATime) {
    const QByteArray whole(3000, 'w');
    const ParallelJob ok;
    const ParallelJob notFound{{}, {Outcome::Failure, "<html>404 page of some length..</html>"}};
    const ParallelJob bare404{{}, {Outcome::Failure, ""}};
    const ParallelJob empty{{}, {Outcome::Success, ""}};
    const ParallelJob tiny{{}, {Outcome::Success, "12 bytes ..."}};
    const ParallelJob refused{{}, {Outcome::Throw, {}, QStringLiteral("Connection Refused")}};
    const ParallelJob silent{{}, {Outcome::None}};
    const ParallelJob slowDown{{}, {Outcome::Failure, "busy", {}, {}, "HTTP/1.1 429", 1}};
    const std::vector<ParallelCase> cases = {
        {"successes, failures and empty results",
         {ok, ok, notFound, ok, empty, ok, refused, silent, ok, bare404, tiny, ok}},
        {"skipping existing files, small and whole",
         {ok, {{}, ok.reply, "small", true}, ok, {{}, ok.reply, whole, true}, ok},
         true},
        {"a resumed list",
         {{kDone, ok.reply, whole, true},
          {kDone, ok.reply},
          {kFailed, ok.reply, whole, true},
          ok,
          {kGivenUp, ok.reply},
          {kRequested, ok.reply},
          {kSkipped, ok.reply, "tiny", true},
          ok}},
        {"a server that asks to wait", {ok, slowDown, ok, ok, ok, ok}},
        {"no limit: only missing and empty files are small",
         {ok, tiny, empty, bare404, notFound},
         false,
         0},
    };
    for (const ParallelCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ParallelResult one = RunWithClients(1, c);
        const ParallelResult four = RunWithClients(4, c);
        EXPECT_EQ(four.marks, one.marks);
        EXPECT_EQ(four.reasons, one.reasons);
        EXPECT_EQ(four.messages, one.messages);
        EXPECT_EQ(one.maxInFlight, 1);
        EXPECT_GT(four.maxInFlight, 1) << "no two jobs were in flight at once";
        EXPECT_LE(four.maxInFlight, 4);
        EXPECT_EQ(four.ends, std::vector<DownloadRun::End>{DownloadRun::End::Completed});
    }
}

// One look at a job's path: the skip check's look tells the client that
// nothing is there, and the small-result check takes the size the client
// says it saved (or the skip check found) instead of looking again.
TEST(DownloadRunParallel, ThePathIsLookedAtOnceAndTheSavedSizeTrusted) {
    using Found = DownloadClient::PathFound;
    const QByteArray whole(3000, 'w');
    struct Case {
        const char* name;
        ParallelJob job;
        bool skipExisting;
        QString mark;
        Found found;
        bool fileLeft;
    };
    ScriptedClient::Reply savedWhole{Outcome::Success, "10 bytes.."};
    savedWhole.saved = 3000;
    ScriptedClient::Reply savedSmall{Outcome::Success, whole};
    savedSmall.saved = 10;
    ScriptedClient::Reply cannotSay{Outcome::Success, whole};
    cannotSay.saved = -1;
    ScriptedClient::Reply cannotSaySmall{Outcome::Success, "10 bytes.."};
    cannotSaySmall.saved = -1;
    const ScriptedClient::Reply ok{Outcome::Success, whole};
    const Case cases[] = {
        {"saved whole, though less is there: trusted",
         {{}, savedWhole},
         false,
         kDone,
         Found::Unknown,
         true},
        {"saved too little, though more is there: trusted",
         {{}, savedSmall},
         false,
         kGivenUp,
         Found::Unknown,
         false},
        {"the client cannot say: the run looks",
         {{}, cannotSay},
         false,
         kDone,
         Found::Unknown,
         true},
        {"the client cannot say, and the file is small",
         {{}, cannotSaySmall},
         false,
         kGivenUp,
         Found::Unknown,
         false},
        {"skipping, nothing there: the client is told",
         {{}, ok},
         true,
         kDone,
         Found::Nothing,
         true},
        {"skipping, a whole file there: the skip check's size",
         {{}, ok, whole, true},
         true,
         kSkipped,
         Found::Unknown,
         true},
        {"skipping, a folder there: the client looks itself, and fails the job",
         {{}, ok, {}, false, true},
         true,
         kFailed,
         Found::Unknown,
         false},
        {"not skipping: the client looks itself",
         {{}, ok, whole, true},
         false,
         kDone,
         Found::Unknown,
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParallelCase list{c.name, {c.job, {{}, ok}}, c.skipExisting};
        for (const int clients : {1, 4}) {
            SCOPED_TRACE(clients);
            const ParallelResult result = RunWithClients(clients, list);
            EXPECT_EQ(result.marks, (QStringList{c.mark, kDone}));
            EXPECT_EQ(result.found.front(), c.found);
            EXPECT_EQ(result.fileLeft.front(), c.fileLeft);
        }
    }
}

TEST(DownloadRunParallel, StopLetsTheJobsInFlightFinishAndAgainAbortsThem) {
    for (const bool twice : {false, true}) {
        SCOPED_TRACE(twice ? "Stop! twice" : "Stop! once");
        QTemporaryDir dir;
        JobGrid grid;
        std::vector<std::unique_ptr<ScriptedClient>> clients;
        for (int i = 0; i < 4; ++i)
            clients.push_back(std::make_unique<ScriptedClient>());
        std::vector<Job> jobs;
        for (int n = 1; n <= 8; ++n)
            jobs.push_back(Job{{},
                               QStringLiteral("http://h/f%1").arg(n),
                               dir.filePath(QStringLiteral("f%1").arg(n))});
        grid.Append(std::move(jobs));
        DownloadRun run(grid, *clients[0]);
        run.SetMoreClients({clients[1].get(), clients[2].get(), clients[3].get()});
        run.SetTickInterval(0);
        // The first request's handler runs once all four are under way.
        clients[0]->replies[QStringLiteral("http://h/f1")].during = [&] {
            EXPECT_EQ(clients[3]->depth, 1);
            run.CancelBtnClick();
            if (twice)
                run.CancelBtnClick();
        };
        std::vector<DownloadRun::End> ends;
        QObject::connect(&run, &DownloadRun::runFinished,
                         [&](DownloadRun::End end) { ends.push_back(end); });
        run.GoButtonClick();
        ASSERT_TRUE(testenv::waitUntil([&] { return !ends.empty(); }, 10'000));
        testenv::waitUntil([] { return false; }, 50); // nothing starts after the end
        EXPECT_EQ(ends, std::vector<DownloadRun::End>{DownloadRun::End::Cancelled});
        const QString inFlight = twice ? kRequested : kDone;
        EXPECT_EQ(MarksOf(grid),
                  (QStringList{inFlight, inFlight, inFlight, inFlight, "", "", "", ""}));
        int requests = 0;
        for (const auto& client : clients)
            requests += int(client->requested.size());
        EXPECT_EQ(requests, 4);
        EXPECT_FALSE(run.Running());
    }
}

} // namespace

namespace {

TEST(DownloadRunParallel, TwoJobsWithOnePathNeverRunAtOnce) {
    QTemporaryDir dir;
    JobGrid grid;
    const auto clients = ScriptedClients(4);
    // Jobs 1, 2 and 4 share a path; job 3 has its own.
    const QString shared = dir.filePath("same.jpg");
    std::vector<Job> jobs;
    for (int n = 1; n <= 5; ++n)
        jobs.push_back(Job{QString(), QStringLiteral("http://h/f%1").arg(n),
                           n == 3 || n == 5 ? dir.filePath(QStringLiteral("f%1").arg(n)) : shared});
    for (auto& client : clients)
        for (int n = 1; n <= 5; ++n)
            client->replies[QStringLiteral("http://h/f%1").arg(n)] = {
                Outcome::Success, QByteArray(1000 * n, char('0' + n))};
    grid.Append(std::move(jobs));
    DownloadRun run(grid, *clients[0]);
    run.SetMoreClients({clients[1].get(), clients[2].get(), clients[3].get()});
    run.SetTickInterval(0);
    QHash<QString, int> inFlight;
    int overlaps = 0;
    int maxInFlight = 0;
    int now = 0;
    QObject::connect(&run, &DownloadRun::jobStarted, [&](JobGrid::JobId id) {
        overlaps += inFlight[grid.Path(grid.RowOf(id))]++ > 0;
        maxInFlight = std::max(maxInFlight, ++now);
    });
    QObject::connect(&run, &DownloadRun::requestEnded, [&](JobGrid::JobId id) {
        --inFlight[grid.Path(grid.RowOf(id))];
        --now;
    });
    bool ended = false;
    QObject::connect(&run, &DownloadRun::runFinished, [&] { ended = true; });
    run.GoButtonClick();
    ASSERT_TRUE(testenv::waitUntil([&] { return ended; }, 20'000));
    EXPECT_EQ(overlaps, 0);
    EXPECT_GT(maxInFlight, 1) << "the jobs with paths of their own still ran beside them";
    EXPECT_EQ(MarksOf(grid), (QStringList{kDone, kDone, kDone, kDone, kDone}));
    EXPECT_EQ(testenv::readFile(shared), QByteArray(4000, '4')) << "the last job's file, whole";
}

TEST(DownloadRunParallel, AJobToBeTriedAgainKeepsItsPathAheadOfTheNextJobWithIt) {
    QTemporaryDir dir;
    JobGrid grid;
    const auto clients = ScriptedClients(2);
    const QString shared = dir.filePath("same.jpg");
    const QStringList urls = {"http://a/f1", "http://b/f2", "http://b/f3"};
    grid.Append(JobList({Job{"", urls[0], shared}, Job{"", urls[1], shared},
                         Job{"", urls[2], dir.filePath("f3")}}));
    for (auto& client : clients) {
        ScriptedClient::Reply resetOnce{Outcome::Throw};
        resetOnce.kind = JobPolicy::Failure::Transient;
        resetOnce.failureReason = "Connection reset by a:80";
        resetOnce.during = [&clients, url = urls[0]] {
            for (auto& each : clients)
                each->replies[url] = {Outcome::Success, "first"};
        };
        client->replies[urls[0]] = resetOnce;
        client->replies[urls[1]] = {Outcome::Success, "second"};
        client->replies[urls[2]] = {Outcome::Success, "third"};
    }
    DownloadRun run(grid, *clients[0]);
    run.SetMoreClients({clients[1].get()});
    run.SetTickInterval(0);
    run.SetRetries(1);
    bool ended = false;
    QObject::connect(&run, &DownloadRun::runFinished, [&] { ended = true; });
    run.GoButtonClick();
    ASSERT_TRUE(testenv::waitUntil([&] { return ended; }, 20'000))
        << MarksOf(grid).join(' ').toStdString();
    EXPECT_EQ(MarksOf(grid), (QStringList{kDone, kDone, kDone}));
    EXPECT_EQ(testenv::readFile(shared), "second") << "as one at a time: the later job's file";
}

// The pause is each lane's: with two files at once, two requests to one
// server start together, and each lane waits its pause after its own end.
// The clock is the test's, so the timer never fires by itself.
TEST(DownloadRunParallel, EachLaneWaitsItsOwnPauseSoTwoFilesAtOnceStartTwoRequests) {
    QTemporaryDir dir;
    JobGrid grid;
    const auto clients = ScriptedClients(2);
    std::vector<Job> jobs;
    for (int n = 1; n <= 5; ++n)
        jobs.push_back(Job{
            {}, QStringLiteral("http://h/f%1").arg(n), dir.filePath(QStringLiteral("f%1").arg(n))});
    grid.Append(std::move(jobs));
    const qint64 clock = 5000;
    DownloadRun run(grid, *clients[0], nullptr, [&clock] { return clock; });
    run.SetMoreClients({clients[1].get()});
    run.SetTickInterval(60'000);
    run.SetSmallResultCheck(false);
    const auto started = [&] {
        return clients[0]->requested.size() + clients[1]->requested.size();
    };
    run.GoButtonClick();
    EXPECT_EQ(run.ArmedWaitMs(), 60'000);
    struct Step {
        const char* what;
        qsizetype started; ///< requests started in all after the tick
        int armedMs;       ///< the wait armed once those requests ended
    };
    const std::vector<Step> steps = {
        {"after Go's pause both lanes start, to the one server", 2, 60'000},
        {"after their pauses both start again", 4, 60'000},
        {"the fifth job on one lane; the other has nothing left", 5, 60'000},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        run.Timer1Timer();
        EXPECT_EQ(started(), step.started);
        ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }, 5000));
        EXPECT_EQ(started(), step.started) << "no lane starts before its pause is over";
        EXPECT_EQ(run.ArmedWaitMs(), step.armedMs);
    }
    run.Timer1Timer();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(MarksOf(grid), QStringList(5, kDone));
}

} // namespace
