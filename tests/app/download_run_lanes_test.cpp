// Where a rule of the run meets another: a check still to come and a second
// job with the same path, a stop before a check, a new "Go!" during a
// request, a server that alternates its failures. Each case once ended with
// a wrong mark, a lost file or a run that never ended.
#include "app/download_run.h"
#include "tests/app/download_run_scripted_client.h"
#include "tests/app/run_marks.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Outcome = ScriptedClient::Outcome;
constexpr int kLongPause = 24 * 3600 * 1000;

/// Ticks by hand while the timer is armed; a request a tick starts is let
/// run to its end. The number of ticks taken.
int TickToEnd(DownloadRun& run, int limit = 100) {
    int ticks = 0;
    for (; run.Ticking() && ticks < limit; ++ticks) {
        const bool requesting = run.Requesting();
        run.Timer1Timer();
        if (!requesting)
            testenv::waitUntil([&] { return !run.Requesting(); }, 5000);
    }
    return ticks;
}

ScriptedClient::Reply Status(int code, JobPolicy::Failure kind, qint64 slowDown = -1) {
    ScriptedClient::Reply reply{Outcome::Failure, "error page"};
    reply.reason = QStringLiteral("HTTP/1.1 %1 Error").arg(code);
    reply.failureReason = reply.reason;
    reply.kind = kind;
    reply.slowDown = slowDown;
    return reply;
}

// Two files at once, one path: the second job waits until the first one's
// check is over, so that check never removes the second job's whole file.
TEST(DownloadRunLanes, AJobsCheckIsOverBeforeAnotherJobWritesItsPath) {
    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient first;
    ScriptedClient second;
    const QString shared = dir.filePath("same.jpg");
    grid.Append(JobList({Job{"", "http://h/f1", shared}, Job{"", "http://h/f2", shared}}));
    for (ScriptedClient* client : {&first, &second}) {
        client->replies["http://h/f1"] = {Outcome::Success, ""};
        client->replies["http://h/f2"] = {Outcome::Success, QByteArray(5000, 'z')};
    }
    DownloadRun run(grid, first);
    run.SetMoreClients({&second});
    run.SetTickInterval(50);
    bool ended = false;
    QObject::connect(&run, &DownloadRun::runFinished, [&] { ended = true; });
    run.GoButtonClick();
    ASSERT_TRUE(testenv::waitUntil([&] { return ended; }, 20'000));
    EXPECT_EQ(MarksOf(grid), (QStringList{kGivenUp, kDone}));
    EXPECT_EQ(QFileInfo(shared).size(), 5000) << "the second job's file is whole and there";
}

// Stopped with nothing in flight, a run with several files at once still
// checks every job that ended: an empty file is never left "○".
TEST(DownloadRunLanes, AStopChecksEveryJobThatEndedFirst) {
    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient first;
    ScriptedClient second;
    grid.Append(JobList({Job{"", "http://h/f1", dir.filePath("f1")},
                         Job{"", "http://h/f2", dir.filePath("f2")},
                         Job{"", "http://h/f3", dir.filePath("f3")}}));
    for (ScriptedClient* client : {&first, &second})
        client->replies["http://h/f2"] = {Outcome::Success, ""};
    DownloadRun run(grid, first);
    run.SetMoreClients({&second});
    run.SetTickInterval(kLongPause);
    run.GoButtonClick();
    run.Timer1Timer(); // both lanes start
    ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }, 5000));
    run.CancelBtnClick();
    run.Timer1Timer();
    EXPECT_FALSE(run.Running());
    EXPECT_EQ(MarksOf(grid), (QStringList{kDone, kSmall, ""}));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("f2")));
}

