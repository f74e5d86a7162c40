// What a failed request means for its job, without a server or a clock.
#include "app/download_outcome.h"
#include "app/job_policy.h"
#include "app/status_mark.h"

#include <gtest/gtest.h>

namespace {

using JobPolicy::Failure;

TEST(JobPolicy, RepliesErrorsAndCutsAreSortedByWhetherAnotherTryCanHelp) {
    struct Row {
        int code;
        Failure expected;
    };
    for (const Row& row : {Row{404, Failure::Final},
                           {403, Failure::Final},
                           {410, Failure::Final},
                           {400, Failure::Final},
                           {302, Failure::Final},
                           {408, Failure::Transient},
                           {500, Failure::Transient},
                           {502, Failure::Transient},
                           {504, Failure::Transient},
                           {501, Failure::Final},
                           {505, Failure::Final},
                           {429, Failure::SlowDown},
                           {503, Failure::SlowDown}})
        EXPECT_EQ(JobPolicy::ForStatus(row.code), row.expected) << row.code;

    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::ConnectFailed), Failure::Connect);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::ConnectTimedOut), Failure::Connect);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::LookupFailed), Failure::Connect);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::SocketError), Failure::Transient);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::TimedOut), Failure::Transient);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::TooSlow), Failure::Transient);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::TlsFailed), Failure::Final);
    EXPECT_EQ(JobPolicy::ForError(SockErrorCode::Other), Failure::Final);

    EXPECT_EQ(JobPolicy::ForBadReply("Connection closed after 10 of 20 bytes"), Failure::Transient);
    EXPECT_EQ(JobPolicy::ForBadReply("Connection closed inside a chunk after 5 bytes"),
              Failure::Transient);
    EXPECT_EQ(JobPolicy::ForBadReply("No reply: the server closed the connection"),
              Failure::Transient);
    EXPECT_EQ(JobPolicy::ForBadReply("No HTTP status line in the reply: \"x\""), Failure::Final);
    EXPECT_EQ(JobPolicy::ForBadReply("Bad Content-Length in the reply: \"-1\""), Failure::Final);
}

TEST(JobPolicy, ReasonsNameTheCauseAndThePlace) {
    struct Row {
        SockErrorCode code;
        int lastError;
        QString expected;
    };
    const QString host = "exmaple.org";
    const QString address = "exmaple.org:80";
    for (const Row& row : {
             Row{SockErrorCode::ConnectFailed, 10061, "Connection refused by exmaple.org:80"},
             {SockErrorCode::ConnectFailed, 10060, "Timed out connecting to exmaple.org:80"},
             {SockErrorCode::ConnectFailed, 10065, "No route to host exmaple.org:80"},
             {SockErrorCode::ConnectFailed, 10051, "Network unreachable for exmaple.org:80"},
             {SockErrorCode::ConnectFailed, 0,
              "Could not connect to exmaple.org:80 (Connection Failed)"},
             {SockErrorCode::ConnectTimedOut, 0, "Timed out connecting to exmaple.org:80"},
             {SockErrorCode::LookupFailed, 11001, "Host not found: exmaple.org"},
             {SockErrorCode::LookupFailed, 0, "Host not found: exmaple.org"},
             {SockErrorCode::LookupTimedOut, 0, "Timed out looking up exmaple.org"},
             {SockErrorCode::SocketError, 10054, "Connection Failed"},
         })
        EXPECT_EQ(
            JobPolicy::ErrorReason(row.code, row.lastError, "Connection Failed", host, address),
            row.expected)
            << row.expected.toStdString();
    EXPECT_EQ(JobPolicy::NotTriedReason("localhost:80", true),
              "not tried: localhost:80 refused 3 connections");
    EXPECT_EQ(JobPolicy::NotTriedReason("localhost:80", false),
              "not tried: localhost:80 failed 3 connection tries");
}

TEST(JobPolicy, TransientFailuresAreTriedAgainUntilTheirTriesRunOut) {
    struct Row {
        const char* name;
        Failure failure;
        int tries;
        int retries;
        bool down;
        int retryCount;
        bool tryAgain;
        QString mark;
        QString reason;
    };
    const QString why = "Connection refused by h:80";
    const std::vector<Row> rows = {
        {"a 404 is final at once", Failure::Final, 1, 2, false, 0, false, StatusMark::Failed, why},
        {"a transient failure with tries left", Failure::Transient, 1, 2, false, 0, true, {}, why},
        {"the last try left", Failure::Connect, 2, 2, false, 0, true, {}, why},
        {"tries ran out", Failure::Connect, 3, 2, false, 0, false, StatusMark::GivenUp,
         why + " after 3 tries"},
        {"a slow-down that outlasted its waits is not tried again", Failure::SlowDown, 1, 2, false,
         0, false, StatusMark::GivenUp, why},
        {"an address found down takes no more tries", Failure::Connect, 1, 2, true, 0, false,
         StatusMark::GivenUp, why},
        {"without retries, the rule of old: ▼", Failure::Transient, 1, 0, false, 0, false,
         StatusMark::Failed, why},
        {"without retries, the rule of old: × from RetryCount 6", Failure::Connect, 1, 0, false, 6,
         false, StatusMark::GivenUp, why},
        {"a final failure from RetryCount 6", Failure::Final, 1, 2, false, 6, false,
         StatusMark::GivenUp, why},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const JobPolicy::Verdict verdict =
            JobPolicy::Judge(row.failure, why, row.tries, row.retries, row.down, row.retryCount);
        EXPECT_EQ(verdict.tryAgain, row.tryAgain);
        if (!row.tryAgain) {
            EXPECT_EQ(StatusMark::Glyph(verdict.mark), row.mark);
            EXPECT_EQ(verdict.reason, row.reason);
        }
    }
}

