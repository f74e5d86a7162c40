#include "app/ui/run_view.h"

#include "app/download_run.h"
#include "app/run_presenter.h"
#include "app/ui/main_window_controls.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTableView>
#include <utility>

namespace RunView {

void Connect(DownloadRun& run, RunPresenter& presenter, MainWindowControls& controls,
             const JobGrid& grid, std::function<void()> outcomeMarked) {
    RunPresenter* view = &presenter;
    QObject::connect(&run, &DownloadRun::jobStarted, view, &RunPresenter::JobStarted);
    QObject::connect(&run, &DownloadRun::connected, view, &RunPresenter::Connected);
    QObject::connect(&run, &DownloadRun::statusChanged, view, &RunPresenter::StatusChanged);
    QObject::connect(&run, &DownloadRun::progress, view, &RunPresenter::Progress);
    QObject::connect(&run, &DownloadRun::waitingForHost, view,
                     [view](JobGrid::JobId, qint64 seconds, bool retryAfter) {
                         view->WaitingForHost(seconds, retryAfter);
                     });
    QObject::connect(&run, &DownloadRun::jobMarked, view,
                     [view, marked = std::move(outcomeMarked)](
                         JobGrid::JobId id, int row, JobList::Mark mark, const QString& reason) {
                         if (mark != JobList::Mark::Requested && marked)
                             marked();
                         view->JobMarked(id, row, mark, reason);
                     });
    QObject::connect(&run, &DownloadRun::jobFinished, view,
                     [view](JobGrid::JobId id, JobList::Mark mark, const QString&) {
                         view->JobFinished(id, mark);
                     });
    QObject::connect(&run, &DownloadRun::requestError, view,
                     [view](JobGrid::JobId, const QString& text) { view->RequestError(text); });
    QObject::connect(&run, &DownloadRun::requestEnded, view, &RunPresenter::RequestEnded);
    QObject::connect(&run, &DownloadRun::stopping, view, &RunPresenter::Stopping);
    QObject::connect(&run, &DownloadRun::runFinished, view, &RunPresenter::RunFinished);

    QObject::connect(
        view, &RunPresenter::panelTextChanged, view,
        [&controls](int panel, const QString& text) { controls.SetPanelText(panel, text); });
    QObject::connect(view, &RunPresenter::overviewChanged, controls.OverallPanel, &QLabel::setText);
    QObject::connect(view, &RunPresenter::logLineAdded, controls.Memo1,
                     &QPlainTextEdit::appendPlainText);
    QObject::connect(view, &RunPresenter::scrollToRow, view, [&controls, &grid](int row) {
        controls.StringGrid1->scrollTo(grid.index(row - 1, JobGrid::StatusColumn));
    });
    QProgressBar* bar = controls.FileProgress;
    QObject::connect(view, &RunPresenter::fileBarChanged, bar,
                     [bar](const RunPresenter::FileBar& shown) {
                         if (!shown.shown) {
                             bar->hide();
                             return;
                         }
                         bar->setRange(0, shown.busy ? 0 : 1000);
                         if (!shown.busy)
                             bar->setValue(shown.permille);
                         bar->show();
                     });
    // Only what the user does to the scroll bar or with the wheel: the
    // grid's own scrolling (to a listed or running job) does not count.
    QObject::connect(controls.StringGrid1->verticalScrollBar(), &QScrollBar::actionTriggered, view,
                     &RunPresenter::UserScrolled);
}

} // namespace RunView
