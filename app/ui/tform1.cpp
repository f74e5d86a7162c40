#include "app/ui/tform1.h"

#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/list_saver.h"
#include "app/series.h"
#include "app/status_mark.h"
#include "http/nmhttp.h"
#include "platform/desktop.h"
#include "platform/profile_dir.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"
#include "settings/ui/form2.h"
#include "settings/ui/form6.h"
#include "settings/ui/form7.h"
#include "settings/ui/program_icon.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>
#include <new>

namespace {

// Why a file the program could not read at start is not written at close.
QString NotSavedMessage(const QString& path) {
    return QStringLiteral("%1 was not saved, so that what it holds is not lost: it could not "
                          "be read when the program started.")
        .arg(path);
}

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

} // namespace

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Serifetch"));
    m_messageSink = [this](MessageKind kind, const QString& text) {
        if (kind == MessageKind::Error)
            QMessageBox::warning(this, QStringLiteral("Serifetch"), text);
        else
            QMessageBox::information(this, QStringLiteral("Serifetch"), text);
    };
    m_questionAsker = [this](const QString& question) {
        return QMessageBox::question(this, QStringLiteral("Serifetch"), question) ==
               QMessageBox::Yes;
    };
    m_folderPicker = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("保存先フォルダ"), start);
    };
    setWindowIcon(ProgramIcon());
    BuildControls();
    BuildMenu();
    BuildStatusBar();

    connect(Edit1, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    connect(Edit2, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    connect(Edit3, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    connect(Edit5, &QLineEdit::textChanged, this, &TForm1::Edit1Change);
    connect(SpinEdit1, &QSpinBox::valueChanged, this, &TForm1::Edit1Change);
    Edit2->installEventFilter(this);
    Edit5->installEventFilter(this);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    WireDownloadRun();
    WireCommands();
    BuildInputAids();
    BuildListCommands();
    CheckBox2Click();
    Edit1Change();
    // Wide enough for panel 0 at its 350 pixels beside a progress text of a
    // file in the megabytes.
    resize(860, 600);
}

TForm1::~TForm1() {
    // Members such as the grid go before the base class deletes the child
    // widgets; detach the view and the filters while everything is whole.
    Edit2->removeEventFilter(this);
    Edit5->removeEventFilter(this);
    StringGrid1->viewport()->removeEventFilter(this);
    Memo1->viewport()->removeEventFilter(this);
    StringGrid1->setModel(nullptr);
}

void TForm1::BuildControls() {
    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    ComboBox1 = Named(new QComboBox, "ComboBox1");
    ComboBox1->setEditable(true);
    // The history changes only by the program's own rules, never by Return.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    // No completion: an inline completion from the history stayed in the box
    // and glued a file name of an earlier series onto every job.
    ComboBox1->setCompleter(nullptr);
    ComboBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Button2 = Named(new QPushButton(QStringLiteral("edit")), "Button2");
    auto* urlRow = new QHBoxLayout;
    urlRow->addWidget(Caption(QStringLiteral("URL"), ComboBox1));
    urlRow->addWidget(ComboBox1, 1);
    urlRow->addWidget(Button2);
    outer->addLayout(urlRow);

    auto* nameBox = Named(new QGroupBox(QStringLiteral("Filename")), "GroupBox1");
    auto* names = new QGridLayout(nameBox);
    Edit1 = Named(new QLineEdit(QStringLiteral("hampic")), "Edit1");
    SpinEdit1 = UnboundedSpinBox("SpinEdit1", 2);
    Edit2 = Named(new QLineEdit(QStringLiteral("01")), "Edit2");
    Label4 = Named(new QLabel(QStringLiteral("～")), "Label4");
    Edit5 = Named(new QLineEdit(QStringLiteral("12")), "Edit5");
    Edit3 = Named(new QLineEdit(QStringLiteral(".jpg")), "Edit3");
    names->addWidget(Caption(QStringLiteral("先頭部"), Edit1), 0, 0);
    names->addWidget(Caption(QStringLiteral("数字桁数"), SpinEdit1), 0, 1);
    names->addWidget(Caption(QStringLiteral("開始番号"), Edit2), 0, 2);
    names->addWidget(Caption(QStringLiteral("終了番号"), Edit5), 0, 4);
    names->addWidget(Caption(QStringLiteral("後部"), Edit3), 0, 5);
    names->addWidget(Edit1, 1, 0);
    names->addWidget(SpinEdit1, 1, 1);
    names->addWidget(Edit2, 1, 2);
    names->addWidget(Label4, 1, 3);
    names->addWidget(Edit5, 1, 4);
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
    outer->addWidget(nameBox);

    Edit4 = Named(new QLineEdit(defaultSavePath()), "Edit4");
    Button1 = Named(new QPushButton(QStringLiteral("参照")), "Button1");
    auto* dirRow = new QHBoxLayout;
    dirRow->addWidget(Caption(QStringLiteral("SaveDir"), Edit4));
    dirRow->addWidget(Edit4, 1);
    dirRow->addWidget(Button1);
    outer->addLayout(dirRow);

    CheckBox1 = Named(new QCheckBox(QStringLiteral("同一ファイル名はスキップ")), "CheckBox1");
    CheckBox2 = Named(new QCheckBox, "CheckBox2");
    CheckBox2->setChecked(true);
    SpinEdit2 = UnboundedSpinBox("SpinEdit2", 0);
    auto* optionRow = new QHBoxLayout;
    optionRow->addWidget(CheckBox1);
    optionRow->addSpacing(24);
    optionRow->addWidget(CheckBox2);
    optionRow->addWidget(SpinEdit2);
    optionRow->addWidget(Caption(QStringLiteral("KByte以下はリトライ"), SpinEdit2));
    optionRow->addStretch(1);
    outer->addLayout(optionRow);

    SpeedButton1 = CommandButton("SpeedButton1", QStringLiteral("List Up"));
    GoButton = CommandButton("GoButton", QStringLiteral("Go!"));
    CancelBtn = CommandButton("CancelBtn", QStringLiteral("Stop!"));
    SpeedButton2 = CommandButton("SpeedButton2", QStringLiteral("Save"));
    SpeedButton3 = CommandButton("SpeedButton3", QStringLiteral("Delete"));
    SpeedButton4 = CommandButton("SpeedButton4", QStringLiteral("Clear"));
    GoButton->setShortcut(QKeySequence(Qt::Key_F5));
    GoButton->setToolTip(QStringLiteral("Go! (F5)"));
    CancelBtn->setShortcut(QKeySequence(Qt::Key_Escape));
    CancelBtn->setToolTip(QStringLiteral("Stop! (Esc)"));
    auto* commandRow = new QHBoxLayout;
    for (QToolButton* b : {SpeedButton1, GoButton, CancelBtn})
        commandRow->addWidget(b);
    commandRow->addSpacing(24);
    for (QToolButton* b : {SpeedButton2, SpeedButton3, SpeedButton4})
        commandRow->addWidget(b);
    commandRow->addStretch(1);
    outer->addLayout(commandRow);

    StringGrid1 = Named(new QTableView, "StringGrid1");
    StringGrid1->setModel(&m_grid);
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
    // The status column is narrower than its caption wants.
    columns->setMinimumSectionSize(8);
    for (int c = 0; c < JobGrid::ColumnCount; ++c)
        StringGrid1->setColumnWidth(c, JobGrid::ColumnWidth(c));

    Memo1 = Named(new QPlainTextEdit, "Memo1");
    Memo1->setReadOnly(true);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* split = Named(new QSplitter(Qt::Vertical), "Splitter1");
    split->addWidget(StringGrid1);
    split->addWidget(Memo1);
    split->setStretchFactor(0, 4);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    outer->addWidget(split, 1);

    setCentralWidget(central);

    // Tab walks the inputs as they are read: URL, name parts, folder,
    // options, then the commands and the list. The command buttons keep
    // their tab-only focus: a click on one is no exit from the field before.
    QWidget* chain[] = {ComboBox1,    Button2,      Edit1,        SpinEdit1,   Edit2,
                        Edit5,        Edit3,        Edit4,        Button1,     CheckBox1,
                        CheckBox2,    SpinEdit2,    SpeedButton1, GoButton,    CancelBtn,
                        SpeedButton2, SpeedButton3, SpeedButton4, StringGrid1, Memo1};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

void TForm1::BuildMenu() {
    File1 = Named(menuBar()->addMenu(QStringLiteral("&File")), "File1");
    Option1 = Named(File1->addAction(QStringLiteral("Proxy")), "Option1");
    File1->addSeparator();
    Exit1 = Named(File1->addAction(QStringLiteral("E&xit")), "Exit1");
    Help1 = Named(menuBar()->addMenu(QStringLiteral("Help")), "Help1");
    About1 = Named(Help1->addAction(QStringLiteral("About Serifetch")), "About1");
}

void TForm1::BuildStatusBar() {
    static constexpr int kWidths[4] = {350, 180, 100, 100};
    const QString texts[4] = {QStringLiteral("停止中"), QStringLiteral("Bytes："),
                              QStringLiteral("選択：1"), QStringLiteral("全：")};
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(texts[i]);
        panel->setObjectName(QStringLiteral("Panel%1").arg(i));
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        // The widths are minimums: panels 1 to 3 grow to their texts (a
        // progress text must not be cut), and panel 0 takes what is left, its
        // long texts (a run's file names) cut at its edge instead of widening
        // the window.
        panel->setMinimumWidth(kWidths[i]);
        panel->setSizePolicy(i == 0 ? QSizePolicy::Ignored : QSizePolicy::Minimum,
                             QSizePolicy::Preferred);
        bar->addWidget(panel, i == 0 ? 1 : 0);
        m_panels[size_t(i)] = panel;
    }
}

QString TForm1::PanelText(int panel) const {
    if (panel < 0 || panel >= int(m_panels.size()))
        return {};
    return m_panels[size_t(panel)]->text();
}

void TForm1::SetPanelText(int panel, const QString& text) {
    if (panel < 0 || panel >= int(m_panels.size()))
        return;
    m_panels[size_t(panel)]->setText(text);
}

void TForm1::ShowJobCount() {
    SetPanelText(3, QStringLiteral("全：") + QString::number(NextRow() - 1));
}

std::pair<int, int> TForm1::SelectedGridRows() const {
    const QItemSelection selection = StringGrid1->selectionModel()->selection();
    int top = std::numeric_limits<int>::max();
    int bottom = -1;
    for (const QItemSelectionRange& range : selection) {
        top = std::min(top, range.top());
        bottom = std::max(bottom, range.bottom());
    }
    if (bottom < 0) {
        const QModelIndex current = StringGrid1->currentIndex();
        top = bottom = current.isValid() ? current.row() : 0;
    }
    return {top + 1, bottom + 1};
}

void TForm1::SelectGridRows(int top, int bottom) {
    const QModelIndex first = m_grid.index(top - 1, 0);
    const QModelIndex last = m_grid.index(bottom - 1, JobGrid::ColumnCount - 1);
    if (!first.isValid() || !last.isValid())
        return;
    QItemSelectionModel* model = StringGrid1->selectionModel();
    model->setCurrentIndex(m_grid.index(bottom - 1, 0), QItemSelectionModel::NoUpdate);
    model->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
    StringGrid1->scrollTo(m_grid.index(bottom - 1, 0));
}

void TForm1::SetMessageSink(MessageSink sink) {
    m_messageSink = std::move(sink);
}

void TForm1::ShowMessage(const QString& text, MessageKind kind) {
    if (m_messageSink)
        m_messageSink(kind, text);
}

void TForm1::AddUrlToHistory() {
    const QString text = ComboBox1->currentText();
    QStringList history = History();
    if (!AppendToUrlHistory(history, text))
        return;
    ComboBox1->addItem(text);
    // Adding the first item selects it; the edit text must stay as typed.
    ComboBox1->setEditText(text);
}

void TForm1::NormaliseNumberInput(QLineEdit* edit) {
    const QString normal = NormaliseSeriesNumber(edit->text());
    if (normal != edit->text())
        edit->setText(normal); // fires the change handler again
}

void TForm1::Edit2Exit() {
    NormaliseNumberInput(Edit2);
}

void TForm1::Edit5Exit() {
    NormaliseNumberInput(Edit5);
}

std::optional<qint32> TForm1::ReadSeriesNumber(QLineEdit* edit, SeriesError failure) {
    const auto number = ParseSeriesNumber(edit->text());
    if (!number)
        ShowMessage(SeriesErrorMessage(failure, {}, edit->text()), MessageKind::Error);
    return number;
}

void TForm1::Edit1Change() {
    // Writing a normalised text back fires this handler again; the outer call
    // finishes the work, so a failure is reported once, not once per level.
    if (m_inPreview)
        return;
    m_inPreview = true;
    const auto done = qScopeGuard([this] { m_inPreview = false; });

    Edit2Exit();
    Edit5Exit();
    const auto start = ReadSeriesNumber(Edit2, SeriesError::StartNotInteger);
    if (!start)
        return;
    const auto end = ReadSeriesNumber(Edit5, SeriesError::EndNotInteger);
    if (!end)
        return;
    const int digits = SpinEdit1->value();
    const auto preview = SeriesPreview(Edit1->text(), *start, *end, digits, Edit3->text());
    if (preview) {
        Label10->setText(*preview);
    } else {
        // Said in the preview rather than in a box: typing into the spinner
        // passes through such counts on the way to a sensible one.
        SeriesSpec spec;
        spec.digits = digits;
        Label10->setText(SeriesErrorMessage(SeriesError::TooManyDigits, spec));
    }
}

void TForm1::SpeedButton1Click() {
    try {
        ListUp();
    } catch (const std::bad_alloc&) {
        ShowMessage(QStringLiteral("メモリが足りないため、リストアップできませんでした。"),
                    MessageKind::Error);
    }
}

void TForm1::ListUp() {
    AddUrlToHistory();

    const auto start = ReadSeriesNumber(Edit2, SeriesError::StartNotInteger);
    if (!start)
        return;
    m_startNumber = *start;
    const auto end = ReadSeriesNumber(Edit5, SeriesError::EndNotInteger);
    if (!end)
        return;
    m_endNumber = *end;

    SeriesSpec spec;
    spec.baseUrl = ComboBox1->currentText();
    spec.saveDir = Edit4->text();
    spec.head = Edit1->text();
    spec.digits = SpinEdit1->value();
    spec.start = m_startNumber;
    spec.end = m_endNumber;
    spec.tail = Edit3->text();
    ListedSeries series = ListUpSeries(spec, m_grid.JobCount());
    if (series.refusal != SeriesError::None) {
        ShowMessage(SeriesErrorMessage(series.refusal, spec), MessageKind::Error);
        return;
    }
    m_undo.Drop();
    m_grid.Append(std::move(series.jobs));

    const int lastRow = m_grid.GridRowCount() - 1;
    SelectGridRows(lastRow, lastRow);
    ShowJobCount();
}

void TForm1::CheckBox2Click() {
    SpinEdit2->setEnabled(CheckBox2->isChecked());
}

void TForm1::Enable(bool on) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{ComboBox1, GoButton, Edit1, Edit2, Edit3, Edit4, Edit5,
                                         SpinEdit1, SpinEdit2, CheckBox1, Button1})
        w->setEnabled(on);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Leaving a field means the focus moved to another control of this
    // window; a message box or another application taking the focus is not
    // an exit.
    if (event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        if (watched == Edit2)
            Edit2Exit();
        else if (watched == Edit5)
            Edit5Exit();
    }
    if (watched == StringGrid1->viewport() && event->type() == QEvent::ToolTip &&
        ShowStatusToolTip(event))
        return true;
    if (watched == Memo1->viewport() && event->type() == QEvent::MouseButtonDblClick)
        SelectLoggedJob(static_cast<QMouseEvent*>(event)->position().toPoint());
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::WireCommands() {
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Option1, &QAction::triggered, this, &TForm1::Option1Click);
    connect(About1, &QAction::triggered, this, &TForm1::About1Click);
    // Every change of the selection is reported, by mouse, keyboard or a
    // command (List Up, Delete) alike.
    QItemSelectionModel* selection = StringGrid1->selectionModel();
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TForm1::StringGrid1Click);
    connect(selection, &QItemSelectionModel::currentChanged, this, &TForm1::StringGrid1Click);
    connect(StringGrid1, &QTableView::doubleClicked, this, &TForm1::StringGrid1DblClick);
}

