// The run as the window shows it: the run's events go to the presenter, and
// what it makes of them to the status bar, the grid and the log pane.
#include "app/download_run.h"
#include "app/run_presenter.h"
#include "app/status_mark.h"
#include "app/ui/tform1.h"
#include "app/window_profile.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>

void TForm1::WireRunView() {
    m_presenter = std::make_unique<RunPresenter>(m_grid);
    RunPresenter* view = m_presenter.get();
    // The presenter is the context: its connections go with it.
    connect(m_run.get(), &DownloadRun::jobStarted, view, &RunPresenter::JobStarted);
    connect(m_run.get(), &DownloadRun::connected, view, &RunPresenter::Connected);
    connect(m_run.get(), &DownloadRun::statusChanged, view, &RunPresenter::StatusChanged);
    connect(m_run.get(), &DownloadRun::progress, view, &RunPresenter::Progress);
    connect(m_run.get(), &DownloadRun::waitingForHost, view,
            [view](JobGrid::JobId, qint64 seconds, bool retryAfter) {
                view->WaitingForHost(seconds, retryAfter);
            });
    connect(m_run.get(), &DownloadRun::jobMarked, view,
            [this](JobGrid::JobId id, int row, JobList::Mark mark, const QString& reason) {
                RunJobMarked(id, row, mark, reason);
            });
    connect(m_run.get(), &DownloadRun::jobFinished, view,
            [view](JobGrid::JobId id, JobList::Mark mark, const QString&) {
                view->JobFinished(id, mark);
            });
    connect(m_run.get(), &DownloadRun::requestError, view,
            [view](JobGrid::JobId, const QString& text) { view->RequestError(text); });
    connect(m_run.get(), &DownloadRun::requestEnded, view, &RunPresenter::RequestEnded);
    connect(m_run.get(), &DownloadRun::stopping, view, &RunPresenter::Stopping);
    connect(m_run.get(), &DownloadRun::runFinished, view, &RunPresenter::RunFinished);

    connect(view, &RunPresenter::panelTextChanged, this, &TForm1::SetPanelText);
    connect(view, &RunPresenter::overviewChanged, OverallPanel, &QLabel::setText);
    connect(view, &RunPresenter::logLineAdded, Memo1, &QPlainTextEdit::appendPlainText);
    connect(view, &RunPresenter::scrollToRow, this, [this](int row) {
        StringGrid1->scrollTo(m_grid.index(row - 1, JobGrid::StatusColumn));
    });
    connect(view, &RunPresenter::fileBarChanged, this, [this](const RunPresenter::FileBar& bar) {
        if (!bar.shown) {
            FileProgress->hide();
            return;
        }
        FileProgress->setRange(0, bar.busy ? 0 : 1000);
        if (!bar.busy)
            FileProgress->setValue(bar.permille);
        FileProgress->show();
    });
    // Only what the user does to the scroll bar or with the wheel: the
    // grid's own scrolling (to a listed or running job) does not count.
    connect(StringGrid1->verticalScrollBar(), &QScrollBar::actionTriggered, view,
            &RunPresenter::UserScrolled);
}

void TForm1::RunJobMarked(JobGrid::JobId id, int row, JobList::Mark mark, const QString& reason) {
    // Every mark but "↓" is an outcome the saved list must keep.
    if (mark != JobList::Mark::Requested)
        m_profile->ListChanged();
    m_presenter->JobMarked(id, row, mark, reason);
}
