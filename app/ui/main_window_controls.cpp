// The main window's controls, menu, status bar and commands, built in code,
// and the layout of them the settings keep.
#include "app/ui/main_window_controls.h"

#include "app/status_mark.h"
#include "app/ui/eliding_label.h"
#include "settings/settings_file.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <utility>

namespace {

template <typename W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QLatin1String(name));
    return widget;
}

QLabel* Caption(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

QToolButton* CommandButton(const char* name, const QString& hint) {
    auto* button = Named(new QToolButton, name);
    // The buttons had pictures and only a hint; here the hint is also the text.
    button->setText(hint);
    button->setToolTip(hint);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setMinimumWidth(64);
    return button;
}

QSpinBox* UnboundedSpinBox(const char* name, int value) {
    auto* spin = Named(new QSpinBox, name);
    spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    spin->setValue(value);
    return spin;
}

// The running job: a tint of the selection's colour, plainly the same family,
// yet lighter than a selected row, so that it shows inside a selection too.
// A failed job: a light red, apart from both, so failures stand out of a long
// list. A failed job being fetched again shows as running.
class RowTintDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(JobGrid::RunningRole).toBool()) {
            QColor tint = option->palette.color(QPalette::Highlight);
            tint.setAlpha(70);
            option->backgroundBrush = tint;
        } else if (index.data(JobGrid::FailedRole).toBool()) {
            option->backgroundBrush = QColor::fromRgb(MainWindowControls::kFailedRowTint);
        }
    }
};

QAction* Command(QWidget* owner, const char* name, const QString& text,
                 const QKeySequence& key = {}) {
    auto* action = new QAction(text, owner);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(key);
    owner->addAction(action);
    return action;
}

QAction* SlashWarning(QLineEdit* edit, const char* name) {
    QAction* mark = edit->addAction(edit->style()->standardIcon(QStyle::SP_MessageBoxWarning),
                                    QLineEdit::TrailingPosition);
    mark->setObjectName(QLatin1String(name));
    mark->setVisible(false);
    return mark;
}

} // namespace

void MainWindowControls::Build(QMainWindow& window, JobGrid& grid) {
    BuildControls(window, grid);
    BuildMenu(window);
    BuildStatusBar(window);
    BuildListCommands(window);
    UrlSlashWarning = SlashWarning(ComboBox1->lineEdit(), "UrlSlashWarning");
}

