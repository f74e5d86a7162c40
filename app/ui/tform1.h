#pragma once

#include "app/job_grid.h"
#include "app/list_edits.h"
#include "app/run_overview.h"
#include "app/series.h"
#include "settings/settings_file.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QToolButton;
class DownloadRun;
class ListSaver;
class ProfileSession;
class RunPanels;
class HttpDownloadClient;
class ParallelClients;
class TNMHTTP;
struct Settings;

/// The main window: the series inputs, the job grid, the status bar and the
/// commands. It is a thin shell that wires controls to the logic: the series
/// rules live in app/series.h, the jobs in `JobGrid`, the run in
/// `DownloadRun`, the files in settings/. Every control is a public member
/// that carries its name as its Qt object name, so tests and screenshots can
/// find it.
class TForm1 : public QMainWindow {
    Q_OBJECT

public:
    enum class MessageKind { Info, Error };
    /// Where message boxes go. The default shows a modal box; tests put a
    /// recorder here so nothing blocks.
    using MessageSink = std::function<void(MessageKind, const QString&)>;
    /// Asks the user for a folder, starting in `start`; returns the chosen
    /// folder, or the empty text when the user cancels. The default is the
    /// desktop's folder picker; tests put an answer here so nothing blocks.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& start)>;
    /// Asks the user a yes/no question; true for yes.
    using QuestionAsker = std::function<bool(const QString& question)>;

    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Controls, owned by the window through Qt parenthood.
    QComboBox* ComboBox1 = nullptr;      ///< base URL; its items are the URL history
    QPushButton* Button2 = nullptr;      ///< "edit"
    QLineEdit* Edit1 = nullptr;          ///< file-name head
    QSpinBox* SpinEdit1 = nullptr;       ///< digit count
    QLineEdit* Edit2 = nullptr;          ///< start number
    QLabel* Label4 = nullptr;            ///< "～"
    QLineEdit* Edit5 = nullptr;          ///< end number
    QLineEdit* Edit3 = nullptr;          ///< file-name tail
    QLabel* Label10 = nullptr;           ///< file-name preview
    QLineEdit* Edit4 = nullptr;          ///< save folder, ends in "/"
    QPushButton* Button1 = nullptr;      ///< "参照"
    QCheckBox* CheckBox1 = nullptr;      ///< skip existing files
    QCheckBox* CheckBox2 = nullptr;      ///< small-result check on
    QSpinBox* SpinEdit2 = nullptr;       ///< small-result limit in KB
    QToolButton* SpeedButton1 = nullptr; ///< "List Up"
    QToolButton* GoButton = nullptr;     ///< "Go!"
    QToolButton* CancelBtn = nullptr;    ///< "Stop!"
    QToolButton* SpeedButton2 = nullptr; ///< "Save"
    QToolButton* SpeedButton3 = nullptr; ///< "Delete"
    QToolButton* SpeedButton4 = nullptr; ///< "Clear"
    QPlainTextEdit* Memo1 = nullptr;
    QTableView* StringGrid1 = nullptr; ///< the view over Grid()
    QSplitter* Splitter1 = nullptr;    ///< the grid above, Memo1 below
    /// The run at a glance beside the four panels: "job n of N", files done
    /// and failed, speed, time left (RunOverview::Text).
    QLabel* OverallPanel = nullptr;
    QProgressBar* FileProgress = nullptr; ///< the current file; hidden between runs
    QMenu* File1 = nullptr;
    QAction* Option1 = nullptr; ///< "Proxy"
    QAction* Exit1 = nullptr;   ///< "E&xit": closes the window
    QMenu* Help1 = nullptr;
    QAction* About1 = nullptr;
    // The grid's context menu and the list commands of the keyboard.
    QMenu* GridMenu = nullptr;
    QAction* RetryJobs = nullptr;   ///< clears the marks of the selected jobs
    QAction* RetryFailed = nullptr; ///< clears every "▼" and "×"
    QAction* OpenJobFile = nullptr;
    QAction* OpenJobFolder = nullptr;
    QAction* CopyJobUrl = nullptr;
    QAction* DeleteJobs = nullptr; ///< Del in the grid: SpeedButton3Click
    QAction* UndoEdit = nullptr;   ///< Ctrl+Z: undoes the last Delete or Clear
    QAction* ListUpKey = nullptr;  ///< Ctrl+L: SpeedButton1Click
    QAction* SaveKey = nullptr;    ///< Ctrl+S: SpeedButton2Click
    /// Warning marks shown in the URL box and the folder input while their
    /// text does not end in "/"; the tooltip names the glued result.
    QAction* UrlSlashWarning = nullptr;
    QAction* DirSlashWarning = nullptr;

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

