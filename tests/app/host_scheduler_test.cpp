// When the run may start its next request, on a clock the test moves.
#include "app/host_scheduler.h"

#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Scheduler {
    qint64 clock = 1000;
    HostScheduler hosts{[this] { return clock; }};
};

TEST(HostScheduler, WaitsPausesAndTurnsFollowTheRunsRules) {
    const QString a = QStringLiteral("http://a:-1");
    const QString b = QStringLiteral("http://b:-1");
    struct Row {
        const char* rule;
        std::function<qint64(Scheduler&)> act; ///< returns the figure the rule is about
        qint64 expected;
    };
    const std::vector<Row> rows = {
        {"a server never asked is due at once", [&](Scheduler& s) { return s.hosts.HostDue(a); },
         0},
        {"Retry-After is waited as asked, from now",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             return s.hosts.HostDue(a) - s.clock;
         },
         30'000},
        {"Retry-After is capped at five minutes",
         [&](Scheduler& s) { return s.hosts.LeaveAlone(a, 100'000); }, 300},
        {"no time named: the back-off doubles up to a minute",
         [&](Scheduler& s) {
             qint64 last = 0;
             for (int i = 0; i < 9; ++i)
                 last = s.hosts.LeaveAlone(a, 0);
             return last;
         },
         60},
        {"a success starts the back-off afresh",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 0);
             s.hosts.LeaveAlone(a, 0);
             s.hosts.Succeeded(a);
             return s.hosts.LeaveAlone(a, 0);
         },
         1},
        {"a wait holds only its own server",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             return s.hosts.HostDue(b);
         },
         0},
        {"the job that waited is not held by its own wait",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             return s.hosts.HostDue(a, s.clock + 30'000);
         },
         0},
        {"but by a longer one asked of another request since",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             s.hosts.LeaveAlone(a, 60);
             return s.hosts.HostDue(a, s.clock + 30'000) - s.clock;
         },
         60'000},
        {"settling the job that waited ends the wait for all",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             s.hosts.EndWait(a, s.clock + 30'000);
             return s.hosts.HostDue(a);
         },
         0},
        {"but not a longer one asked since",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 30);
             s.hosts.LeaveAlone(a, 60);
             s.hosts.EndWait(a, s.clock + 30'000);
             return s.hosts.HostDue(a) - s.clock;
         },
         60'000},
        {"--rate 4: the next start to a server is a quarter second later",
         [&](Scheduler& s) {
             s.hosts.SetRateLimit(4);
             s.hosts.Started(a);
             s.clock += 100;
             return s.hosts.HostDue(a) - s.clock;
         },
         150},
        {"--rate 3 rounds the gap up",
         [&](Scheduler& s) {
             s.hosts.SetRateLimit(3);
             s.hosts.Started(a);
             return s.hosts.HostDue(a) - s.clock;
         },
         334},
        {"without a rate, starts are not spaced",
         [&](Scheduler& s) {
             s.hosts.Started(a);
             return s.hosts.HostDue(a);
         },
         0},
        {"a rate and a wait: the later of the two",
         [&](Scheduler& s) {
             s.hosts.SetRateLimit(1);
             s.hosts.Started(a);
             s.hosts.LeaveAlone(a, 2);
             return s.hosts.HostDue(a) - s.clock;
         },
         2000},
        {"a new run forgets the waits and back-offs",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 0);
             s.hosts.LeaveAlone(a, 30);
             s.hosts.NewRun(false);
             return s.hosts.HostDue(a) + s.hosts.LeaveAlone(a, 0);
         },
         1},
        {"a new run while the last is under way keeps the back-off, not the wait",
         [&](Scheduler& s) {
             s.hosts.LeaveAlone(a, 0);
             s.hosts.LeaveAlone(a, 30);
             s.hosts.NewRun(true);
             return s.hosts.HostDue(a) * 1000 + s.hosts.LeaveAlone(a, 0);
         },
         2},
        {"each lane pauses by itself after its request",
         [&](Scheduler& s) {
             s.hosts.SetLanes(2);
             s.hosts.SetPauseMs(200);
             s.hosts.DueAt(0, s.clock);
             s.hosts.DueAt(1, s.clock);
             s.hosts.Pause(0);
             s.clock += 50;
             return (s.hosts.LaneDueNow(0) ? 10 : 0) + (s.hosts.LaneDueNow(1) ? 1 : 0);
         },
         1},
        {"a lane is due once its pause is over",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(200);
             s.hosts.Pause(0);
             s.clock += 200;
             return qint64(s.hosts.LaneDueNow(0));
         },
         1},
        {"--random-wait: the lowest draw pauses half the interval",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(200);
             s.hosts.SetRandomWait(true, [] { return 0.0; });
             s.hosts.Pause(0);
             return s.hosts.LaneDue(0) - s.clock;
         },
         100},
        {"--random-wait: a draw near 1 pauses nearly one and a half",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(200);
             s.hosts.SetRandomWait(true, [] { return 0.999; });
             s.hosts.Pause(0);
             return s.hosts.LaneDue(0) - s.clock;
         },
         300},
        {"--random-wait: each pause draws anew",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(1000);
             double draws[] = {0.25, 0.75};
             int next = 0;
             s.hosts.SetRandomWait(true, [&] { return draws[next++ % 2]; });
             return s.hosts.NextPauseMs() * 10000 + s.hosts.NextPauseMs();
         },
         750 * 10000 + 1250},
        {"--random-wait turned off: the interval as it is",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(200);
             s.hosts.SetRandomWait(true, [] { return 0.0; });
             s.hosts.SetRandomWait(false);
             return s.hosts.NextPauseMs();
         },
         200},
        {"--random-wait with the system's draws stays within its bounds",
         [&](Scheduler& s) {
             s.hosts.SetPauseMs(1000);
             s.hosts.SetRandomWait(true);
             qint64 outside = 0;
             for (int i = 0; i < 1000; ++i) {
                 const qint64 ms = s.hosts.NextPauseMs();
                 outside += ms < 500 || ms > 1500;
             }
             return outside;
         },
         0},
        {"two in flight to a server capped at two: no third",
         [&](Scheduler& s) {
             s.hosts.SetMaxPerHost(2);
             s.hosts.Started(a);
             s.hosts.Started(a);
             const bool full = s.hosts.AtCap(a);
             s.hosts.Ended(a);
             return (full ? 10 : 0) + (s.hosts.AtCap(a) ? 1 : 0);
         },
         10},
        {"a server that carries its requests as streams of one connection has no cap",
         [&](Scheduler& s) {
             s.hosts.SetMaxPerHost(2);
             s.hosts.SetMultiplexed(a, true);
             for (int i = 0; i < 5; ++i)
                 s.hosts.Started(a);
             const bool full = s.hosts.AtCap(a);
             // Its next reply came over HTTP/1.1 again: the cap is back.
             s.hosts.SetMultiplexed(a, false);
             return (full ? 10 : 0) + (s.hosts.AtCap(a) ? 1 : 0);
         },
         1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        Scheduler s;
        EXPECT_EQ(row.act(s), row.expected);
    }
}

TEST(HostScheduler, AnAddressIsDownAfterThreeFailedConnectionsInARow) {
    struct Row {
        const char* rule;
        std::vector<char> tries; ///< 'r' refused, 't' timed out, 'a' answered
        QString reason;
    };
    const QString address = QStringLiteral("h:80");
    const std::vector<Row> rows = {
        {"two refusals are not enough", {'r', 'r'}, ""},
        {"three refusals in a row", {'r', 'r', 'r'}, "not tried: h:80 refused 3 connections"},
        {"a time-out among them", {'r', 't', 'r'}, "not tried: h:80 failed 3 connection tries"},
        {"a reply in between starts the count again", {'r', 'r', 'a', 'r', 'r'}, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        Scheduler s;
        bool down = false;
        for (const char t : row.tries)
            if (t == 'a')
                s.hosts.Answered(address);
            else
                down = s.hosts.ConnectFailed(address, t == 'r');
        EXPECT_EQ(down, !row.reason.isEmpty());
        EXPECT_EQ(s.hosts.DownReason(address), row.reason);
        EXPECT_EQ(s.hosts.DownReason(QStringLiteral("other:80")), "");
    }
}

} // namespace