QStringList TForm1::History() const {
    QStringList items;
    items.reserve(ComboBox1->count());
    for (int i = 0; i < ComboBox1->count(); ++i)
        items << ComboBox1->itemText(i);
    return items;
}

void TForm1::SetHistory(const QStringList& items) {
    // Clearing an editable combo box empties its edit field, and adding the
    // first item puts that item there; the text the user sees stays.
    const QString text = ComboBox1->currentText();
    ComboBox1->clear();
    ComboBox1->addItems(items);
    ComboBox1->setEditText(text);
}

void TForm1::ApplySettings(const Settings& s) {
    ComboBox1->clear();
    ComboBox1->addItems(s.urlHistory);
    ComboBox1->setEditText(s.url);
    {
        // The preview is refreshed once at the end of the load, not for each
        // half-filled state of the inputs on the way.
        m_inPreview = true;
        const auto done = qScopeGuard([this] { m_inPreview = false; });
        Edit1->setText(s.head);
        SpinEdit1->setValue(s.num);
        SpinEdit2->setValue(s.minSize);
        Edit2->setText(s.start);
        Edit5->setText(s.end);
        Edit3->setText(s.back);
    }
    Edit4->setText(s.path);
    CheckBox1->setChecked(s.skip);
    CheckBox2->setChecked(s.check);
    CheckBox2Click();
    m_http->InputFileMode = true;
    ApplySettingsToClient(s, *m_http);
    m_request = s.request;
    m_client->SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
}

