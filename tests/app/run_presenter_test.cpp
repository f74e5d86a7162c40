// What the window shows of a run, made from the run's events without a window.
#include "app/run_presenter.h"
#include "app/status_mark.h"

#include <QDate>
#include <QStringList>
#include <QTime>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = JobList::Mark;

/// A grid of three jobs, a presenter on clocks the test sets, and what the
/// presenter has shown so far.
struct Script {
    JobGrid grid;
    qint64 ms = 0;
    QDateTime wall{QDate(2024, 5, 6), QTime(12, 34, 56)};
    RunPresenter presenter{grid, {[this] { return ms; }, [this] { return wall; }}};

    QString panels[2];
    QString overview;
    QString bar = QStringLiteral("hidden");
    QStringList log;
    std::vector<int> scrolls;

    Script() {
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"})
            grid.Append(Job{{}, QStringLiteral("http://h/") + name, QStringLiteral("/dl/") + name});
        QObject::connect(&presenter, &RunPresenter::panelTextChanged,
                         [this](int panel, const QString& text) { panels[panel] = text; });
        QObject::connect(&presenter, &RunPresenter::overviewChanged,
                         [this](const QString& text) { overview = text; });
        QObject::connect(&presenter, &RunPresenter::fileBarChanged,
                         [this](const RunPresenter::FileBar& b) {
                             bar = !b.shown ? QStringLiteral("hidden")
                                   : b.busy ? QStringLiteral("busy")
                                            : QStringLiteral("%1/1000").arg(b.permille);
                         });
        QObject::connect(&presenter, &RunPresenter::logLineAdded,
                         [this](const QString& line) { log << line; });
        QObject::connect(&presenter, &RunPresenter::scrollToRow,
                         [this](int row) { scrolls.push_back(row); });
    }

    JobGrid::JobId Id(int row) const { return grid.IdAt(row); }
    void Start(int row) { presenter.JobStarted(Id(row)); }
    void Bytes(int row, qint64 received, qint64 expected) {
        presenter.Progress(Id(row), received, expected);
    }
    /// A job's outcome as the run reports it: the mark, then the request's end.
    void End(int row, M mark, const QString& reason = {}) {
        presenter.JobMarked(Id(row), row, mark, reason);
        presenter.JobFinished(Id(row), mark);
        presenter.RequestEnded(Id(row));
    }
};

struct Case {
    const char* name;
    std::function<void(Script&)> events;
    const char* panel0;
    const char* panel1;
    const char* overview;
    const char* bar;
    std::vector<const char*> log;
    std::vector<int> scrolls;
    int runningRow;
};

