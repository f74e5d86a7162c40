// The window's list editing: the grid's context menu, the Delete key, undo,
// the folders a run needs, and what the grid and the log pane tell of a
// failed job.
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/list_saver.h"
#include "app/run_presenter.h"
#include "app/ui/tform1.h"
#include "platform/desktop.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHelpEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextBlock>
#include <QToolTip>

void TForm1::WireListCommands() {
    connect(StringGrid1, &QWidget::customContextMenuRequested, this, &TForm1::ShowGridMenu);

    connect(RetryJobs, &QAction::triggered, this, [this] {
        const auto [top, bottom] = SelectedGridRows();
        if (ListEdits::ClearMarks(m_grid, top, bottom) > 0 && m_profileLoaded)
            m_saver->Changed();
    });
    connect(RetryFailed, &QAction::triggered, this, [this] {
        if (ListEdits::ClearFailedMarks(m_grid) > 0 && m_profileLoaded)
            m_saver->Changed();
    });
    connect(OpenJobFile, &QAction::triggered, this, &TForm1::StringGrid1DblClick);
    connect(OpenJobFolder, &QAction::triggered, this, [this] {
        const QString path = m_grid.Path(SelectedGridRows().first);
        const QString folder = path.left(path.size() - DownloadRun::FileNamePart(path).size());
        if (!folder.isEmpty())
            Desktop::current().openFile(folder);
    });
    connect(CopyJobUrl, &QAction::triggered, this, [this] {
        const auto [top, bottom] = SelectedGridRows();
        QStringList urls;
        for (int row = top; row <= bottom && m_grid.IsJobRow(row); ++row)
            urls << m_grid.Url(row);
        if (!urls.isEmpty())
            QApplication::clipboard()->setText(urls.join(QLatin1Char('\n')));
    });
    connect(DeleteJobs, &QAction::triggered, this, &TForm1::SpeedButton3Click);
    connect(UndoEdit, &QAction::triggered, this, &TForm1::UndoListEdit);
    connect(ListUpKey, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(SaveKey, &QAction::triggered, this, &TForm1::SpeedButton2Click);
    // Enter in an input lists up, as Ctrl+L does.
    for (QLineEdit* edit : {ComboBox1->lineEdit(), Edit1, Edit2, Edit5, Edit3, Edit4})
        connect(edit, &QLineEdit::returnPressed, this, &TForm1::SpeedButton1Click);

    StringGrid1->viewport()->installEventFilter(this);
    Memo1->viewport()->installEventFilter(this);
}

void TForm1::ShowGridMenu(const QPoint& pos) {
    // A right click outside the selection selects the row under it first.
    const QModelIndex cell = StringGrid1->indexAt(pos);
    const auto [top, bottom] = SelectedGridRows();
    if (cell.isValid() && (cell.row() + 1 < top || cell.row() + 1 > bottom))
        SelectGridRows(cell.row() + 1, cell.row() + 1);
    const bool onJob = m_grid.IsJobRow(SelectedGridRows().first);
    const bool idle = !m_run->Running();
    for (QAction* action : {RetryJobs, OpenJobFile, OpenJobFolder, CopyJobUrl, DeleteJobs})
        action->setEnabled(onJob);
    RetryJobs->setEnabled(onJob && idle);
    RetryFailed->setEnabled(idle && !ListEdits::FailureCount(m_grid).isEmpty());
    UndoEdit->setEnabled(idle && m_undo.CanUndo());
    GridMenu->popup(StringGrid1->viewport()->mapToGlobal(pos));
}

void TForm1::UndoListEdit() {
    if (m_run->Running() || !m_undo.Undo(m_grid))
        return;
    ShowJobCount();
    StringGrid1Click();
    if (m_profileLoaded)
        m_saver->Changed();
}

bool TForm1::PrepareFolders() {
    const QStringList missing = ListEdits::MissingFolders(m_grid);
    if (missing.isEmpty())
        return true;
    const QString names = missing.join(QLatin1Char('\n'));
    const QString question =
        QStringLiteral("The save folder does not exist:\n%1\n\nCreate it and start?").arg(names);
    if (!m_questionAsker || !m_questionAsker(question))
        return false;
    for (const QString& folder : missing) {
        if (!QDir().mkpath(folder)) {
            ShowMessage(QStringLiteral("The folder %1 could not be created; nothing was fetched.")
                            .arg(folder),
                        MessageKind::Error);
            return false;
        }
    }
    return true;
}

bool TForm1::ShowStatusToolTip(QEvent* event) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex cell = StringGrid1->indexAt(help->pos());
    if (!cell.isValid() || cell.column() != JobGrid::StatusColumn)
        return false;
    const QString text = StatusToolTip(cell.row() + 1);
    if (text.isEmpty())
        return false; // the model's own tooltip: the reason, or the mark
    QToolTip::showText(help->globalPos(), text, StringGrid1->viewport(),
                       StringGrid1->visualRect(cell));
    return true;
}

QString TForm1::StatusToolTip(int gridRow) const {
    return m_presenter->StatusToolTip(gridRow);
}

void TForm1::SelectLoggedJob(const QPoint& pos) {
    const int line = Memo1->cursorForPosition(pos).blockNumber();
    const int row = m_grid.RowOf(m_presenter->JobOfLogLine(line));
    if (row > 0)
        SelectGridRows(row, row);
}