// "Go!" pressed while the first job is in flight: the new walk stands at
// that job, so it is judged, waited for and tried again as if nothing had
// been pressed, with one file at once and with several.
TEST(DownloadRunLanes, AJobInFlightWhenGoIsPressedIsStillTheRunsToJudge) {
    struct Row {
        const char* name;
        int clients;
        ScriptedClient::Reply reply; ///< of job 1's first request; then a whole file
        int retries;
        QStringList marks;
        qsizetype requests; ///< of job 1
    };
    const std::vector<Row> rows = {
        {"an empty file is checked", 1, {Outcome::Success, ""}, 0, {kGivenUp, kDone}, 1},
        {"a 503 is waited for and the job fetched again",
         1,
         Status(503, JobPolicy::Failure::SlowDown, 1),
         0,
         {kDone, kDone},
         2},
        {"with two at once, an empty file is checked",
         2,
         {Outcome::Success, ""},
         0,
         {kGivenUp, kDone},
         1},
        {"with two at once, a reset is tried again",
         2,
         Status(500, JobPolicy::Failure::Transient),
         2,
         {kDone, kDone},
         2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QTemporaryDir dir;
        JobGrid grid;
        grid.Append(JobList({Job{"", "http://h/f1", dir.filePath("f1")},
                             Job{"", "http://h/f2", dir.filePath("f2")}}));
        std::vector<std::unique_ptr<ScriptedClient>> clients;
        for (int i = 0; i < row.clients; ++i)
            clients.push_back(std::make_unique<ScriptedClient>());
        DownloadRun run(grid, *clients[0]);
        if (row.clients > 1)
            run.SetMoreClients({clients[1].get()});
        run.SetTickInterval(row.clients > 1 ? 0 : kLongPause);
        run.SetRetries(row.retries);
        for (auto& client : clients) {
            ScriptedClient::Reply first = row.reply;
            first.during = [&run, &clients] {
                run.GoButtonClick();
                for (auto& each : clients)
                    each->replies["http://h/f1"] = {Outcome::Success, QByteArray(3000, 'x')};
            };
            client->replies["http://h/f1"] = first;
            client->replies["http://h/f2"] = {Outcome::Success, QByteArray(3000, 'y')};
        }
        run.GoButtonClick();
        if (row.clients > 1) {
            bool ended = false;
            QObject::connect(&run, &DownloadRun::runFinished, [&] { ended = true; });
            ASSERT_TRUE(testenv::waitUntil([&] { return ended; }, 20'000));
        } else {
            EXPECT_LT(TickToEnd(run), 100);
        }
        EXPECT_EQ(MarksOf(grid), row.marks);
        qsizetype asked = 0;
        for (auto& client : clients)
            asked += client->requested.count("http://h/f1");
        EXPECT_EQ(asked, row.requests);
        EXPECT_FALSE(run.Running());
    }
}

// A server that answers 500 and 503 in turn: the tries still run out.
TEST(DownloadRunLanes, FailuresOfBothKindsInTurnStillRunOutOfTries) {
    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient client;
    grid.Append(JobList({Job{"", "http://h/f1", dir.filePath("f1")}}));
    int replies = 0;
    std::function<void()> turn;
    turn = [&] {
        ScriptedClient::Reply next = ++replies % 2 ? Status(503, JobPolicy::Failure::SlowDown, 0)
                                                   : Status(500, JobPolicy::Failure::Transient);
        next.during = turn;
        client.replies["http://h/f1"] = next;
    };
    ScriptedClient::Reply first = Status(500, JobPolicy::Failure::Transient);
    first.during = turn;
    client.replies["http://h/f1"] = first;
    DownloadRun run(grid, client);
    run.SetTickInterval(kLongPause);
    run.SetRetries(1);
    run.SetSmallResultCheck(false);
    run.GoButtonClick();
    EXPECT_LT(TickToEnd(run), 100);
    EXPECT_FALSE(run.Running()) << "the run never ends";
    EXPECT_EQ(grid.Status(1), kGivenUp);
    EXPECT_EQ(grid.Reason(1), "HTTP/1.1 500 Error after 2 tries");
    EXPECT_EQ(client.requested.size(), 3);
}

// "Go!" during a wait a server asked for starts afresh: the job is asked for
// again after the pause, not after what the last run's server said.
TEST(DownloadRunLanes, GoDuringAServersWaitAsksAgainAfterThePause) {
    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient client;
    grid.Append(JobList({Job{"", "http://h/f1", dir.filePath("f1")}}));
    client.replies["http://h/f1"] = Status(503, JobPolicy::Failure::SlowDown, 100);
    DownloadRun run(grid, client);
    run.SetTickInterval(10);
    run.SetSmallResultCheck(false);
    run.GoButtonClick();
    run.Timer1Timer();
    ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }, 5000));
    ASSERT_EQ(run.ArmedWaitMs(), 100'000);
    client.replies["http://h/f1"] = {Outcome::Success, QByteArray(3000, 'x')};
    run.GoButtonClick();
    EXPECT_EQ(run.ArmedWaitMs(), 10);
    run.Timer1Timer();
    ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }, 5000));
    EXPECT_EQ(grid.Status(1), kDone);
    EXPECT_EQ(client.requested.size(), 2);
}