    /// Text of status-bar panel 0..3 (run state, transfer, selection, count).
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);
    /// Panel 3 := "全：" followed by NextRow() - 1.
    void ShowJobCount();

    /// The selected grid rows, top to bottom (the current row when nothing
    /// is selected; row 1 when there is no current row either).
    std::pair<int, int> SelectedGridRows() const;
    /// Selects grid rows top..bottom, all columns, and scrolls to bottom.
    void SelectGridRows(int top, int bottom);

    void SetMessageSink(MessageSink sink);
    void SetFolderPicker(FolderPicker picker);
    void SetQuestionAsker(QuestionAsker asker);
    /// Shows a message box through the sink.
    void ShowMessage(const QString& text, MessageKind kind = MessageKind::Info);

    /// Appends the combo box's text to its item list unless an item equals
    /// it exactly (an empty text included).
    void AddUrlToHistory();

    // Handlers.
    /// Normalises the start and end, then refreshes the preview in Label10.
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

    /// The creation handler: reads the profile folder's settings file into the
    /// controls and the client, then the job list file into the grid, then
    /// refreshes the preview. Whatever went wrong is shown in one message; the
    /// job list is loaded in every case. Once this has run, closing the window
    /// stores both files (a window built without it leaves the profile alone).
    /// `profile` is the folder as the program's start took it (prepared and
    /// locked); without one the window opens the folder itself, unlocked.
    void FormCreate(std::unique_ptr<ProfileSession> profile);
    void FormCreate();
    /// `SaveData`: writes the grid to the job list file. Returns the empty text
    /// on success, else a text for the user (the old file is then left whole).
    /// While the file holds jobs that were not loaded (after a row emptied by
    /// hand), asks first whether to write over them; a "no" saves nothing.
    /// During a run the list is saved at most once a second, and at its end.
    [[nodiscard]] QString SaveData();
    /// "Save": SaveData, telling the user when it failed.
    void SpeedButton2Click();
    /// "Delete": deletes the selected job rows.
    void SpeedButton3Click();
    /// "Clear": deletes every job.
    void SpeedButton4Click();
    /// Panel 2 := "選択：" + top, or + top + " ～ " + bottom for a range.
    void StringGrid1Click();
    /// Opens the Path of the selection's top job with its application.
    void StringGrid1DblClick();
    /// "参照": picks the save folder; Edit4 then ends in "/".
    void Button1Click();
    /// "edit": adds the combo box's text to the history, then opens the
    /// history editor.
    void Button2Click();
    /// "Proxy": the proxy dialog over the client's Proxy and ProxyPort.
    void Option1Click();
    /// The about box.
    void About1Click();

    /// When `text` is a whole file URL, asks whether to split it into the
    /// series inputs, and does so on "yes".
    void OfferFileUrlSplit(const QString& text);
    /// The Status cell's tooltip of a job that ended in this session: its
    /// reason, if any, and when it ended; empty for any other row.
    QString StatusToolTip(int gridRow) const;
    /// Undoes the last Delete or Clear, once; nothing during a run.
    void UndoListEdit();

    /// The layout the `[Window]` keys keep: geometry, splitter, column widths.
    WindowSettings CurrentWindowSettings() const;
    /// Puts a remembered layout back; the parts not remembered stay as built.
    void ApplyWindowSettings(const WindowSettings& w);
    /// The grid follows the running job unless the user scrolled it within
    /// this many milliseconds.
    static constexpr int kUserScrollHoldMs = 5000;

