#include "app/ui/list_commands.h"

#include "app/download_run.h"
#include "app/job_grid.h"
#include "app/run_presenter.h"
#include "app/ui/grid_selection.h"
#include "app/ui/main_window_controls.h"
#include "platform/desktop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTextBlock>
#include <QToolTip>
#include <algorithm>
#include <utility>

ListCommands::ListCommands(MainWindowControls& controls, JobGrid& grid, const DownloadRun& run,
                           RunPresenter& presenter, Tell tell, Ask ask)
    : m_c(controls)
    , m_grid(grid)
    , m_run(run)
    , m_presenter(presenter)
    , m_tell(std::move(tell))
    , m_ask(std::move(ask))
    , m_refresh(grid) {
    connect(m_c.StringGrid1, &QWidget::customContextMenuRequested, this, &ListCommands::ShowMenu);
    connect(m_c.RetryJobs, &QAction::triggered, this, &ListCommands::RetrySelected);
    connect(m_c.RetryFailed, &QAction::triggered, this, &ListCommands::RetryFailed);
    connect(m_c.CheckNewer, &QAction::triggered, this, &ListCommands::CheckNewer);
    connect(&m_refresh, &ListRefresh::checked, this, &ListCommands::ShowChecked);
    connect(&m_refresh, &ListRefresh::finished, this, &ListCommands::CheckOver);
    connect(m_c.OpenJobFile, &QAction::triggered, this, &ListCommands::OpenFile);
    connect(m_c.OpenJobFolder, &QAction::triggered, this, &ListCommands::OpenFolder);
    connect(m_c.CopyJobUrl, &QAction::triggered, this, &ListCommands::CopyUrls);
    connect(m_c.DeleteJobs, &QAction::triggered, this, &ListCommands::Delete);
    connect(m_c.UndoEdit, &QAction::triggered, this, &ListCommands::Undo);
    m_c.StringGrid1->viewport()->installEventFilter(this);
    m_c.Memo1->viewport()->installEventFilter(this);
}

ListCommands::~ListCommands() {
    m_c.StringGrid1->viewport()->removeEventFilter(this);
    m_c.Memo1->viewport()->removeEventFilter(this);
}

QString ListCommands::Append(JobList jobs) {
    m_undo.Drop();
    QString taken = ListEdits::PathsTakenWarning(ListEdits::PathsTaken(m_grid.Jobs(), jobs));
    m_grid.Append(std::move(jobs));
    const int lastRow = m_grid.GridRowCount() - 1;
    GridSelection::Select(*m_c.StringGrid1, lastRow, lastRow);
    emit rowsChanged();
    return taken;
}

void ListCommands::Delete() {
    const auto [top, bottom] = GridSelection::Rows(*m_c.StringGrid1);
    if (m_grid.IsJobRow(top)) {
        KeepForUndo();
        ForgetParts(top, bottom);
    }
    m_grid.DeleteRows(top, bottom);
    emit rowsChanged();
}

void ListCommands::Clear() {
    const QString question = ListEdits::ClearQuestion(m_grid);
    if (!question.isEmpty() && (!m_ask || !m_ask(question)))
        return;
    if (m_grid.JobCount() > 0) {
        KeepForUndo();
        ForgetParts(1, m_grid.JobCount());
    }
    m_grid.Clear();
    emit rowsChanged();
    // Nothing is left for the overall line to speak of.
    if (!m_run.Running())
        m_presenter.ClearOverview();
}

void ListCommands::ForgetParts(int top, int bottom) {
    // Rows are one above their index in the list.
    ListEdits::ForgetParts(
        m_grid.Jobs(), size_t(std::max(top, 1) - 1), size_t(bottom - 1),
        [this](size_t index) { return m_run.Holds(m_grid.IdAt(int(index) + 1)); });
}

void ListCommands::Undo() {
    if (m_run.Running() || !m_undo.Undo(m_grid))
        return;
    // The list is written at Save, at close and by a run (which saves the
    // whole of it once rows came back), never by an edit alone.
    RestoreView(m_undoView);
    emit rowsChanged();
}

void ListCommands::KeepForUndo() {
    m_undo.Keep(m_grid);
    const QTableView& view = *m_c.StringGrid1;
    m_undoView.rows = GridSelection::Rows(view);
    m_undoView.currentColumn = std::max(view.currentIndex().column(), 0);
    m_undoView.scroll = view.verticalScrollBar()->value();
}

void ListCommands::RestoreView(const GridView& before) {
    // Putting the rows back resets the view to the top; the user is looking
    // at the rows that come back, as before they went.
    QTableView& view = *m_c.StringGrid1;
    GridSelection::Select(view, before.rows.first, before.rows.second);
    const QModelIndex current = m_grid.index(before.rows.second - 1, before.currentColumn);
    if (current.isValid())
        view.selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    view.verticalScrollBar()->setValue(before.scroll);
}

void ListCommands::OpenFile() {
    const QString path = m_grid.Path(GridSelection::Rows(*m_c.StringGrid1).first);
    if (!path.isEmpty())
        Desktop::current().openFile(path);
}

bool ListCommands::PrepareFolders() {
    const QStringList missing = ListEdits::MissingFolders(m_grid);
    if (missing.isEmpty())
        return true;
    const QString question = tr("The save folder does not exist:\n%1\n\nCreate it and start?")
                                 .arg(missing.join(QLatin1Char('\n')));
    if (!m_ask || !m_ask(question))
        return false;
    const QString problem = ListEdits::CreateFolders(missing);
    if (problem.isEmpty())
        return true;
    m_tell(problem);
    return false;
}

