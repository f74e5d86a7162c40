#include "app/job_grid.h"
#include "app/status_mark.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

// The model tester reports through the "qt.modeltest" logging category; the
// handler collects those reports so a test can fail on them.
QStringList* g_modelTestReports = nullptr;
QtMessageHandler g_previousHandler = nullptr;

void CollectModelTestReports(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    if (g_modelTestReports && context.category &&
        QLatin1String(context.category) == QLatin1String("qt.modeltest")) {
        g_modelTestReports->append(message);
        return;
    }
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

std::vector<Job> Numbered(int from, int to) {
    std::vector<Job> jobs;
    for (int n = from; n <= to; ++n)
        jobs.push_back(
            Job{"", QStringLiteral("http://h/%1").arg(n), QStringLiteral("/d/%1").arg(n)});
    return jobs;
}

QStringList Urls(const JobGrid& grid) {
    QStringList urls;
    for (int row = 1; row < grid.NextRow(); ++row)
        urls << grid.Url(row);
    return urls;
}

class JobGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_modelTestReports = &reports;
        g_previousHandler = qInstallMessageHandler(CollectModelTestReports);
        tester = std::make_unique<QAbstractItemModelTester>(
            &grid, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    void TearDown() override {
        tester.reset();
        qInstallMessageHandler(g_previousHandler);
        g_modelTestReports = nullptr;
        EXPECT_TRUE(reports.isEmpty()) << reports.join("\n").toStdString();
    }

    // The invariants every change must keep.
    void ExpectConsistent() const {
        EXPECT_EQ(grid.NextRow(), grid.JobCount() + 1);
        EXPECT_EQ(grid.GridRowCount(), grid.JobCount() == 0 ? 2 : grid.NextRow());
        EXPECT_EQ(grid.rowCount(), grid.GridRowCount() - 1);
    }

    QStringList reports;
    JobGrid grid;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

} // namespace

TEST_F(JobGridTest, EmptyListShowsOneEmptyRowUnderTheHeader) {
    ExpectConsistent();
    EXPECT_EQ(grid.NextRow(), 1);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.index(0, JobGrid::UrlColumn).data().toString(), "");
    EXPECT_FALSE(grid.IsJobRow(1));
    EXPECT_EQ(grid.IdAt(1), 0u);
    EXPECT_EQ(grid.headerData(JobGrid::PathColumn, Qt::Horizontal).toString(), "Path");
}

TEST_F(JobGridTest, AppendToEmptyTurnsTheEmptyRowIntoTheFirstJobAndInsertsTheRestAtOnce) {
    QSignalSpy inserted(&grid, &JobGrid::rowsInserted);
    QSignalSpy changed(&grid, &JobGrid::dataChanged);
    grid.Append(Numbered(1, 12));
    ExpectConsistent();
    EXPECT_EQ(grid.NextRow(), 13);
    EXPECT_EQ(grid.GridRowCount(), 13);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 11);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex().row(), 0);
    EXPECT_EQ(grid.Url(1), "http://h/1");
    EXPECT_EQ(grid.Path(12), "/d/12");
    EXPECT_EQ(grid.index(11, JobGrid::PathColumn).data().toString(), "/d/12");
    // Past the last job a row reads empty, as the grid's spare cells do.
    EXPECT_EQ(grid.Path(13), "");
    EXPECT_EQ(grid.Status(0), "");

    grid.Append(Numbered(13, 14));
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted[1][1].toInt(), 12);
    EXPECT_EQ(inserted[1][2].toInt(), 13);
    EXPECT_EQ(grid.Url(14), "http://h/14");

    grid.Append(std::vector<Job>{});
    EXPECT_EQ(inserted.count(), 2);
    grid.Append(Job{"○", "u15", "p15"});
    EXPECT_EQ(inserted.count(), 3);
    EXPECT_EQ(grid.Status(15), "○");
    ExpectConsistent();
}