signals:
    /// Emitted when the window is about to close, before it goes away.
    void closing();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenu();
    void BuildStatusBar();
    void NormaliseNumberInput(QLineEdit* edit);
    /// The number in `edit`, or nothing after telling the user `failure`.
    std::optional<qint32> ReadSeriesNumber(QLineEdit* edit, SeriesError failure);
    void ListUp();
    void WireDownloadRun();
    /// Keeps the file saved behind the run and logs each failure in Memo1.
    void RunJobMarked(JobGrid::JobId id, int row, const QString& mark, const QString& reason);
    /// Before a new run: a line in the log pane that sets the earlier lines apart.
    void MarkLogAsPrevious();
    /// Asks once whether the jobs with paths that go up or into hidden files
    /// may be fetched, naming them; false when there are none or the user
    /// said no.
    bool AgreeToHiddenPaths();
    void WireCommands();
    void BuildInputAids();
    void UrlTextEdited(const QString& text);
    void UpdateSlashWarnings();
    void BuildListCommands();
    void ShowGridMenu(const QPoint& pos);
    /// Before Go!: creates the missing folders of the jobs to fetch once the
    /// user agrees; false when the run must not start.
    bool PrepareFolders();
    bool ShowStatusToolTip(QEvent* event);
    void SelectLoggedJob(const QPoint& pos);
    void ApplySettings(const Settings& s);
    Settings CurrentSettings() const;
    QStringList History() const;
    void SetHistory(const QStringList& items);
    QStringList FormClose();
    /// The URL column takes the room the others leave; Status fits its
    /// caption and its marks.
    void FitGridColumns();
    /// The running job's row, the overall line and the file's bar.
    void WireRunOverview();
    void RunJobStarted(JobGrid::JobId id);
    void RunProgress(JobGrid::JobId id, qint64 received, qint64 expected);
    void ShowOverview();

    JobGrid m_grid;
    std::array<QLabel*, 4> m_panels{};
    MessageSink m_messageSink;
    FolderPicker m_folderPicker;
    QuestionAsker m_questionAsker;
    // Set by FormCreate: only a window that read the profile writes it back,
    // and never over a file it could not read (the session knows which).
    std::unique_ptr<ProfileSession> m_profile;
    bool m_profileLoaded = false;
    qint32 m_startNumber = 0;
    qint32 m_endNumber = 0;
    bool m_inPreview = false;
    bool m_closeWhenRequestEnds = false;
    // The request keys of the settings, kept for the next store.
    RequestSettings m_request;
    // Declared after the grid: the run goes first, then its client.
    std::unique_ptr<TNMHTTP> m_http;
    std::unique_ptr<HttpDownloadClient> m_client;
    std::unique_ptr<ParallelClients> m_moreClients; ///< beside m_client, for Parallel > 1
    std::unique_ptr<DownloadRun> m_run;
    std::unique_ptr<RunPanels> m_runPanels;
    std::unique_ptr<ListSaver> m_saver;
    ListUndo m_undo;
    // The URL box's last two texts, to tell a paste from typing.
    QString m_urlBefore;
    QString m_urlNow;
    // When each job of this session ended, and which job a log line names.
    QHash<JobGrid::JobId, QDateTime> m_endedAt;
    QHash<int, JobGrid::JobId> m_logJobs;
    // The run at a glance, on one steady clock.
    RunOverview m_overview;
    bool m_overviewRunning = false;
    QElapsedTimer m_clock;
    qint64 m_userScrolledAt = -1;
    qint64 m_overviewShownAt = -1;
    QTimer m_overviewTick; ///< keeps the speed true while nothing arrives
};