void MainWindowControls::BuildControls(QMainWindow& window, JobGrid& grid) {
    auto* central = new QWidget(&window);
    auto* outer = new QVBoxLayout(central);

    ComboBox1 = Named(new QComboBox, "ComboBox1");
    ComboBox1->setEditable(true);
    // The history changes only by the program's own rules, never by Return.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // No completion: an inline completion from the history stayed in the box
    // and glued a file name of an earlier series onto every job.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Button2 = Named(new QPushButton(tr("edit")), "Button2");
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(Caption(tr("URL"), ComboBox1));
    urlRow->addWidget(ComboBox1, 1);
    urlRow->addWidget(Button2);
    outer->addLayout(urlRow);

    auto* nameBox = Named(new QGroupBox(tr("Filename")), "GroupBox1");
    auto* names = new QGridLayout(nameBox);
    Edit1 = Named(new QLineEdit(QStringLiteral("hampic")), "Edit1");
    SpinEdit1 = UnboundedSpinBox("SpinEdit1", 2);
    Edit2 = Named(new QLineEdit(QStringLiteral("01")), "Edit2");
    Label4 = Named(new QLabel(QStringLiteral("～")), "Label4");
    Edit5 = Named(new QLineEdit(QStringLiteral("12")), "Edit5");
    Edit3 = Named(new QLineEdit(QStringLiteral(".jpg")), "Edit3");
    names->addWidget(Caption(tr("先頭部"), Edit1), 0, 0);
    names->addWidget(Caption(tr("数字桁数"), SpinEdit1), 0, 1);
    names->addWidget(Caption(tr("開始番号"), Edit2), 0, 2);
    names->addWidget(Caption(tr("終了番号"), Edit5), 0, 4);
    names->addWidget(Caption(tr("後部"), Edit3), 0, 5);
    names->addWidget(Edit1, 1, 0);
    names->addWidget(SpinEdit1, 1, 1);
    names->addWidget(Edit2, 1, 2);
    names->addWidget(Label4, 1, 3);
    OpenEndBox = Named(new QCheckBox(tr("open end")), "OpenEndBox");
    auto* endCell = new QHBoxLayout;
    endCell->addWidget(Edit5, 1);
    endCell->addWidget(OpenEndBox);
    names->addLayout(endCell, 1, 4);
    names->addWidget(Edit3, 1, 5);
    names->setColumnStretch(0, 3);
    names->setColumnStretch(2, 2);
    names->setColumnStretch(4, 2);
    names->setColumnStretch(5, 2);
    Label10 = Named(new QLabel, "Label10");
    Label10->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // A long preview must not widen the window.
    Label10->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    names->addWidget(Label10, 2, 0, 1, 6);
    // Only a URL with a pattern names its files by a template; the field
    // shows while the URL box holds one.
    NameEdit = Named(new QLineEdit, "NameEdit");
    NameEdit->setPlaceholderText(tr("#1-#2.jpg (empty: the URL's path below the pattern)"));
    NameCaption = Caption(tr("Name"), NameEdit);
    names->addWidget(NameCaption, 3, 0);
    names->addWidget(NameEdit, 3, 1, 1, 5);
    NameCaption->hide();
    NameEdit->hide();
    outer->addWidget(nameBox);

    Edit4 = Named(new QLineEdit(defaultSavePath()), "Edit4");
    Button1 = Named(new QPushButton(tr("参照")), "Button1");
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(Caption(tr("SaveDir"), Edit4));
    dirRow->addWidget(Edit4, 1);
    dirRow->addWidget(Button1);
    outer->addLayout(dirRow);

    CheckBox1 = Named(new QCheckBox(tr("同一ファイル名はスキップ")), "CheckBox1");
    CheckBox2 = Named(new QCheckBox, "CheckBox2");
    CheckBox2->setChecked(true);
    SpinEdit2 = UnboundedSpinBox("SpinEdit2", 0);
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(CheckBox1);
    optionRow->addSpacing(24);
    optionRow->addWidget(CheckBox2);
    optionRow->addWidget(SpinEdit2);
    optionRow->addWidget(Caption(tr("KByte以下はリトライ"), SpinEdit2));
    optionRow->addStretch(1);
    outer->addLayout(optionRow);

    SpeedButton1 = CommandButton("SpeedButton1", tr("List Up"));
    GoButton = CommandButton("GoButton", tr("Go!"));
    CancelBtn = CommandButton("CancelBtn", tr("Stop!"));
    SpeedButton2 = CommandButton("SpeedButton2", tr("Save"));
    SpeedButton3 = CommandButton("SpeedButton3", tr("Delete"));
    SpeedButton4 = CommandButton("SpeedButton4", tr("Clear"));
    GoButton->setShortcut(QKeySequence(Qt::Key_F5));
    CancelBtn->setShortcut(QKeySequence(Qt::Key_Escape));
    auto* commandRow = new QHBoxLayout;
    for (QToolButton* b : {SpeedButton1, GoButton, CancelBtn})
        commandRow->addWidget(b);
    commandRow->addSpacing(24);
    for (QToolButton* b : {SpeedButton2, SpeedButton3, SpeedButton4})
        commandRow->addWidget(b);
    commandRow->addStretch(1);
    outer->addLayout(commandRow);

    StringGrid1 = Named(new QTableView, "StringGrid1");
    StringGrid1->setModel(&grid);
    StringGrid1->setItemDelegate(new RowTintDelegate(StringGrid1));
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setWordWrap(false);
    // A long path keeps its file name in sight.
    StringGrid1->setTextElideMode(Qt::ElideMiddle);
    StringGrid1->setCornerButtonEnabled(false);
    QHeaderView* rows = StringGrid1->verticalHeader();
    rows->hide(); // the grid has no fixed column
    // Fixed heights keep a list of 100,000 jobs cheap to lay out and scroll.
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(std::max(16, StringGrid1->fontMetrics().height() + 4));
    QHeaderView* columns = StringGrid1->horizontalHeader();
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setStretchLastSection(false);
    columns->setHighlightSections(false);
    columns->setMinimumSectionSize(8);
    FitGridColumns();

    Memo1 = Named(new QPlainTextEdit, "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Splitter1 = Named(new QSplitter(Qt::Vertical), "Splitter1");
    Splitter1->addWidget(StringGrid1);
    Splitter1->addWidget(Memo1);
    Splitter1->setStretchFactor(0, 4);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setChildrenCollapsible(false);
    outer->addWidget(Splitter1, 1);

    window.setCentralWidget(central);

    // Tab walks the inputs as they are read: URL, name parts, folder,
    // options, then the commands and the list. The command buttons keep
    // their tab-only focus: a click on one is no exit from the field before.
    QWidget* chain[] = {ComboBox1,    Button2,      Edit1,        SpinEdit1,   Edit2,
                        Edit5,        Edit3,        Edit4,        Button1,     CheckBox1,
                        CheckBox2,    SpinEdit2,    SpeedButton1, GoButton,    CancelBtn,
                        SpeedButton2, SpeedButton3, SpeedButton4, StringGrid1, Memo1};
    for (size_t i = 1; i < std::size(chain); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void MainWindowControls::BuildMenu(QMainWindow& window) {
    File1 = Named(window.menuBar()->addMenu(tr("&File")), "File1");
    Option1 = Named(File1->addAction(tr("Proxy")), "Option1");
    File1->addSeparator();
    Exit1 = Named(File1->addAction(tr("E&xit")), "Exit1");
    Help1 = Named(window.menuBar()->addMenu(tr("Help")), "Help1");
    About1 = Named(Help1->addAction(tr("About Serifetch")), "About1");
}

void MainWindowControls::BuildStatusBar(QMainWindow& window) {
    static constexpr int kWidths[4] = {350, 180, 100, 100};
    const QString texts[4] = {tr("停止中"), tr("Bytes："), tr("選択：1"), tr("全：")};
    QStatusBar* bar = window.statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const auto sunken = [](QLabel* panel) {
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        return panel;
    };
    for (int i = 0; i < 4; ++i) {
        // The widths are what a panel asks for: panels 1 to 3 grow to their
        // texts, and panel 0 takes what is left. In a window too narrow for
        // all of them every panel shrinks and cuts its text with "…"
        // instead of running over its neighbour; a long text of panel 0 (a
        // run's file names) never widens the window.
        auto* panel = sunken(new ElidingLabel(texts[i], kWidths[i]));
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setSizePolicy(i == 0 ? QSizePolicy::Expanding : QSizePolicy::Preferred,
                             QSizePolicy::Preferred);
        bar->addWidget(panel, i == 0 ? 1 : 0);
        StatusPanels[size_t(i)] = panel;
    }
    OverallPanel = sunken(new ElidingLabel(QString(), 300));
    OverallPanel->setObjectName(QStringLiteral("OverallPanel"));
    bar->addWidget(OverallPanel);
    FileProgress = Named(new QProgressBar, "FileProgress");
    FileProgress->setRange(0, 1000);
    FileProgress->setMaximumWidth(120);
    FileProgress->setMaximumHeight(OverallPanel->sizeHint().height());
    FileProgress->hide();
    bar->addWidget(FileProgress);
}

void MainWindowControls::BuildListCommands(QMainWindow& window) {
    RetryJobs = Command(StringGrid1, "RetryJobs", tr("Retry"));
    RetryFailed = Command(StringGrid1, "RetryFailed", tr("Retry all failed (▼, ×)"));
    CheckNewer = Command(StringGrid1, "CheckNewer", tr("Check for newer versions"));
    OpenJobFile = Command(StringGrid1, "OpenJobFile", tr("Open file"));
    OpenJobFolder = Command(StringGrid1, "OpenJobFolder", tr("Open folder"));
    CopyJobUrl = Command(StringGrid1, "CopyJobUrl", tr("Copy URL"));
    DeleteJobs = Command(StringGrid1, "DeleteJobs", tr("Delete"), QKeySequence(Qt::Key_Delete));
    // Del deletes jobs only from the grid; in an input it deletes a letter.
    DeleteJobs->setShortcutContext(Qt::WidgetShortcut);
    // Window-wide, yet an input with the focus takes Ctrl+Z for its own text.
    UndoEdit = Command(&window, "UndoEdit", tr("Undo"), QKeySequence::Undo);
    ListUpKey = Command(&window, "ListUpKey", tr("List Up"), QKeySequence(Qt::CTRL | Qt::Key_L));
    SaveKey = Command(&window, "SaveKey", tr("Save"), QKeySequence::Save);
    // The hints stay the buttons' names; the keys are said in the status bar.
    const std::pair<QToolButton*, QKeySequence> keys[] = {
        {SpeedButton1, ListUpKey->shortcut()},  {GoButton, GoButton->shortcut()},
        {CancelBtn, CancelBtn->shortcut()},     {SpeedButton2, SaveKey->shortcut()},
        {SpeedButton3, DeleteJobs->shortcut()},
    };
    for (const auto& [button, key] : keys)
        button->setStatusTip(
            tr("%1 (%2)").arg(button->toolTip(), key.toString(QKeySequence::NativeText)));

    GridMenu = new QMenu(&window);
    GridMenu->setObjectName(QStringLiteral("GridMenu"));
    GridMenu->addActions({RetryJobs, RetryFailed, CheckNewer});
    GridMenu->addSeparator();
    GridMenu->addActions({OpenJobFile, OpenJobFolder, CopyJobUrl});
    GridMenu->addSeparator();
    GridMenu->addActions({DeleteJobs, UndoEdit});
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
}

void MainWindowControls::FitGridColumns() {
    QHeaderView* columns = StringGrid1->horizontalHeader();
    // The URL is what a series differs in least: it gives up width first,
    // and a wide window gives it the rest instead of an empty strip.
    columns->setSectionResizeMode(JobGrid::UrlColumn, QHeaderView::Stretch);
    int marks = 0;
    for (const QString& mark : {StatusMark::Done, StatusMark::Requested, StatusMark::Skipped,
                                StatusMark::Small, StatusMark::Failed, StatusMark::GivenUp})
        marks = std::max(marks, StringGrid1->fontMetrics().horizontalAdvance(mark));
    const int status = std::max({JobGrid::ColumnWidth(JobGrid::StatusColumn),
                                 columns->sectionSizeHint(JobGrid::StatusColumn), marks + 8});
    StringGrid1->setColumnWidth(JobGrid::StatusColumn, status);
    StringGrid1->setColumnWidth(JobGrid::UrlColumn, JobGrid::ColumnWidth(JobGrid::UrlColumn));
    StringGrid1->setColumnWidth(JobGrid::PathColumn, JobGrid::ColumnWidth(JobGrid::PathColumn));
}

QString MainWindowControls::PanelText(int panel) const {
    if (panel < 0 || panel >= int(StatusPanels.size()))
        return {};
    return StatusPanels[size_t(panel)]->text();
}

void MainWindowControls::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= int(StatusPanels.size()))
        return;
    StatusPanels[size_t(panel)]->setText(text);
}

WindowSettings MainWindowControls::CurrentLayout(const QMainWindow& window) const {
    WindowSettings w;
    w.maximized = window.isMaximized();
    // The size to come back to from a maximized window, not the screen's.
    w.geometry = window.normalGeometry().isValid() ? window.normalGeometry() : window.geometry();
    w.splitterSizes = Splitter1->sizes();
    for (int c = 0; c < JobGrid::ColumnCount; ++c)
        w.columnWidths << StringGrid1->columnWidth(c);
    return w;
}

void MainWindowControls::ApplyLayout(QMainWindow& window, const WindowSettings& w) {
    if (w.geometry.isValid()) {
        // A window left on a screen that is gone comes back at its size on
        // the primary one, where the window manager places it.
        const auto screens = QGuiApplication::screens();
        const bool onScreen = std::any_of(screens.begin(), screens.end(), [&](QScreen* screen) {
            return screen->availableGeometry().intersects(w.geometry);
        });
        if (onScreen)
            window.setGeometry(w.geometry);
        else
            window.resize(w.geometry.size());
    }
    if (w.maximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
    if (w.splitterSizes.size() == Splitter1->count())
        Splitter1->setSizes(w.splitterSizes);
    if (w.columnWidths.size() == JobGrid::ColumnCount)
        for (int c = 0; c < JobGrid::ColumnCount; ++c)
            if (c != JobGrid::UrlColumn) // it takes what the others leave
                StringGrid1->setColumnWidth(c, w.columnWidths[c]);
}