Settings TForm1::CurrentSettings() const {
    Settings s;
    s.urlHistory = History();
    s.url = ComboBox1->currentText();
    s.head = Edit1->text();
    s.num = SpinEdit1->value();
    s.minSize = SpinEdit2->value();
    s.start = Edit2->text();
    s.end = Edit5->text();
    s.back = Edit3->text();
    s.path = Edit4->text();
    s.skip = CheckBox1->isChecked();
    s.check = CheckBox2->isChecked();
    s.proxyHost = m_http->Proxy;
    s.proxyPort = m_http->ProxyPort;
    s.request = m_request;
    return s;
}

void TForm1::FormCreate() {
    QStringList warnings;
    const QString folderProblem = ProfileDir::prepare();
    if (!folderProblem.isEmpty())
        warnings << folderProblem;

    const QString settingsPath = ProfileDir::settingsFilePath();
    SettingsFile::LoadResult settings = SettingsFile::load(settingsPath);
    m_settingsReadable = settings.unreadable.isEmpty();
    warnings << settings.warnings;
    ApplySettings(settings.settings);

    // Loaded whatever the settings said: a bad value there must never leave
    // the list unloaded and then saved empty at close.
    JobListFile::LoadResult jobs = JobListFile::load(ProfileDir::jobListFilePath());
    m_jobListReadable = jobs.error.isEmpty();
    if (!m_jobListReadable)
        warnings << jobs.error;
    m_unloadedJobs = jobs.unloadedJobs;
    if (m_unloadedJobs > 0)
        warnings << jobs.unloadedWarning();
    const bool firstStart = m_jobListReadable && !QFileInfo::exists(ProfileDir::jobListFilePath());
    m_grid.Clear();
    m_grid.Append(std::move(jobs.jobs));
    ShowJobCount();
    m_profileLoaded = true;
    // The file is there from the first start on, not only after the first
    // close: a window that is killed has still left a job list behind.
    if (firstStart && folderProblem.isEmpty()) {
        const QString problem = SaveData();
        if (!problem.isEmpty())
            warnings << problem;
    }

    if (!warnings.isEmpty())
        ShowMessage(warnings.join(QStringLiteral("\n\n")), MessageKind::Error);
    Edit1Change();
}