// A job let go of by a new "Go!" is looked at on disk when the walk reaches
// it: another job may have written its path since, and the size its own
// transfer saved says nothing of that file.
TEST(DownloadRunLanes, AJobLetGoOfIsCheckedOnDiskNotByTheSizeItSaved) {
    QTemporaryDir dir;
    JobGrid grid;
    ScriptedClient client;
    const QString shared = dir.filePath("same.jpg");
    grid.Append(JobList({Job{kDone, "http://h/y", shared}, Job{"", "http://h/z", shared}}));
    DownloadRun run(grid, client);
    run.SetTickInterval(kLongPause);
    ScriptedClient::Reply empty{Outcome::Success, ""};
    empty.during = [&] {
        // Retry on the first job, then Go!, while the second is fetched.
        grid.SetStatus(1, QString());
        run.GoButtonClick();
    };
    client.replies["http://h/z"] = empty;
    client.replies["http://h/y"] = {Outcome::Success, QByteArray(3000, 'y')};
    run.GoButtonClick();
    EXPECT_LT(TickToEnd(run), 100);
    EXPECT_EQ(client.requested, (QStringList{"http://h/z", "http://h/y"}));
    EXPECT_EQ(grid.Status(1), kDone);
    EXPECT_EQ(QFileInfo(shared).size(), 3000) << "the first job's file is whole and there";
}

} // namespace

namespace {

// The pause between requests is each lane's own: every tick of the timer
// is one pause gone by, after which N files at once start N requests where
// one at a time starts one.
TEST(DownloadRunLanes, AServerTakingStreamsGetsEveryLaneOnceConnectedAnyOtherSixteen) {
    for (const bool multiplexed : {false, true}) {
        SCOPED_TRACE(multiplexed ? "HTTP/2" : "HTTP/1.1");
        QTemporaryDir dir;
        JobGrid grid;
        JobList jobs;
        constexpr int kLanes = 20;
        for (int i = 1; i <= kLanes; ++i)
            jobs.push_back(Job{"", QStringLiteral("https://h/f%1").arg(i),
                               dir.filePath(QStringLiteral("f%1").arg(i))});
        grid.Append(jobs);
        std::vector<std::unique_ptr<ScriptedClient>> clients;
        std::vector<DownloadClient*> more;
        for (int i = 0; i < kLanes; ++i) {
            clients.push_back(std::make_unique<ScriptedClient>());
            clients.back()->multiplexed = multiplexed;
            for (const Job& job : jobs)
                clients.back()->replies[job.url] = {Outcome::HoldBody, "part"};
            if (i > 0)
                more.push_back(clients.back().get());
        }
        const auto sum = [&](int ScriptedClient::*count) {
            int total = 0;
            for (const auto& c : clients)
                total += (*c).*count;
            return total;
        };
        DownloadRun run(grid, *clients[0], nullptr, [] { return qint64(1'000'000); });
        run.SetMoreClients(more);
        run.SetTickInterval(0);
        run.GoButtonClick();
        run.Timer1Timer();
        const int first = DownloadRun::kMaxConnectionsPerHost;
        EXPECT_EQ(sum(&ScriptedClient::depth), first);
        ASSERT_TRUE(testenv::waitUntil([&] { return sum(&ScriptedClient::connects) >= first; }));
        // Streams of one connection: the rest start before any reply is in.
        // Connections of their own: the rest wait for one to end.
        if (multiplexed)
            testenv::waitUntil([&] { return sum(&ScriptedClient::depth) == kLanes; });
        else
            QCoreApplication::processEvents();
        EXPECT_EQ(sum(&ScriptedClient::depth), multiplexed ? kLanes : first);
        run.Abort();
        ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }));
    }
}

TEST(DownloadRunLanes, EveryLaneWaitsItsOwnPause) {
    for (const int lanes : {1, 2, 4}) {
        SCOPED_TRACE(lanes);
        QTemporaryDir dir;
        JobGrid grid;
        JobList jobs;
        for (int i = 1; i <= 8; ++i)
            jobs.push_back(Job{"", QStringLiteral("http://h/f%1").arg(i),
                               dir.filePath(QStringLiteral("f%1").arg(i))});
        grid.Append(jobs);
        std::vector<std::unique_ptr<ScriptedClient>> clients;
        std::vector<DownloadClient*> more;
        for (int i = 0; i < lanes; ++i) {
            clients.push_back(std::make_unique<ScriptedClient>());
            for (const Job& job : jobs)
                clients.back()->replies[job.url] = {Outcome::Success, QByteArray(2048, 'x')};
            if (i > 0)
                more.push_back(clients.back().get());
        }
        // A clock that stands still: the lanes' requests end at one moment,
        // so their pauses end together too.
        DownloadRun run(grid, *clients[0], nullptr, [] { return qint64(1'000'000); });
        run.SetMoreClients(more);
        run.SetTickInterval(kLongPause);
        run.GoButtonClick();
        for (int tick = 1; tick <= 2; ++tick) {
            run.Timer1Timer();
            ASSERT_TRUE(testenv::waitUntil([&] { return !run.Requesting(); }, 5000));
            QStringList expected;
            for (int i = 1; i <= 8; ++i)
                expected << (i <= lanes * tick ? kDone : QString());
            EXPECT_EQ(MarksOf(grid), expected) << "after tick " << tick;
        }
        run.CancelBtnClick();
    }
}

} // namespace
