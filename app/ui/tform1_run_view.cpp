// The run at a glance: the running job's row set apart and kept in sight, the
// overall line beside the run's panels, and the current file's bar.
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/status_mark.h"
#include "app/ui/tform1.h"

#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>

namespace {

// A tint of the selection's colour: plainly the same family, yet lighter
// than a selected row, so that the running job shows inside a selection too.
class RunningRowDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!index.data(JobGrid::RunningRole).toBool())
            return;
        QColor tint = option->palette.color(QPalette::Highlight);
        tint.setAlpha(70);
        option->backgroundBrush = tint;
    }
};

// The line changes with every block received; a few refreshes a second are
// all a reader can follow.
constexpr qint64 kOverviewRefreshMs = 250;

} // namespace

void TForm1::WireRunOverview() {
    StringGrid1->setItemDelegate(new RunningRowDelegate(StringGrid1));
    m_clock.start();
    // Only what the user does to the scroll bar or with the wheel: the
    // grid's own scrolling (to a listed or running job) does not count.
    connect(StringGrid1->verticalScrollBar(), &QScrollBar::actionTriggered, this,
            [this] { m_userScrolledAt = m_clock.elapsed(); });
    connect(m_run.get(), &DownloadRun::jobStarted, this, &TForm1::RunJobStarted);
    connect(m_run.get(), &DownloadRun::progress, this, &TForm1::RunProgress);
    connect(m_run.get(), &DownloadRun::requestEnded, this,
            [this](JobGrid::JobId id) { m_overview.RequestEnded(id); });
    connect(m_run.get(), &DownloadRun::jobFinished, this,
            [this](JobGrid::JobId id, const QString& mark, const QString&) {
                if (!m_overviewRunning) { // a job passed over before the first request
                    m_overview.Start();
                    m_overviewRunning = true;
                }
                m_overview.JobFinished(id, mark);
                ShowOverview();
            });
    connect(m_run.get(), &DownloadRun::runFinished, this, [this] {
        m_overview.End();
        m_overviewRunning = false;
        m_overviewTick.stop();
        m_grid.SetRunningJob(0);
        FileProgress->hide();
        ShowOverview();
        // This run's counts, then what the whole list holds: a resumed list
        // has failures of earlier runs too.
        if (const QString list = ListEdits::Summary(m_grid); !list.isEmpty())
            OverallPanel->setText(OverallPanel->text() + QStringLiteral("  —  list: ") + list);
    });
    m_overviewTick.setInterval(1000);
    connect(&m_overviewTick, &QTimer::timeout, this, &TForm1::ShowOverview);
}

void TForm1::RunJobStarted(JobGrid::JobId id) {
    if (!m_overviewRunning) {
        m_overview.Start();
        m_overviewRunning = true;
        m_overviewTick.start();
    }
    const int row = m_grid.RowOf(id);
    // Counted on the marks' numbers: this runs once per job, over the rest of
    // what may be a list of a million.
    const JobList& jobs = m_grid.Jobs();
    qint64 left = 0;
    for (size_t i = size_t(std::max(row, 0)); i < jobs.size(); ++i)
        left += StatusMark::IsFetched(jobs.mark(i));
    m_overview.JobStarted(id, row, m_grid.JobCount(), int(left), m_clock.elapsed());
    m_grid.SetRunningJob(id);
    const bool userScrolled =
        m_userScrolledAt >= 0 && m_clock.elapsed() - m_userScrolledAt < kUserScrollHoldMs;
    if (!userScrolled && row > 0)
        StringGrid1->scrollTo(m_grid.index(row - 1, JobGrid::StatusColumn));
    FileProgress->setRange(0, 1000);
    FileProgress->setValue(0);
    FileProgress->show();
    ShowOverview();
}

void TForm1::RunProgress(JobGrid::JobId id, qint64 received, qint64 expected) {
    const qint64 now = m_clock.elapsed();
    // Every job in flight counts in the overall line; with several at once
    // the file bar follows the latest started.
    m_overview.Progress(id, received, expected, now);
    if (id == m_grid.RunningJob()) {
        if (expected > 0) {
            FileProgress->setRange(0, 1000);
            FileProgress->setValue(int(std::clamp<qint64>(received * 1000 / expected, 0, 1000)));
        } else {
            FileProgress->setRange(0, 0); // busy: the length is unknown
        }
    }
    if (m_overviewShownAt < 0 || now - m_overviewShownAt >= kOverviewRefreshMs)
        ShowOverview();
}

void TForm1::ShowOverview() {
    m_overviewShownAt = m_clock.elapsed();
    OverallPanel->setText(m_overview.Text(m_overviewShownAt));
}
