#include "app/run_presenter.h"

#include "app/list_edits.h"
#include "app/status_mark.h"

#include <QElapsedTimer>
#include <QTime>
#include <algorithm>
#include <utility>

namespace {

RunPresenter::Clock SystemClock() {
    QElapsedTimer steady;
    steady.start();
    return {[steady] { return steady.elapsed(); }, [] { return QDateTime::currentDateTime(); }};
}

} // namespace

RunPresenter::RunPresenter(JobGrid& grid, QObject* parent)
    : RunPresenter(grid, SystemClock(), parent) {}

RunPresenter::RunPresenter(JobGrid& grid, Clock clock, QObject* parent)
    : QObject(parent)
    , m_grid(grid)
    , m_clock(std::move(clock))
    , m_panels(grid) {
    connect(&m_panels, &RunPanels::panelTextChanged, this, &RunPresenter::panelTextChanged);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &RunPresenter::ShowOverview);
}

void RunPresenter::StartOverview() {
    m_overview.Start();
    m_running = true;
}

void RunPresenter::JobStarted(JobGrid::JobId id) {
    m_panels.JobStarted(id);
    if (!m_running) {
        StartOverview();
        m_tick.start();
    }
    const int row = m_grid.RowOf(id);
    // Counted on the marks' numbers: this runs once per job, over the rest of
    // what may be a list of a million.
    const JobList& jobs = m_grid.Jobs();
    qint64 left = 0;
    for (size_t i = size_t(std::max(row, 0)); i < jobs.size(); ++i)
        left += StatusMark::IsFetched(jobs.mark(i));
    const qint64 now = m_clock.steadyMs();
    m_overview.JobStarted(id, row, m_grid.JobCount(), int(left), now);
    m_grid.SetRunningJob(id);
    const bool userScrolled = m_userScrolledAt >= 0 && now - m_userScrolledAt < kUserScrollHoldMs;
    if (!userScrolled && row > 0)
        emit scrollToRow(row);
    emit fileBarChanged({.shown = true});
    ShowOverview();
}

void RunPresenter::Connected() {
    m_panels.Connected();
}

void RunPresenter::StatusChanged(const QString& text) {
    m_panels.StatusChanged(text);
}

void RunPresenter::Progress(JobGrid::JobId id, qint64 received, qint64 expected) {
    m_panels.Progress(received, expected);
    const qint64 now = m_clock.steadyMs();
    // Every job in flight counts in the overall line; with several at once
    // the file bar follows the latest started.
    m_overview.Progress(id, received, expected, now);
    if (id == m_grid.RunningJob()) {
        if (expected > 0)
            emit fileBarChanged(
                {.shown = true,
                 .permille = int(std::clamp<qint64>(received * 1000 / expected, 0, 1000))});
        else
            emit fileBarChanged({.shown = true, .busy = true});
    }
    if (m_overviewShownAt < 0 || now - m_overviewShownAt >= kOverviewRefreshMs)
        ShowOverview();
}

void RunPresenter::WaitingForHost(qint64 seconds, bool retryAfter) {
    m_panels.WaitingForHost(seconds, retryAfter);
}

void RunPresenter::JobMarked(JobGrid::JobId id, int row, JobList::Mark mark,
                             const QString& reason) {
    using M = JobList::Mark;
    // "↓" only says that a request went out; the next mark says how it ended.
    if (mark == M::Requested)
        return;
    const QDateTime now = m_clock.now();
    m_endedAt.insert(id, now);
    // A job left untried has no mark, but a reason.
    if (mark != M::Failed && mark != M::GivenUp && (mark != M::None || reason.isEmpty()))
        return;
    emit logLineAdded(
        tr("%1  %2  row %3  %4: %5")
            .arg(now.time().toString(QStringLiteral("HH:mm:ss")), StatusMark::Glyph(mark))
            .arg(row)
            .arg(DownloadRun::FileNamePart(m_grid.Path(row)), reason));
    m_logJobs.insert(m_logLines++, id);
}

void RunPresenter::JobFinished(JobGrid::JobId id, JobList::Mark mark) {
    if (!m_running) // a job passed over before the first request
        StartOverview();
    m_overview.JobFinished(id, mark);
    ShowOverview();
}

void RunPresenter::RequestError(const QString& text) {
    m_panels.RequestError(text);
}

void RunPresenter::RequestEnded(JobGrid::JobId id) {
    m_overview.RequestEnded(id);
}

void RunPresenter::Stopping(JobGrid::JobId id) {
    m_panels.Stopping(id);
}

void RunPresenter::RunFinished(DownloadRun::End end) {
    m_panels.RunFinished(end);
    m_overview.End();
    m_running = false;
    m_tick.stop();
    m_grid.SetRunningJob(0);
    emit fileBarChanged({});
    m_overviewShownAt = m_clock.steadyMs();
    QString text = m_overview.Text(m_overviewShownAt);
    if (const QString list = ListEdits::Summary(m_grid); !list.isEmpty())
        text += tr("  —  list: %1").arg(list);
    emit overviewChanged(text);
}

void RunPresenter::RunStarting() {
    // The lines of an earlier run stay for reading, told apart from this one's.
    if (m_logLines == 0)
        return;
    emit logLineAdded(tr("── %1  Go! (the lines above are from the previous run) ──")
                          .arg(m_clock.now().time().toString(QStringLiteral("HH:mm:ss"))));
    ++m_logLines;
}

void RunPresenter::UserScrolled() {
    m_userScrolledAt = m_clock.steadyMs();
}

void RunPresenter::ShowOverview() {
    m_overviewShownAt = m_clock.steadyMs();
    emit overviewChanged(m_overview.Text(m_overviewShownAt));
}

void RunPresenter::ClearOverview() {
    emit overviewChanged(QString());
}

QString RunPresenter::StatusToolTip(int gridRow) const {
    const auto ended = m_endedAt.constFind(m_grid.IdAt(gridRow));
    if (ended == m_endedAt.cend())
        return {};
    QString text = m_grid.Reason(gridRow);
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return text + tr("Ended %1").arg(ended->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}