const Case kCases[] = {
    {"NothingIsShownBeforeTheRun", [](Script&) {}, "", "", "", "hidden", {}, {}, 0},
    {"AStartedJobIsNamedRequestedAndScrolledTo",
     [](Script& s) { s.Start(2); },
     "ダウンロード中：b.jpg",
     "リクエスト中",
     "job 2 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {2},
     2},
    {"ConnectedThenTheBytesFillTheBar",
     [](Script& s) {
         s.Start(1);
         s.presenter.Connected();
         s.ms = 1000;
         s.Bytes(1, 250, 1000);
     },
     "ダウンロード中：a.jpg",
     "Bytes：250 / 1000 (25%)",
     "job 1 of 3 · 0 done, 0 failed · 250 B/s · 0:11 left",
     "250/1000",
     {},
     {1},
     1},
    {"AConnectionAloneSaysTheTransferStarts",
     [](Script& s) {
         s.Start(1);
         s.presenter.Connected();
     },
     "ダウンロード中：a.jpg",
     "転送開始",
     "job 1 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {1},
     1},
    {"AnUnknownLengthMakesTheBarBusy",
     [](Script& s) {
         s.Start(1);
         s.Bytes(1, 500, 0);
     },
     "ダウンロード中：a.jpg",
     "Bytes：500",
     "job 1 of 3 · 0 done, 0 failed",
     "busy",
     {},
     {1},
     1},
    {"TheBarFollowsTheLatestStartedOfJobsInFlight",
     [](Script& s) {
         s.Start(1);
         s.Start(2);
         s.Bytes(1, 500, 1000);
     },
     "ダウンロード中：b.jpg",
     "Bytes：500 / 1000 (50%)",
     "job 2 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {1, 2},
     2},
    {"TheOverallLineWaitsAQuarterSecondBetweenRefreshes",
     [](Script& s) {
         s.Start(1);
         s.ms = 249;
         s.Bytes(1, 249, 1000);
     },
     "ダウンロード中：a.jpg",
     "Bytes：249 / 1000 (24%)",
     "job 1 of 3 · 0 done, 0 failed",
     "249/1000",
     {},
     {1},
     1},
    {"TheOverallLineRefreshesAfterAQuarterSecond",
     [](Script& s) {
         s.Start(1);
         s.ms = 250;
         s.Bytes(1, 250, 1000);
     },
     "ダウンロード中：a.jpg",
     "Bytes：250 / 1000 (25%)",
     "job 1 of 3 · 0 done, 0 failed · 1000 B/s · 0:03 left",
     "250/1000",
     {},
     {1},
     1},
    {"AFailureIsLoggedWithTimeMarkRowFileAndReason",
     [](Script& s) {
         s.Start(2);
         s.End(2, M::Failed, "404 Not Found");
     },
     "ダウンロード中：b.jpg",
     "リクエスト中",
     "job 2 of 3 · 0 done, 1 failed",
     "0/1000",
     {"12:34:56  ▼  row 2  b.jpg: 404 Not Found"},
     {2},
     2},
    {"AGivenUpJobIsLoggedWithItsMark",
     [](Script& s) {
         s.Start(3);
         s.End(3, M::GivenUp, "connection refused");
     },
     "ダウンロード中：c.jpg",
     "リクエスト中",
     "job 3 of 3 · 0 done, 1 failed",
     "0/1000",
     {"12:34:56  ×  row 3  c.jpg: connection refused"},
     {3},
     3},
    {"AJobLeftUntriedIsLoggedWithoutAMark",
     [](Script& s) { s.End(3, M::None, "host is down"); },
     "",
     "",
     "",
     "hidden",
     {"12:34:56    row 3  c.jpg: host is down"},
     {},
     0},
    {"OutcomesThatAreNoFailureAreNotLogged",
     [](Script& s) {
         s.Start(1);
         s.presenter.JobMarked(s.Id(1), 1, M::Requested, {});
         s.End(1, M::Done);
         s.End(2, M::Skipped);
         s.End(3, M::Small, "smaller than 10 KB");
         s.End(3, M::None);
     },
     "ダウンロード中：a.jpg",
     "リクエスト中",
     "job 1 of 3 · 2 done, 0 failed",
     "0/1000",
     {},
     {1},
     1},
    {"TheUserScrollingHoldsTheGrid",
     [](Script& s) {
         s.presenter.UserScrolled();
         s.ms = RunPresenter::kUserScrollHoldMs - 1;
         s.Start(1);
     },
     "ダウンロード中：a.jpg",
     "リクエスト中",
     "job 1 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {},
     1},
    {"TheGridFollowsAgainOnceTheHoldIsOver",
     [](Script& s) {
         s.presenter.UserScrolled();
         s.ms = RunPresenter::kUserScrollHoldMs;
         s.Start(1);
     },
     "ダウンロード中：a.jpg",
     "リクエスト中",
     "job 1 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {1},
     1},
    {"ACompletedRunAddsWhatTheWholeListHolds",
     [](Script& s) {
         s.Start(1);
         s.grid.SetStatus(1, StatusMark::Done);
         s.End(1, M::Done);
         s.grid.SetStatus(2, StatusMark::Failed);
         s.grid.SetReason(2, "404 Not Found");
         s.presenter.RunFinished(DownloadRun::End::Completed);
     },
     "完了：",
     "リクエスト中",
     "job 1 of 3 · 1 done, 0 failed  —  list: 1 ○ · 1 ▼ (404 Not Found: 1) · 1 not tried",
     "hidden",
     {},
     {1},
     0},
    {"AStopIsNamedWhileTheJobEnds",
     [](Script& s) {
         s.Start(2);
         s.presenter.Stopping(s.Id(2));
     },
     "中断処理中：b.jpg",
     "リクエスト中",
     "job 2 of 3 · 0 done, 0 failed",
     "0/1000",
     {},
     {2},
     2},
    {"AStoppedRunSaysSoAndHidesTheBar",
     [](Script& s) {
         s.Start(2);
         s.presenter.Stopping(s.Id(2));
         s.presenter.RunFinished(DownloadRun::End::Cancelled);
     },
     "中断しました",
     "リクエスト中",
     "job 2 of 3 · 0 done, 0 failed  —  list: 3 not tried",
     "hidden",
     {},
     {2},
     0},
    {"AServerThatAsksToWaitIsNamed",
     [](Script& s) { s.presenter.WaitingForHost(30, true); },
     "waiting for host (Retry-After 30 s)",
     "",
     "",
     "hidden",
     {},
     {},
     0},
    {"TheClientsStatusAndErrorsTakeTheRunPanel",
     [](Script& s) {
         s.presenter.StatusChanged("Connecting");
         s.presenter.RequestError("Connection refused");
     },
     "Connection refused",
     "",
     "",
     "hidden",
     {},
     {},
     0},
    {"ANewRunSetsTheEarlierLinesApart",
     [](Script& s) {
         s.End(1, M::Failed, "timed out");
         s.wall = s.wall.addSecs(61);
         s.presenter.RunStarting();
     },
     "",
     "",
     "",
     "hidden",
     {"12:34:56  ▼  row 1  a.jpg: timed out",
      "── 12:35:57  Go! (the lines above are from the previous run) ──"},
     {},
     0},
    {"AFirstRunHasNothingToSetApart",
     [](Script& s) { s.presenter.RunStarting(); },
     "",
     "",
     "",
     "hidden",
     {},
     {},
     0},
    {"AClearedListEmptiesTheOverallLine",
     [](Script& s) {
         s.Start(1);
         s.presenter.RunFinished(DownloadRun::End::Completed);
         s.presenter.ClearOverview();
     },
     "完了：",
     "リクエスト中",
     "",
     "hidden",
     {},
     {1},
     0},
};