bool ListCommands::AgreeToHiddenPaths() {
    const QStringList paths = ListEdits::RefusedPaths(m_grid);
    if (paths.isEmpty())
        return false;
    constexpr qsizetype kNamed = 5;
    QString names = paths.first(std::min(paths.size(), kNamed)).join(QLatin1Char('\n'));
    if (paths.size() > kNamed)
        names += tr("\n... and %1 more").arg(paths.size() - kNamed);
    const QString question =
        tr("%1 job(s) would save outside their folder (\"..\") or into hidden files "
           "or folders, where a shared job list could put anything, such as "
           "~/.bashrc:\n%2\n\nFetch them anyway? (No: they fail, and the other jobs "
           "are fetched.)")
            .arg(paths.size())
            .arg(names);
    return m_ask && m_ask(question);
}

bool ListCommands::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_c.StringGrid1->viewport() && event->type() == QEvent::ToolTip &&
        ShowStatusToolTip(event))
        return true;
    if (watched == m_c.Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        SelectLoggedJob(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QObject::eventFilter(watched, event);
}

void ListCommands::CheckNewer() {
    if (m_run.Running() || m_refresh.Running() || !m_refreshSetup)
        return;
    const RefreshSetup setup = m_refreshSetup();
    m_checked = 0;
    m_c.SetPanelText(0, tr("Checking for newer versions…"));
    m_refresh.SetRemoteTime(setup.remoteTime);
    m_refresh.Start(setup.client, setup.intervalMs);
}

void ListCommands::ShowChecked(JobGrid::JobId id, ListRefresh::Result result,
                               const QString& detail) {
    const int row = m_grid.RowOf(id);
    m_c.SetPanelText(0, tr("Checking for newer versions… %1 checked").arg(++m_checked));
    if (row == 0 || result == ListRefresh::Result::Unchanged)
        return;
    const QString name = m_grid.Path(row).section(QLatin1Char('/'), -1);
    m_c.Memo1->appendPlainText(result == ListRefresh::Result::Changed
                                   ? tr("Newer version fetched: %1").arg(name)
                                   : tr("Could not check %1: %2").arg(name, detail));
}

void ListCommands::CheckOver(const ListRefresh::Summary& summary) {
    m_c.SetPanelText(0, summary.Text());
    m_c.Memo1->appendPlainText(summary.Text());
    emit checkEnded();
    if (m_tell && !summary.cancelled)
        m_tell(summary.Text());
}

void ListCommands::ShowMenu(const QPoint& pos) {
    QTableView& view = *m_c.StringGrid1;
    // A right click outside the selection selects the row under it first.
    const QModelIndex cell = view.indexAt(pos);
    const auto [top, bottom] = GridSelection::Rows(view);
    if (cell.isValid() && (cell.row() + 1 < top || cell.row() + 1 > bottom))
        GridSelection::Select(view, cell.row() + 1, cell.row() + 1);
    const bool onJob = m_grid.IsJobRow(GridSelection::Rows(view).first);
    const bool idle = !m_run.Running();
    for (QAction* action :
         {m_c.RetryJobs, m_c.OpenJobFile, m_c.OpenJobFolder, m_c.CopyJobUrl, m_c.DeleteJobs})
        action->setEnabled(onJob);
    m_c.RetryJobs->setEnabled(onJob && idle);
    m_c.CheckNewer->setEnabled(idle && !m_refresh.Running() && m_grid.JobCount() > 0);
    m_c.RetryFailed->setEnabled(idle && !ListEdits::FailureCount(m_grid).isEmpty());
    m_c.UndoEdit->setEnabled(idle && m_undo.CanUndo());
    m_c.GridMenu->popup(view.viewport()->mapToGlobal(pos));
}

// Cleared marks are not written here: the next run writes them with its
// first mark, or Save or the close does.
void ListCommands::RetrySelected() {
    const auto [top, bottom] = GridSelection::Rows(*m_c.StringGrid1);
    ListEdits::ClearMarks(m_grid, top, bottom);
}

void ListCommands::RetryFailed() {
    ListEdits::ClearFailedMarks(m_grid);
}

void ListCommands::OpenFolder() {
    const QString folder =
        ListEdits::FolderOf(m_grid.Path(GridSelection::Rows(*m_c.StringGrid1).first));
    if (!folder.isEmpty())
        Desktop::current().openFile(folder);
}

void ListCommands::CopyUrls() {
    const auto [top, bottom] = GridSelection::Rows(*m_c.StringGrid1);
    const QStringList urls = ListEdits::Urls(m_grid, top, bottom);
    if (!urls.isEmpty())
        QApplication::clipboard()->setText(urls.join(QLatin1Char('\n')));
}

bool ListCommands::ShowStatusToolTip(QEvent* event) {
    auto* help = static_cast<QHelpEvent*>(event);
    QTableView& view = *m_c.StringGrid1;
    const QModelIndex cell = view.indexAt(help->pos());
    if (!cell.isValid() || cell.column() != JobGrid::StatusColumn)
        return false;
    const QString text = m_presenter.StatusToolTip(cell.row() + 1);
    if (text.isEmpty())
        return false; // the model's own tooltip: the reason, or the mark
    QToolTip::showText(help->globalPos(), text, view.viewport(), view.visualRect(cell));
    return true;
}

void ListCommands::SelectLoggedJob(const QPoint& pos) {
    const int line = m_c.Memo1->cursorForPosition(pos).blockNumber();
    const int row = m_grid.RowOf(m_presenter.JobOfLogLine(line));
    if (row > 0)
        GridSelection::Select(*m_c.StringGrid1, row, row);
}