TEST_F(JobGridTest, SetStatusChangesOneCellOfAJobRowOnly) {
    grid.Append(Numbered(1, 3));
    QSignalSpy changed(&grid, &JobGrid::dataChanged);
    grid.SetStatus(2, "↓");
    EXPECT_EQ(grid.Status(2), "↓");
    EXPECT_EQ(grid.index(1, JobGrid::StatusColumn).data().toString(), "↓");
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toModelIndex(), grid.index(1, JobGrid::StatusColumn));
    EXPECT_EQ(changed[0][1].toModelIndex(), grid.index(1, JobGrid::StatusColumn));

    grid.SetStatus(4, "×"); // past the last job: nothing to mark
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(grid.Status(4), "");
}

TEST_F(JobGridTest, DeleteMovesTheRowsBelowUp) {
    grid.Append(Numbered(1, 5));
    grid.DeleteRows(2, 3);
    ExpectConsistent();
    EXPECT_EQ(grid.NextRow(), 4);
    EXPECT_EQ(Urls(grid), QStringList({"http://h/1", "http://h/4", "http://h/5"}));

    // The last rows: nothing moves, the grid shrinks.
    grid.DeleteRows(3, 3);
    EXPECT_EQ(Urls(grid), QStringList({"http://h/1", "http://h/4"}));

    // A range reaching past the jobs, or below the header, is clipped.
    grid.Append(Numbered(6, 7));
    grid.DeleteRows(3, 99);
    EXPECT_EQ(Urls(grid), QStringList({"http://h/1", "http://h/4"}));
    grid.DeleteRows(-5, 1);
    EXPECT_EQ(Urls(grid), QStringList({"http://h/4"}));
    grid.DeleteRows(5, 2); // reversed: nothing
    EXPECT_EQ(grid.NextRow(), 2);
    ExpectConsistent();
}

TEST_F(JobGridTest, DeletingEveryJobOrClearingLeavesTheEmptyRow) {
    grid.Append(Numbered(1, 4));
    grid.SetStatus(1, "○");
    grid.DeleteRows(1, 4);
    ExpectConsistent();
    EXPECT_EQ(grid.NextRow(), 1);
    EXPECT_EQ(grid.rowCount(), 1);
    EXPECT_EQ(grid.index(0, JobGrid::StatusColumn).data().toString(), "");

    grid.DeleteRows(1, 1); // the empty row of an empty list
    EXPECT_EQ(grid.NextRow(), 1);
    EXPECT_EQ(grid.rowCount(), 1);

    grid.Append(Numbered(1, 3));
    grid.SetStatus(1, "▼");
    grid.Clear();
    ExpectConsistent();
    EXPECT_EQ(grid.NextRow(), 1);
    EXPECT_EQ(grid.index(0, JobGrid::StatusColumn).data().toString(), "");
    EXPECT_EQ(grid.index(0, JobGrid::UrlColumn).data().toString(), "");
    grid.Clear();
    EXPECT_EQ(grid.rowCount(), 1);

    grid.Append(Job{"", "only", "p"});
    grid.Clear();
    EXPECT_EQ(grid.NextRow(), 1);
    EXPECT_TRUE(grid.Jobs().empty());
}

TEST_F(JobGridTest, AJobKeepsItsIdWhileRowsAboveGoAndIsFoundWhereItWent) {
    grid.Append(Numbered(1, 5));
    const JobGrid::JobId third = grid.IdAt(3);
    const JobGrid::JobId fifth = grid.IdAt(5);
    EXPECT_NE(third, fifth);
    EXPECT_NE(third, 0u);
    EXPECT_EQ(grid.RowOf(third), 3);

    grid.DeleteRows(1, 2);
    EXPECT_EQ(grid.RowOf(third), 1);
    EXPECT_EQ(grid.Url(grid.RowOf(third)), "http://h/3");
    EXPECT_EQ(grid.RowOf(fifth), 3);

    grid.DeleteRows(1, 1);
    EXPECT_EQ(grid.RowOf(third), 0);
    EXPECT_EQ(grid.RowOf(fifth), 2);

    grid.Clear();
    EXPECT_EQ(grid.RowOf(fifth), 0);
    // Ids are never handed out again, so a run holding an old one cannot
    // mistake a newly listed job for its own.
    grid.Append(Numbered(1, 5));
    for (int row = 1; row < grid.NextRow(); ++row) {
        EXPECT_NE(grid.IdAt(row), third);
        EXPECT_NE(grid.IdAt(row), fifth);
    }
    EXPECT_EQ(grid.RowOf(0), 0);
}