class RunPresenterView : public ::testing::TestWithParam<Case> {};

TEST_P(RunPresenterView, ShowsWhatTheEventsSay) {
    const Case& c = GetParam();
    Script s;
    c.events(s);
    // Compared as UTF-8, so a failure prints the texts.
    EXPECT_EQ(s.panels[0].toStdString(), c.panel0);
    EXPECT_EQ(s.panels[1].toStdString(), c.panel1);
    EXPECT_EQ(s.overview.toStdString(), c.overview);
    EXPECT_EQ(s.bar.toStdString(), c.bar);
    std::vector<std::string> log;
    for (const QString& line : s.log)
        log.push_back(line.toStdString());
    EXPECT_EQ(log, std::vector<std::string>(c.log.begin(), c.log.end()));
    EXPECT_EQ(s.scrolls, c.scrolls);
    EXPECT_EQ(s.grid.RowOf(s.grid.RunningJob()), c.runningRow);
}

INSTANTIATE_TEST_SUITE_P(Cases, RunPresenterView, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(RunPresenterMemory, TheStatusTooltipTellsTheReasonAndWhenAJobEnded) {
    Script s;
    s.grid.SetReason(2, "404 Not Found");
    s.End(2, M::Failed, "404 Not Found");
    s.wall = s.wall.addDays(1);
    s.End(3, M::Done);
    s.presenter.JobMarked(s.Id(1), 1, M::Requested, {}); // under way: not ended
    EXPECT_EQ(s.presenter.StatusToolTip(2), "404 Not Found\nEnded 2024-05-06 12:34:56");
    EXPECT_EQ(s.presenter.StatusToolTip(3), "Ended 2024-05-07 12:34:56");
    EXPECT_EQ(s.presenter.StatusToolTip(1), "");
    // A row deleted under the tooltip names another job, or none.
    s.grid.DeleteRows(2, 2);
    EXPECT_EQ(s.presenter.StatusToolTip(2), "Ended 2024-05-07 12:34:56");
    EXPECT_EQ(s.presenter.StatusToolTip(3), "");
}

TEST(RunPresenterMemory, EachLogLineLeadsToItsJobPastTheSeparators) {
    Script s;
    s.End(1, M::Failed, "timed out");
    s.End(2, M::GivenUp, "refused");
    s.presenter.RunStarting();
    s.End(3, M::None, "host is down");
    ASSERT_EQ(s.log.size(), 4);
    EXPECT_EQ(s.presenter.JobOfLogLine(0), s.Id(1));
    EXPECT_EQ(s.presenter.JobOfLogLine(1), s.Id(2));
    EXPECT_EQ(s.presenter.JobOfLogLine(2), 0u);
    EXPECT_EQ(s.presenter.JobOfLogLine(3), s.Id(3));
    EXPECT_EQ(s.presenter.JobOfLogLine(4), 0u);
}

TEST(StatusMarkGlyphs, EveryMarkGoesToItsGlyphAndBack) {
    const struct {
        M mark;
        const QString& glyph;
    } rows[] = {{M::Done, StatusMark::Done},       {M::Requested, StatusMark::Requested},
                {M::Skipped, StatusMark::Skipped}, {M::Small, StatusMark::Small},
                {M::Failed, StatusMark::Failed},   {M::GivenUp, StatusMark::GivenUp}};
    for (const auto& row : rows) {
        EXPECT_EQ(StatusMark::Glyph(row.mark), row.glyph);
        EXPECT_EQ(StatusMark::MarkOf(row.glyph), row.mark);
    }
    EXPECT_EQ(StatusMark::MarkOf(QString()), M::None);
    EXPECT_EQ(StatusMark::Glyph(M::None), QString());
    // A hand-written mark is kept as text by the list; it has no glyph of its own.
    EXPECT_EQ(StatusMark::MarkOf("?"), M::Other);
    EXPECT_EQ(StatusMark::Glyph(M::Other), QString());
}

} // namespace
