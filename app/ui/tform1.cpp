#include "app/ui/tform1.h"

#include "app/download_run.h"
#include "app/open_series.h"
#include "app/run_presenter.h"
#include "app/run_session.h"
#include "app/ui/grid_selection.h"
#include "app/ui/input_settings.h"
#include "app/ui/list_commands.h"
#include "app/ui/run_view.h"
#include "app/ui/series_inputs.h"
#include "app/window_client_options.h"
#include "app/window_profile.h"
#include "settings/ui/form2.h"
#include "settings/ui/form6.h"
#include "settings/ui/form7.h"
#include "settings/ui/program_icon.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

TForm1::TForm1(QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Serifetch"));
    setWindowIcon(ProgramIcon());
    Build(*this, m_grid);
    WireSeriesInputs();
    m_profile = std::make_unique<WindowProfile>(
        m_grid, [this](const QString& question) { return Ask(question); },
        [this](const Settings& s) { ApplySettings(s); }, [this] { return CurrentSettings(); });

    Edit2->installEventFilter(this);
    Edit5->installEventFilter(this);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(CheckBox2, &QCheckBox::toggled, this, &TForm1::CheckBox2Click);
    connect(Exit1, &QAction::triggered, this, &QWidget::close);

    WireDownloadRun();
    WireCommands();
    CheckBox2Click();
    Edit1Change();
    // Wide enough for panel 0 at its 350 pixels beside a progress text of a
    // file in the megabytes and the overall line; a remembered size replaces
    // this from the second start on.
    resize(1180, 720);
}

TForm1::~TForm1() {
    // Members such as the grid go before the base class deletes the child
    // widgets; detach the view while everything is whole.
    StringGrid1->setModel(nullptr);
}

void TForm1::ShowJobCount() {
    SetPanelText(3, tr("全：%1").arg(NextRow() - 1));
}

std::pair<int, int> TForm1::SelectedGridRows() const {
    return GridSelection::Rows(*StringGrid1);
}

void TForm1::SelectGridRows(int top, int bottom) {
    GridSelection::Select(*StringGrid1, top, bottom);
}

void TForm1::AddUrlToHistory() {
    TakeLoginFromUrlBox();
    InputSettings::AddToHistory(*ComboBox1);
}

void TForm1::TakeLoginFromUrlBox() {
    if (const QString url = m_options->TakeLoginFromUrl(ComboBox1->currentText());
        url != ComboBox1->currentText())
        ComboBox1->setEditText(url);
}

void TForm1::WireRunView() {
    m_presenter = std::make_unique<RunPresenter>(m_grid);
    RunView::Connect(*m_run, *m_presenter, *this, m_grid, [this] { m_profile->ListChanged(); });
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

    m_list = std::make_unique<ListCommands>(
        *this, m_grid, *m_run, *m_presenter,
        [this](const QString& text) { ShowMessage(text, MessageKind::Error); },
        [this](const QString& question) { return Ask(question); });
    connect(m_list.get(), &ListCommands::rowsChanged, this, [this] {
        ShowJobCount();
        StringGrid1Click();
    });
    // Asked as the run would fetch: the same server sees the same client.
    m_list->SetRefreshSetup([this] {
        return ListCommands::RefreshSetup{m_options->ProbeClient(), m_options->Request().intervalMs,
                                          m_options->Request().remoteTime};
    });
    connect(m_list.get(), &ListCommands::checkEnded, this, [this] {
        if (!m_profile->Loaded())
            return;
        if (const QString problem = SaveData(); !problem.isEmpty())
            ShowMessage(problem, MessageKind::Error);
    });
    connect(ListUpKey, &QAction::triggered, this, &TForm1::SpeedButton1Click);
    connect(SaveKey, &QAction::triggered, this, &TForm1::SpeedButton2Click);
    // Enter in an input lists up, as Ctrl+L does.
    for (QLineEdit* edit : {ComboBox1->lineEdit(), Edit1, Edit2, Edit5, Edit3, Edit4})
        connect(edit, &QLineEdit::returnPressed, this, &TForm1::SpeedButton1Click);
}

void TForm1::SpeedButton2Click() {
    const QString problem = SaveData();
    if (!problem.isEmpty())
        ShowMessage(problem, MessageKind::Error);
}

void TForm1::SpeedButton3Click() {
    m_list->Delete();
}

void TForm1::SpeedButton4Click() {
    m_list->Clear();
}

void TForm1::StringGrid1Click() {
    const auto [top, bottom] = SelectedGridRows();
    SetPanelText(2, bottom == top ? tr("選択：%1").arg(top)
                                  : tr("選択：%1 ～ %2").arg(top).arg(bottom));
}

void TForm1::StringGrid1DblClick() {
    m_list->OpenFile();
}

QString TForm1::StatusToolTip(int gridRow) const {
    return m_presenter->StatusToolTip(gridRow);
}

void TForm1::UndoListEdit() {
    m_list->Undo();
}

void TForm1::Button1Click() {
    QString folder = m_prompts.PickFolder(Edit4->text());
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    Edit4->setText(folder);
}

void TForm1::Button2Click() {
    // Added before the editor opens, so it stays also after "Cancel".
    AddUrlToHistory();
    QStringList history = InputSettings::History(*ComboBox1);
    {
        TForm7 dialog(history, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    }
    InputSettings::SetHistory(*ComboBox1, history);
}

void TForm1::Option1Click() {
    m_options->Edit(
        [this](QString& proxy, int& proxyPort, RequestSettings& request, ProxyLogin& proxyLogin) {
            TForm6 dialog(proxy, proxyPort, this, &request, &proxyLogin);
            return dialog.exec() == QDialog::Accepted;
        });
}

void TForm1::About1Click() {
    TForm2 dialog(this);
    dialog.exec();
}