TEST_F(JobGridTest, TheRunningJobsRowIsMarkedWhereverEditsMoveIt) {
    const auto runningRows = [this] {
        QList<int> rows;
        for (int r = 0; r < grid.rowCount(); ++r)
            for (int c = 0; c < JobGrid::ColumnCount; ++c)
                if (grid.index(r, c).data(JobGrid::RunningRole).toBool()) {
                    rows << r + 1;
                    break;
                }
        return rows;
    };
    grid.Append(Numbered(1, 5));
    EXPECT_EQ(runningRows(), QList<int>{});
    grid.SetRunningJob(grid.IdAt(4));
    EXPECT_EQ(runningRows(), QList<int>{4});

    QList<int> changed;
    QObject::connect(&grid, &JobGrid::dataChanged,
                     [&](const QModelIndex& from) { changed << from.row() + 1; });
    grid.SetRunningJob(grid.IdAt(2));
    EXPECT_EQ(changed, (QList<int>{4, 2})) << "the old and the new row repaint";
    grid.DeleteRows(1, 1);
    EXPECT_EQ(runningRows(), QList<int>{1});
    grid.DeleteRows(1, 1);
    EXPECT_EQ(runningRows(), QList<int>{}) << "a deleted job leaves no row marked";
    grid.SetRunningJob(0);
    EXPECT_EQ(grid.RunningJob(), 0u);
}

// A failed or given-up job's whole row says so, for the view to tint; the
// view hears of it when a mark goes into or out of failure, and only then.
TEST_F(JobGridTest, AFailedJobsRowIsMarkedAsFailedOnEveryCell) {
    const struct {
        QString mark;
        bool failed;
    } marks[] = {
        {"", false},
        {StatusMark::Done, false},
        {StatusMark::Requested, false},
        {StatusMark::Skipped, false},
        {StatusMark::Small, false},
        {StatusMark::Failed, true},
        {StatusMark::GivenUp, true},
        {"?", false},
    };
    grid.Append(Numbered(1, 2));
    QList<QList<int>> roles;
    QObject::connect(&grid, &JobGrid::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to, const QList<int>& r) {
                         if (r.contains(JobGrid::FailedRole)) {
                             EXPECT_EQ(from.column(), 0);
                             EXPECT_EQ(to.column(), JobGrid::ColumnCount - 1);
                             roles << r;
                         }
                     });
    bool before = false;
    for (const auto& row : marks) {
        SCOPED_TRACE(row.mark.toStdString());
        const qsizetype told = roles.size();
        grid.SetStatus(1, row.mark);
        for (int c = 0; c < JobGrid::ColumnCount; ++c)
            EXPECT_EQ(grid.index(0, c).data(JobGrid::FailedRole).toBool(), row.failed);
        EXPECT_FALSE(grid.index(1, 0).data(JobGrid::FailedRole).toBool());
        EXPECT_EQ(roles.size() - told, row.failed != before ? 1 : 0);
        before = row.failed;
    }
    grid.SetMark(2, JobList::Mark::GivenUp);
    EXPECT_TRUE(grid.index(1, JobGrid::PathColumn).data(JobGrid::FailedRole).toBool());
    grid.SetMark(2, JobList::Mark::Done);
    EXPECT_FALSE(grid.index(1, JobGrid::PathColumn).data(JobGrid::FailedRole).toBool());
}

