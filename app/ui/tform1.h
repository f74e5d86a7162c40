#pragma once

#include "app/job_grid.h"
#include "app/ui/login_dialog.h"
#include "app/ui/main_window_controls.h"
#include "app/ui/user_prompts.h"
#include "settings/settings_file.h"

#include <QMainWindow>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QLineEdit;
class WindowClientOptions;
class DownloadRun;
class ListCommands;
class OpenSeriesRuns;
class RunSession;
class ProfileSession;
class RunPresenter;
class SeriesInputs;
class TNMHTTP;
class WindowProfile;

/// The main window: the series inputs, the job grid, the status bar and the
/// commands. It is a thin shell that wires controls to the logic: the series
/// rules live in app/series.h, the jobs in `JobGrid`, the run in
/// `DownloadRun`, what the window shows of a run in `RunPresenter`, the
/// files in settings/. Every control is a public member (MainWindowControls)
/// that carries its name as its Qt object name, so tests and screenshots can
/// find it.
class TForm1 : public QMainWindow, public MainWindowControls {
    Q_OBJECT

public:
    using MessageKind = UserPrompts::Kind;
    using MessageSink = UserPrompts::MessageSink;
    using FolderPicker = UserPrompts::FolderPicker;
    using QuestionAsker = UserPrompts::QuestionAsker;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    /// The window's HTTP client: bodies into files, a time-out of
    /// DownloadRun::kClientTimeOutMs.
    TNMHTTP& NMHTTP1() { return *m_http; }
    /// The download run over Grid() and NMHTTP1(), fed with the options of
    /// CheckBox1, CheckBox2 and SpinEdit2.
    DownloadRun& Run() { return *m_run; }

    /// The jobs shown by StringGrid1.
    JobGrid& Grid() { return m_grid; }
    const JobGrid& Grid() const { return m_grid; }
    /// First grid row without a job (1 for an empty list).
    int NextRow() const { return m_grid.NextRow(); }
    /// Start and end number read by the last "List Up".
    qint32 StartNumber() const { return m_startNumber; }
    qint32 EndNumber() const { return m_endNumber; }

    /// Panel 3 := "全：" followed by NextRow() - 1.
    void ShowJobCount();

    /// See GridSelection::Rows and GridSelection::Select.
    std::pair<int, int> SelectedGridRows() const;
    void SelectGridRows(int top, int bottom);

    /// Where the window's dialogs go (see UserPrompts).
    void SetMessageSink(MessageSink sink) { m_prompts.sink = std::move(sink); }
    void SetFolderPicker(FolderPicker picker) { m_prompts.picker = std::move(picker); }
    void SetQuestionAsker(QuestionAsker asker) { m_prompts.asker = std::move(asker); }
    void SetSplitChooser(UserPrompts::SplitChooser choose) {
        m_prompts.splitChooser = std::move(choose);
    }
    /// Asks for a name and password for `server`; nothing on "Cancel".
    using LoginAsker = std::function<std::optional<LoginAnswer>(const QString& server)>;
    void SetLoginAsker(LoginAsker asker) { m_askLogin = std::move(asker); }
    void ShowMessage(const QString& text, MessageKind kind = MessageKind::Info) {
        m_prompts.Tell(text, kind);
    }

    /// See InputSettings::AddToHistory.
    void AddUrlToHistory();

    // Handlers.
    /// See SeriesInputs::RefreshPreview and NormaliseNumberInput.
    void Edit1Change();
    void Edit2Exit();
    void Edit5Exit();
    /// "List Up": appends the series to the grid.
    void SpeedButton1Click();
    /// SpinEdit2 is enabled exactly when CheckBox2 is checked.
    void CheckBox2Click();
    /// Enables or disables the series inputs and the Go! button.
    void Enable(bool on);
    /// "Go!" and "Stop!": handed to the run.
    void GoButtonClick();
    void CancelBtnClick();

    /// WindowProfile::Open, its problems in one message; only a window that
    /// ran this stores the files at close. Without `profile` (the folder as
    /// the start took it, locked) the window opens the folder, unlocked.
    void FormCreate(std::unique_ptr<ProfileSession> profile);
    void FormCreate();
    /// See WindowProfile::SaveData.
    [[nodiscard]] QString SaveData();
    /// "Save": SaveData, telling the user when it failed.
    void SpeedButton2Click();
    /// "Delete" and "Clear" (see ListCommands).
    void SpeedButton3Click();
    void SpeedButton4Click();
    /// Panel 2 := "選択：" + top, or + top + " ～ " + bottom for a range.
    void StringGrid1Click();
    /// Opens the selection's top job's file (see ListCommands::OpenFile).
    void StringGrid1DblClick();
    /// "参照": picks the save folder; Edit4 then ends in "/".
    void Button1Click();
    /// "edit": the history editor, the combo box's text added first.
    void Button2Click();
    /// "Proxy": the proxy dialog over WindowClientOptions.
    void Option1Click();
    /// The about box.
    void About1Click();

    /// See SeriesInputs::OfferFileUrlSplit.
    void OfferFileUrlSplit(const QString& text);
    /// See RunPresenter::StatusToolTip and ListCommands::Undo.
    QString StatusToolTip(int gridRow) const;
    void UndoListEdit();

    /// See MainWindowControls::CurrentLayout and ApplyLayout.
    WindowSettings CurrentWindowSettings() const;
    void ApplyWindowSettings(const WindowSettings& w);

signals:
    /// Emitted when the window is about to close, before it goes away.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void WireSeriesInputs();
    void ListUp();
    /// A login typed into the URL box is kept for this window's runs and
    /// taken out of the box, before the URL reaches the grid or the history.
    void TakeLoginFromUrlBox();
    void WireDownloadRun();
    /// The run's events to the presenter, the presenter's texts to the controls.
    void WireRunView();
    /// The commands' wiring, the list's commands among them.
    void WireCommands();
    bool Ask(const QString& question) const { return m_prompts.Ask(question); }
    void ApplySettings(const Settings& s);
    Settings CurrentSettings() const;
    QStringList FormClose();

    JobGrid m_grid;
    UserPrompts m_prompts{*this};
    LoginAsker m_askLogin = [this](const QString& server) {
        return TLoginDialog::Ask(server, this);
    };
    /// The servers asked for a login since the last "Go!": a wrong answer
    /// is asked again in the next run, not at every job.
    QSet<QString> m_loginAsked;
    std::unique_ptr<WindowProfile> m_profile;
    qint32 m_startNumber = 0;
    qint32 m_endNumber = 0;
    bool m_closeWhenRequestEnds = false;
    // Declared after the grid: the run goes first, then its client.
    /// The run and its clients; the two below are its, for short.
    std::unique_ptr<RunSession> m_session;
    TNMHTTP* m_http = nullptr;
    DownloadRun* m_run = nullptr;
    std::unique_ptr<WindowClientOptions> m_options;
    std::unique_ptr<RunPresenter> m_presenter;
    /// The list's open series while a run fetches them.
    std::unique_ptr<OpenSeriesRuns> m_openSeries;
    std::unique_ptr<SeriesInputs> m_series;
    // After the run and the presenter it works on.
    std::unique_ptr<ListCommands> m_list;
};