QString TForm1::SaveData() {
    const QString path = ProfileDir::jobListFilePath();
    if (!m_jobListReadable)
        return NotSavedMessage(path);
    if (m_unloadedJobs > 0) {
        const QString question =
            QStringLiteral("%1 holds %2 job(s) after an empty row that were not loaded. Saving "
                           "the list writes over them.\n\nSave the list anyway?")
                .arg(QDir::toNativeSeparators(path))
                .arg(m_unloadedJobs);
        if (!m_questionAsker || !m_questionAsker(question))
            return QStringLiteral("The job list was not saved; %1 keeps the jobs that were not "
                                  "loaded.")
                .arg(QDir::toNativeSeparators(path));
        m_unloadedJobs = 0;
    }
    return JobListFile::save(path, m_grid.Jobs());
}

QStringList TForm1::FormClose() {
    QStringList problems;
    if (!m_profileLoaded)
        return problems;
    const QString settingsPath = ProfileDir::settingsFilePath();
    const QString stored = m_settingsReadable ? SettingsFile::store(settingsPath, CurrentSettings())
                                              : NotSavedMessage(settingsPath);
    if (!stored.isEmpty())
        problems << stored;
    const QString saved = SaveData();
    if (!saved.isEmpty())
        problems << saved;
    return problems;
}