// Jobs of every kind the compact store tells apart: each mark of the run, a
// mark read from a hand-edited file, a reason, a URL without a folder, a
// path that does not end in the URL's file name, texts beyond ASCII.
const std::vector<Job> kStoredJobs = {
    {"", "http://h/s/a1.jpg", "/d/a1.jpg"},
    {StatusMark::Done, "http://h/s/a2.jpg", "/d/a2.jpg"},
    {StatusMark::Requested, "http://h/s/a3.jpg", "/d/a3.jpg"},
    {StatusMark::Skipped, "http://h/s/a4.jpg", "/d/a4.jpg"},
    {StatusMark::Small, "http://h/s/a5.jpg", "/d/a5.jpg"},
    {StatusMark::Failed, "http://h/s/a6.jpg", "/d/a6.jpg", "HTTP/1.0 404 Not Found"},
    {StatusMark::GivenUp, "http://h/s/a7.jpg", "/d/a7.jpg", "HTTP/1.0 404 Not Found"},
    {QString::fromUtf8("済"), "no-folder", "", ""},
    {"?", "http://other/x/", "/e/renamed.bin", "a reason of its own"},
    {"", QString::fromUtf8("http://h/画像/01.png"), QString::fromUtf8("/d/画像/01.png")},
};

TEST(JobList, HoldsEveryKindOfJobThroughEditsDeletesAndAppends) {
    JobList list(kStoredJobs);
    EXPECT_EQ(list.toVector(), kStoredJobs);
    for (size_t i = 0; i < kStoredJobs.size(); ++i) {
        const QString& mark = kStoredJobs[i].status;
        EXPECT_EQ(list.status(i), mark) << i;
        EXPECT_EQ(StatusMark::IsFetched(list.mark(i)), StatusMark::IsFetched(mark)) << i;
        EXPECT_EQ(StatusMark::IsSuccess(list.mark(i)), StatusMark::IsSuccess(mark)) << i;
        EXPECT_EQ(list.mark(i) == JobList::Mark::Other, i == 7 || i == 8) << i;
    }

    // Marks and reasons change in place; a reason two jobs share stays with
    // the one that keeps it.
    std::vector<Job> expected = kStoredJobs;
    list.setReason(5, {});
    expected[5].reason.clear();
    list.setStatus(7, StatusMark::Done);
    expected[7].status = StatusMark::Done;
    list.setStatus(1, "!");
    expected[1].status = "!";
    EXPECT_EQ(list.toVector(), expected);

    // Deleting most of a long list packs what is left.
    JobList longer = list;
    for (int n = 0; n < 1000; ++n)
        longer.push_back({"", QStringLiteral("http://h/s/b%1.jpg").arg(n), "/d/b.jpg"});
    longer.erase(2, 900);
    std::vector<Job> kept(expected.begin(), expected.begin() + 2);
    for (int n = 890; n < 1000; ++n)
        kept.push_back({"", QStringLiteral("http://h/s/b%1.jpg").arg(n), "/d/b.jpg"});
    EXPECT_EQ(longer.toVector(), kept);

    // Appended to another list, the jobs keep their texts; appended to an
    // empty one, they are taken over.
    JobList both = longer;
    both.append(list);
    kept.insert(kept.end(), expected.begin(), expected.end());
    EXPECT_EQ(both.toVector(), kept);
    JobList taken;
    taken.append(std::move(both));
    EXPECT_EQ(taken.toVector(), kept);
    EXPECT_TRUE(both.empty());
}

TEST_F(JobGridTest, AStoredListIsTakenOverByAnEmptyGridAndCopiedAfterJobs) {
    grid.Append(JobList(kStoredJobs));
    grid.Append(JobList(kStoredJobs));
    ExpectConsistent();
    ASSERT_EQ(grid.JobCount(), int(2 * kStoredJobs.size()));
    for (int row = 1; row < grid.NextRow(); ++row) {
        const Job& job = kStoredJobs[size_t(row - 1) % kStoredJobs.size()];
        EXPECT_EQ(grid.JobAt(row), job) << row;
        EXPECT_EQ(grid.index(row - 1, JobGrid::StatusColumn).data(Qt::ToolTipRole).toString(),
                  job.reason.isEmpty() ? job.status : job.reason)
            << row;
        EXPECT_EQ(grid.index(row - 1, JobGrid::PathColumn).data().toString(), job.path) << row;
    }
}