// Every way a transfer ends, read as the run's rules: what the job's row
// shows afterwards and whether the job is fetched again in this run.
TEST(JobPolicy, EveryEndingDecidesTheJobsMarkOrItsNextTry) {
    using Next = JobPolicy::Decision::Next;
    using M = JobList::Mark;
    using S = DownloadOutcome::Status;
    const auto ending = [](S status, Failure kind = Failure::Final, qint64 retryAfter = -1) {
        DownloadOutcome outcome;
        outcome.status = status;
        outcome.kind = kind;
        outcome.retryAfter = retryAfter;
        outcome.reason = QStringLiteral("why");
        return outcome;
    };
    struct Row {
        const char* rule;
        JobPolicy::JobState job;
        DownloadOutcome outcome;
        Next next;
        M mark;
        qint64 asked;
    };
    const JobPolicy::JobState first{};
    JobPolicy::JobState retried = first;
    retried.retries = 2;
    JobPolicy::JobState letGo = retried;
    letGo.held = false;
    JobPolicy::JobState waitedEnough = first;
    waitedEnough.slowDowns = JobPolicy::kMaxSlowDowns;
    JobPolicy::JobState inCycle = first;
    inCycle.retryCount = 6;
    const std::vector<Row> rows = {
        {"a success is done", first, ending(S::Succeeded), Next::Mark, M::Done, 0},
        {"a success during a cycle is still done", inCycle, ending(S::Succeeded), Next::Mark,
         M::Done, 0},
        {"our own abort leaves the job to fetch", first, ending(S::Cancelled), Next::Keep,
         M::Requested, 0},
        {"a 404 fails", retried, ending(S::Failed), Next::Mark, M::Failed, 0},
        {"a 503 is waited out as it asked", first, ending(S::Failed, Failure::SlowDown, 30),
         Next::WaitHost, M::Requested, 30},
        {"a 429 naming no time waits its back-off", first, ending(S::Failed, Failure::SlowDown, 0),
         Next::WaitHost, M::Requested, 0},
        {"a ninth 503 in a row fails", waitedEnough, ending(S::Failed, Failure::SlowDown, 0),
         Next::Mark, M::Failed, 0},
        {"a reset with tries left is tried again", retried, ending(S::Failed, Failure::Transient),
         Next::TryAgain, M::Requested, 0},
        {"a job a new Go! let go of is left to the walk", letGo,
         ending(S::Failed, Failure::Transient), Next::Keep, M::Requested, 0},
        {"a 503 of a job let go of is not waited for", letGo,
         ending(S::Failed, Failure::SlowDown, 5), Next::Mark, M::GivenUp, 0},
        {"a failure late in a cycle gives up", inCycle, ending(S::Failed), Next::Mark, M::GivenUp,
         0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        const JobPolicy::Decision decision = JobPolicy::Decide(row.job, row.outcome);
        EXPECT_EQ(decision.next, row.next);
        EXPECT_EQ(decision.mark, row.mark);
        EXPECT_EQ(decision.asked, row.asked);
        EXPECT_EQ(decision.reason, row.next == Next::Mark && row.mark != M::Done ? "why" : "");
    }
}

TEST(JobPolicy, APathThatGoesUpOrIntoHiddenFilesIsRefused) {
    struct Row {
        QString path;
        QString reason;
    };
    for (const Row& row : {
             Row{"/home/u/Downloads/pic01.jpg", ""},
             {"/home/u/Downloads/./pic01.jpg", ""},
             {"/home/u/Downloads/v1.2/pic.01.jpg", ""},
             {"/home/u/.bashrc", "Refused: the path leads into the hidden \".bashrc\""},
             {"/home/u/.config/autostart/x.desktop",
              "Refused: the path leads into the hidden \".config\""},
             {"/home/u/Downloads/../.profile", "Refused: the path goes up a folder with \"..\""},
             {"../x.jpg", "Refused: the path goes up a folder with \"..\""},
             {"C:\\Users\\u\\.ssh\\id", "Refused: the path leads into the hidden \".ssh\""},
         })
        EXPECT_EQ(JobPolicy::PathRefusal(row.path), row.reason) << row.path.toStdString();
}

TEST(JobPolicy, TheCauseOfAFailureLeavesOutTheProtocolAndTheTries) {
    EXPECT_EQ(JobPolicy::CauseOf("HTTP/1.1 404 Not Found"), "404 Not Found");
    EXPECT_EQ(JobPolicy::CauseOf("HTTP/1.0 500 Internal Server Error after 3 tries"),
              "500 Internal Server Error");
    EXPECT_EQ(JobPolicy::CauseOf("Connection refused by h:80 after 3 tries"),
              "Connection refused by h:80");
    EXPECT_EQ(JobPolicy::CauseOf("not tried: h:80 refused 3 connections"),
              "not tried: h:80 refused 3 connections");
}

} // namespace