void TForm1::SpeedButton2Click() {
    const QString problem = SaveData();
    if (!problem.isEmpty())
        ShowMessage(problem, MessageKind::Error);
}

void TForm1::SpeedButton3Click() {
    const auto [top, bottom] = SelectedGridRows();
    if (m_grid.IsJobRow(top))
        m_undo.Keep(m_grid);
    m_grid.DeleteRows(top, bottom);
    ShowJobCount();
    StringGrid1Click();
}

void TForm1::SpeedButton4Click() {
    const auto open = std::count_if(m_grid.Jobs().begin(), m_grid.Jobs().end(), [](const Job& job) {
        return !StatusMark::IsSuccess(job.status);
    });
    if (open > 0 && (!m_questionAsker ||
                     !m_questionAsker(QStringLiteral("The list holds %1 job(s) not yet done.\n\n"
                                                     "Clear the list anyway? (Ctrl+Z undoes it)")
                                          .arg(open))))
        return;
    if (m_grid.JobCount() > 0)
        m_undo.Keep(m_grid);
    m_grid.Clear();
    ShowJobCount();
    StringGrid1Click();
}

void TForm1::StringGrid1Click() {
    const auto [top, bottom] = SelectedGridRows();
    QString text = QStringLiteral("選択：") + QString::number(top);
    if (bottom != top)
        text += QStringLiteral(" ～ ") + QString::number(bottom);
    SetPanelText(2, text);
}

