// The window's list editing: the grid's context menu, the Delete key, undo,
// the folders a run needs, and what the grid and the log pane tell of a
// failed job.
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/list_saver.h"
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
#include <QToolButton>
#include <QToolTip>

namespace {

QAction* Command(QWidget* owner, const char* name, const QString& text,
                 const QKeySequence& key = {}) {
    auto* action = new QAction(text, owner);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    owner->addAction(action);
    return action;
}

} // namespace

void TForm1::BuildListCommands() {
    RetryJobs = Command(StringGrid1, "RetryJobs", QStringLiteral("Retry"));
    RetryFailed = Command(StringGrid1, "RetryFailed", QStringLiteral("Retry all failed (▼, ×)"));
    OpenJobFile = Command(StringGrid1, "OpenJobFile", QStringLiteral("Open file"));
    OpenJobFolder = Command(StringGrid1, "OpenJobFolder", QStringLiteral("Open folder"));
    CopyJobUrl = Command(StringGrid1, "CopyJobUrl", QStringLiteral("Copy URL"));
    DeleteJobs =
        Command(StringGrid1, "DeleteJobs", QStringLiteral("Delete"), QKeySequence(Qt::Key_Delete));
    // Del deletes jobs only from the grid; in an input it deletes a letter.
    DeleteJobs->setShortcutContext(Qt::WidgetShortcut);
    // Window-wide, yet an input with the focus takes Ctrl+Z for its own text.
    UndoEdit = Command(this, "UndoEdit", QStringLiteral("Undo"), QKeySequence::Undo);
    ListUpKey =
        Command(this, "ListUpKey", QStringLiteral("List Up"), QKeySequence(Qt::CTRL | Qt::Key_L));
    SaveKey = Command(this, "SaveKey", QStringLiteral("Save"), QKeySequence::Save);
    SpeedButton1->setToolTip(QStringLiteral("List Up (Ctrl+L)"));
    SpeedButton2->setToolTip(QStringLiteral("Save (Ctrl+S)"));
    SpeedButton3->setToolTip(QStringLiteral("Delete (Del)"));

    GridMenu = new QMenu(this);
    GridMenu->setObjectName(QStringLiteral("GridMenu"));
    GridMenu->addActions({RetryJobs, RetryFailed});
    GridMenu->addSeparator();
    GridMenu->addActions({OpenJobFile, OpenJobFolder, CopyJobUrl});
    GridMenu->addSeparator();
    GridMenu->addActions({DeleteJobs, UndoEdit});
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
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
    const auto ended = m_endedAt.constFind(m_grid.IdAt(gridRow));
    if (ended == m_endedAt.cend())
        return {};
    QString text = m_grid.Reason(gridRow);
    if (!text.isEmpty())
        text += QLatin1Char('\n');
    return text +
           QStringLiteral("Ended %1").arg(ended->toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
}

void TForm1::SelectLoggedJob(const QPoint& pos) {
    const int line = Memo1->cursorForPosition(pos).blockNumber();
    const int row = m_grid.RowOf(m_logJobs.value(line));
    if (row > 0)
        SelectGridRows(row, row);
}
