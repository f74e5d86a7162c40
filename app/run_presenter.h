#pragma once

#include "app/download_run.h"
#include "app/job_grid.h"
#include "app/run_overview.h"
#include "app/run_panels.h"
#include "settings/job_list.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <functional>

/// What the window shows of a run, made from the run's events without a
/// widget: the status bar's run panels (RunPanels), the overall line
/// (RunOverview), the running job's row and whether to scroll to it, the
/// current file's bar, and the log pane's failure lines. It keeps what the
/// window asks about afterwards: when each job of this session ended, and
/// which job a log line names. The log pane is written by the presenter
/// alone, so its line numbers are the presenter's.
class RunPresenter : public QObject {
    Q_OBJECT

public:
    /// The grid follows the running job unless the user scrolled it within
    /// this many milliseconds.
    static constexpr qint64 kUserScrollHoldMs = 5000;
    /// The overall line changes with every block received; a few refreshes
    /// a second are all a reader can follow.
    static constexpr qint64 kOverviewRefreshMs = 250;

    /// The presenter's two clocks: a steady one in milliseconds for speeds
    /// and holds, and the wall clock for the times the user reads.
    struct Clock {
        std::function<qint64()> steadyMs;
        std::function<QDateTime()> now;
    };
    /// The current file's bar: hidden between runs, busy while the length
    /// is unknown, else filled to `permille`.
    struct FileBar {
        bool shown = false;
        bool busy = false;
        int permille = 0;
        friend bool operator==(const FileBar&, const FileBar&) = default;
    };

    /// Names the jobs from `grid` and marks the running one in it.
    explicit RunPresenter(JobGrid& grid, QObject* parent = nullptr);
    RunPresenter(JobGrid& grid, Clock clock, QObject* parent = nullptr);

    // The run's events, as its signals of the same names carry them.
    void JobStarted(JobGrid::JobId id);
    void Connected();
    void StatusChanged(const QString& text);
    void Progress(JobGrid::JobId id, qint64 received, qint64 expected);
    void WaitingForHost(qint64 seconds, bool retryAfter);
    /// Logs a failed or given-up job, and one left untried with a reason;
    /// notes when every job but a requested one ended.
    void JobMarked(JobGrid::JobId id, int row, JobList::Mark mark, const QString& reason);
    void JobFinished(JobGrid::JobId id, JobList::Mark mark);
    void RequestError(const QString& text);
    void RequestEnded(JobGrid::JobId id);
    void Stopping(JobGrid::JobId id);
    /// The overall line keeps this run's counts and adds what the whole list
    /// holds: a resumed list has failures of earlier runs too.
    void RunFinished(DownloadRun::End end);

    /// Before a new run: a log line that sets the earlier lines apart.
    void RunStarting();
    /// The user moved the grid's scroll bar or turned the wheel over it.
    void UserScrolled();
    /// Shows the overall line as it stands now; the presenter's own timer
    /// calls this once a second during a run, so the speed stays true while
    /// nothing arrives.
    void ShowOverview();
    /// The list was emptied outside a run: the overall line has nothing left
    /// to speak of.
    void ClearOverview();

    /// The Status cell's tooltip of a job that ended in this session: its
    /// reason, if any, and when it ended; empty for any other row.
    QString StatusToolTip(int gridRow) const;
    /// The job log line `line` (from 0) names; 0 for any other line.
    JobGrid::JobId JobOfLogLine(int line) const { return m_logJobs.value(line); }

signals:
    /// Status-bar panel `panel` (0 run state, 1 transfer) is to show `text`.
    void panelTextChanged(int panel, const QString& text);
    void overviewChanged(const QString& text);
    void fileBarChanged(const RunPresenter::FileBar& bar);
    /// A line to append to the log pane.
    void logLineAdded(const QString& line);
    /// The grid is to bring grid row `row` into sight.
    void scrollToRow(int row);

private:
    void StartOverview();

    JobGrid& m_grid;
    Clock m_clock;
    RunPanels m_panels;
    RunOverview m_overview;
    bool m_running = false;
    qint64 m_userScrolledAt = -1;
    qint64 m_overviewShownAt = -1;
    QTimer m_tick;
    int m_logLines = 0;
    QHash<JobGrid::JobId, QDateTime> m_endedAt;
    QHash<int, JobGrid::JobId> m_logJobs;
};