void TForm1::StringGrid1DblClick() {
    const QString path = m_grid.Path(SelectedGridRows().first);
    if (!path.isEmpty())
        Desktop::current().openFile(path);
}

void TForm1::Button1Click() {
    QString folder = m_folderPicker ? m_folderPicker(this, Edit4->text()) : QString();
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    Edit4->setText(folder);
}

void TForm1::Button2Click() {
    // Added before the editor opens, so it stays also after "Cancel".
    AddUrlToHistory();
    QStringList history = History();
    {
        TForm7 dialog(history, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    SetHistory(history);
}

void TForm1::Option1Click() {
    TForm6 dialog(m_http->Proxy, m_http->ProxyPort, this, &m_request);
    if (dialog.exec() != QDialog::Accepted)
        return;
    ApplyRequestSettingsToClient(m_request, *m_http);
    m_client->SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
}

void TForm1::About1Click() {
    TForm2 dialog(this);
    dialog.exec();
}

void TForm1::SetFolderPicker(FolderPicker picker) {
    m_folderPicker = std::move(picker);
}

void TForm1::SetQuestionAsker(QuestionAsker asker) {
    m_questionAsker = std::move(asker);
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A request runs inside a nested event loop below us: abort it and close
    // once it has unwound, so that the job list is saved with the job's
    // final mark and nothing the run touches is gone while it still runs.
    m_run->Shutdown();
    if (m_run->Requesting()) {
        m_closeWhenRequestEnds = true;
        event->ignore();
        return;
    }
    // The run has unwound: the files take the jobs with their final marks.
    const QStringList problems = FormClose();
    if (!problems.isEmpty())
        ShowMessage(problems.join(QStringLiteral("\n\n")), MessageKind::Error);
    emit closing();
    QMainWindow::closeEvent(event);
}
