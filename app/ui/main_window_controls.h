#pragma once

#include "app/job_grid.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QRgb>
#include <array>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QSplitter;
class QTableView;
class QToolButton;

/// The main window's controls, built in code and owned by the window through
/// Qt parenthood. Every control carries its name as its Qt object name, so
/// tests and screenshots can find it. The window derives from this, as a
/// form does from its generated UI class, so the controls keep their names
/// as members of the window.
struct MainWindowControls {
    Q_DECLARE_TR_FUNCTIONS(MainWindowControls)

public:
    /// The background of a failed job's row ("▼", "×") in the grid.
    static constexpr QRgb kFailedRowTint = 0xffffdede;

    /// Builds every control, the menu, the status bar and the grid's
    /// commands into `window`, the grid over `grid`. Nothing is wired yet.
    void Build(QMainWindow& window, JobGrid& grid);

    /// The URL column takes the room the others leave; Status fits its
    /// caption and its marks.
    void FitGridColumns();
    /// The layout the `[Window]` keys keep: geometry, splitter, column widths.
    WindowSettings CurrentLayout(const QMainWindow& window) const;
    /// Puts a remembered layout back; the parts not remembered stay as built.
    void ApplyLayout(QMainWindow& window, const WindowSettings& w);
    /// Text of status-bar panel 0..3 (run state, transfer, selection, count);
    /// a panel out of range reads empty and takes nothing.
    QString PanelText(int panel) const;
    void SetPanelText(int panel, const QString& text);

    // Controls, owned by the window through Qt parenthood.
    QComboBox* ComboBox1 = nullptr;      ///< base URL; its items are the URL history
    QPushButton* Button2 = nullptr;      ///< "edit"
    QLineEdit* Edit1 = nullptr;          ///< file-name head
    QSpinBox* SpinEdit1 = nullptr;       ///< digit count
    QLineEdit* Edit2 = nullptr;          ///< start number
    QLabel* Label4 = nullptr;            ///< "～"
    QLineEdit* Edit5 = nullptr;          ///< end number
    QCheckBox* OpenEndBox = nullptr;     ///< "open end": the run finds where the series ends
    QLineEdit* Edit3 = nullptr;          ///< file-name tail
    QLabel* Label10 = nullptr;           ///< file-name preview
    QLabel* NameCaption = nullptr;       ///< "Name", shown with NameEdit
    QLineEdit* NameEdit = nullptr;       ///< the file-name template of a URL with a pattern
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
    /// Asks the server whether the "○" and "▲" jobs' files changed.
    QAction* CheckNewer = nullptr;
    QAction* OpenJobFile = nullptr;
    QAction* OpenJobFolder = nullptr;
    QAction* CopyJobUrl = nullptr;
    QAction* DeleteJobs = nullptr; ///< Del in the grid: SpeedButton3Click
    QAction* UndoEdit = nullptr;   ///< Ctrl+Z: undoes the last Delete or Clear
    QAction* ListUpKey = nullptr;  ///< Ctrl+L: SpeedButton1Click
    QAction* SaveKey = nullptr;    ///< Ctrl+S: SpeedButton2Click
    /// Warning mark shown in the URL box while its text does not end in "/";
    /// the tooltip names the glued result.
    QAction* UrlSlashWarning = nullptr;

    /// Status-bar panels 0..3: run state, transfer, selection, count.
    std::array<QLabel*, 4> StatusPanels{};

private:
    void BuildControls(QMainWindow& window, JobGrid& grid);
    void BuildMenu(QMainWindow& window);
    void BuildStatusBar(QMainWindow& window);
    void BuildListCommands(QMainWindow& window);
};
