// The run's overall line: counts, speed over a sliding window, time left.
#include "app/run_overview.h"

#include <QString>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr qint64 KB = 1024;
constexpr qint64 MB = 1024 * KB;

struct Case {
    const char* name;
    std::function<void(RunOverview&)> events;
    qint64 nowMs;
    const char* line;
};

const Case kCases[] = {
    {"NothingBeforeTheFirstJob", [](RunOverview&) {}, 0, ""},
    {"AJobJustStarted", [](RunOverview& o) { o.JobStarted(1, 1, 4, 3, 0); }, 0,
     "job 1 of 4 · 0 done, 0 failed"},
    {"HalfOfTheFirstFileGuessesTheOthersAtItsSize",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 4, 3, 0);
         o.Progress(1, 512 * KB, MB, 1000);
     },
     1000, "job 1 of 4 · 0 done, 0 failed · 512.0 KB/s · 0:07 left"},
    {"FilesFetchedSoFarGiveTheMeanSize",
     [](RunOverview& o) {
         for (int row = 1; row <= 2; ++row) {
             o.JobStarted(row, row, 10, 10 - row, (row - 1) * 1000);
             o.Progress(row, 100 * KB, 100 * KB, row * 1000);
             o.JobFinished(row, "○");
         }
         // The third announces nothing: it is guessed at the mean, too.
         o.JobStarted(3, 3, 10, 7, 2000);
         o.Progress(3, 50 * KB, 0, 2500);
     },
     2500, "job 3 of 10 · 2 done, 0 failed · 100.0 KB/s · 0:08 left"},
    {"SkippedCountsAsDoneFailuresAsFailedASmallResultNeither",
     [](RunOverview& o) {
         quint64 job = 0;
         for (const char* mark : {"▲", "▼", "×", "▽", "○"})
             o.JobFinished(++job, QString::fromUtf8(mark));
         o.JobStarted(6, 6, 6, 0, 0);
     },
     0, "job 6 of 6 · 2 done, 2 failed"},
    {"AJobCountsOnceByItsLatestMark",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 2, 1, 0);
         // Fetched empty, found too small, given up.
         for (const char* mark : {"○", "▽", "×"})
             o.JobFinished(1, QString::fromUtf8(mark));
         o.JobStarted(2, 2, 2, 0, 0);
         o.JobFinished(2, "▼");
         o.JobFinished(2, "○"); // "Go!" again: fetched this time
     },
     0, "job 2 of 2 · 1 done, 1 failed"},
    {"AnUnknownLengthWithNothingFetchedYetHasNoTimeLeft",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 2, 1, 0);
         o.Progress(1, 3 * KB, 0, 3000);
     },
     3000, "job 1 of 2 · 0 done, 0 failed · 1.0 KB/s"},
    {"TheLastJobNeedsOnlyItsOwnRest",
     [](RunOverview& o) {
         o.JobStarted(5, 5, 5, 0, 0);
         o.Progress(5, MB, 3 * MB, 2000);
     },
     2000, "job 5 of 5 · 0 done, 0 failed · 512.0 KB/s · 0:04 left"},
    {"OnlyTheLastFiveSecondsMakeTheSpeed",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 1, 0, 0);
         o.Progress(1, 10 * MB, 20 * MB, 1000);
         for (int s = 2; s <= 6; ++s)
             o.Progress(1, 10 * MB + (s - 1) * MB / 5, 20 * MB, s * 1000);
     },
     6000, "job 1 of 1 · 0 done, 0 failed · 204.8 KB/s · 0:46 left"},
    {"AStalledTransferShowsNoSpeed",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 3, 2, 0);
         o.Progress(1, MB, 2 * MB, 1000);
     },
     1000 + RunOverview::kSpeedWindowMs, "job 1 of 3 · 0 done, 0 failed"},
    {"ABodyStartedAgainCountsFromZero",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 1, 0, 0);
         o.Progress(1, 2 * KB, 4 * KB, 1000);
         o.Progress(1, 1 * KB, 4 * KB, 2000);
     },
     2000, "job 1 of 1 · 0 done, 0 failed · 1.5 KB/s · 0:02 left"},
    {"AnEndedRunKeepsOnlyItsCounts",
     [](RunOverview& o) {
         o.JobStarted(2, 2, 2, 0, 0);
         o.Progress(2, KB, 2 * KB, 1000);
         o.JobFinished(2, "○");
         o.End();
     },
     1000, "job 2 of 2 · 1 done, 0 failed"},
    {"StartForgetsTheRunBefore",
     [](RunOverview& o) {
         o.JobStarted(1, 1, 1, 0, 0);
         o.JobFinished(1, "×");
         o.End();
         o.Start();
         o.JobStarted(1, 1, 2, 1, 10'000);
         o.Progress(1, KB, 0, 10'500);
     },
     10'500, "job 1 of 2 · 0 done, 0 failed · 2.0 KB/s"},
    // Several jobs at once: the line names the latest started; the speed
    // and the time left count every job in flight.
    {"SeveralInFlightAddUpTheirBytes",
     [](RunOverview& o) {
         o.JobStarted(11, 1, 4, 3, 0);
         o.JobStarted(12, 2, 4, 2, 0);
         o.Progress(11, 512 * KB, MB, 1000);
         o.Progress(12, 512 * KB, MB, 1000);
     },
     1000, "job 2 of 4 · 0 done, 0 failed · 1.0 MB/s · 0:03 left"},
    {"OneOfSeveralFinishedLeavesTheOthersInFlight",
     [](RunOverview& o) {
         o.JobStarted(11, 1, 3, 2, 0);
         o.JobStarted(12, 2, 3, 1, 0);
         o.Progress(11, MB, MB, 1000);
         o.Progress(12, MB / 2, 2 * MB, 1000);
         o.JobFinished(11, "○");
         o.Progress(11, 5 * MB, MB, 1500); // after its end: no more bytes
         o.Progress(12, MB, 2 * MB, 2000);
     },
     2000, "job 2 of 3 · 1 done, 0 failed · 1.0 MB/s · 0:02 left"},
    {"AJobStartedAgainBehindTheOthersLeavesTheLineAtTheFurthest",
     [](RunOverview& o) {
         o.JobStarted(11, 1, 4, 3, 0);
         o.JobStarted(12, 2, 4, 2, 0);
         o.JobStarted(13, 3, 4, 1, 0);
         o.RequestEnded(11); // its server asked to wait
         o.Progress(12, 512 * KB, MB, 1000);
         o.Progress(13, 512 * KB, MB, 1000);
         o.JobStarted(11, 1, 4, 3, 1000); // the jobs after it include 12 and 13
     },
     1000, "job 3 of 4 · 0 done, 0 failed · 1.0 MB/s · 0:03 left"},
    {"ARequestEndedWithoutAnOutcomeIsNoLongerInFlight",
     [](RunOverview& o) {
         o.JobStarted(11, 1, 2, 1, 0);
         o.JobStarted(12, 2, 2, 0, 0);
         o.Progress(11, 512 * KB, 10 * MB, 1000);
         o.Progress(12, 512 * KB, MB, 1000);
         o.RequestEnded(11); // aborted, or its row deleted
     },
     1000, "job 2 of 2 · 0 done, 0 failed · 1.0 MB/s · 0:01 left"},
};

class RunOverviewLine : public ::testing::TestWithParam<Case> {};

TEST_P(RunOverviewLine, ShowsWhatTheEventsAddUpTo) {
    RunOverview overview;
    GetParam().events(overview);
    EXPECT_EQ(overview.Text(GetParam().nowMs), QString::fromUtf8(GetParam().line));
}

INSTANTIATE_TEST_SUITE_P(Cases, RunOverviewLine, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunOverviewUnits, SpeedsAndDurationsAtTheirBoundaries) {
    EXPECT_EQ(RunOverview::SpeedText(1023), "1023 B/s");
    EXPECT_EQ(RunOverview::SpeedText(1024), "1.0 KB/s");
    EXPECT_EQ(RunOverview::SpeedText(MB + MB / 2), "1.5 MB/s");
    EXPECT_EQ(RunOverview::DurationText(42), "0:42");
    EXPECT_EQ(RunOverview::DurationText(12 * 60 + 5), "12:05");
    EXPECT_EQ(RunOverview::DurationText(3723), "1:02:03");
}

} // namespace
