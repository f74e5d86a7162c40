#pragma once

#include "app/client_config.h"
#include "app/list_edits.h"
#include "app/list_refresh.h"

#include <QObject>
#include <QString>
#include <functional>
#include <utility>

class DownloadRun;
class JobGrid;
class QEvent;
class QPoint;
class RunPresenter;
struct MainWindowControls;

/// The job list's commands in the window: List Up's append, Delete, Clear
/// and their Undo, the grid's context menu (Retry, open, copy), what a run
/// needs of the paths (folders, consent to hidden ones), the Status cell's
/// tooltip and a double-clicked log line selecting its job.
class ListCommands : public QObject {
    Q_OBJECT

public:
    /// Tells the user of a failure.
    using Tell = std::function<void(const QString& text)>;
    /// Asks the user a yes/no question; true for yes.
    using Ask = std::function<bool(const QString& question)>;

    /// Wires the list's actions of `controls`; the controls, the grid, the
    /// run and the presenter must outlive it.
    ListCommands(MainWindowControls& controls, JobGrid& grid, const DownloadRun& run,
                 RunPresenter& presenter, Tell tell, Ask ask);
    ~ListCommands() override;

    /// List Up's end: appends `jobs` and selects the last row; Undo no
    /// longer brings back what went before. Returns the warning about paths
    /// that other jobs take already, empty when there are none.
    [[nodiscard]] QString Append(JobList jobs);
    /// Deletes the selected job rows; Undo brings them back.
    void Delete();
    /// Deletes every job, asking first while some are not yet done.
    void Clear();
    /// Undoes the last Delete or Clear, once; nothing during a run. The view
    /// comes back as it stood before them, with the rows selected again.
    void Undo();
    /// The client and the pause between requests of "Check for newer versions".
    struct RefreshSetup {
        ClientConfig client;
        int intervalMs = 0;
        bool remoteTime = false;
    };
    void SetRefreshSetup(std::function<RefreshSetup()> setup) { m_refreshSetup = std::move(setup); }
    /// "Check for newer versions": asks the server about each "○" and "▲"
    /// job's file and fetches those that changed; nothing during a run.
    void CheckNewer();
    /// A check of the list is under way: no run may start meanwhile.
    bool Checking() const { return m_refresh.Running(); }
    void StopChecking() { m_refresh.Cancel(); }

    /// Forgets what Undo would bring back (a run starts).
    void DropUndo() { m_undo.Drop(); }
    /// Opens the Path of the selection's top job with its application.
    void OpenFile();
    /// Before Go!: creates the missing folders of the jobs to fetch once the
    /// user agrees; false when the run must not start.
    bool PrepareFolders();
    /// Before Go!: asks once whether the jobs with paths that go up or into
    /// hidden files may be fetched, naming them; false when there are none
    /// or the user said no.
    bool AgreeToHiddenPaths();

signals:
    /// Rows went or came back: the count and the selection shown are stale.
    void rowsChanged();
    /// A check of the list ended: marks and validators are to be saved.
    void checkEnded();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Where the grid's view stood: the selected rows (grid rows), the
    /// current cell's column and the scroll position.
    struct GridView {
        std::pair<int, int> rows{1, 1};
        int currentColumn = 0;
        int scroll = 0;
    };
    /// Keeps the list for Undo, and the view as it stands.
    void KeepForUndo();
    /// What cut transfers left for the jobs of these rows, which are going.
    void ForgetParts(int top, int bottom);
    void RestoreView(const GridView& before);
    void ShowMenu(const QPoint& pos);
    void RetrySelected();
    void RetryFailed();
    void OpenFolder();
    void CopyUrls();
    bool ShowStatusToolTip(QEvent* event);
    void SelectLoggedJob(const QPoint& pos);
    void ShowChecked(JobGrid::JobId id, ListRefresh::Result result, const QString& detail);
    void CheckOver(const ListRefresh::Summary& summary);

    MainWindowControls& m_c;
    JobGrid& m_grid;
    const DownloadRun& m_run;
    RunPresenter& m_presenter;
    Tell m_tell;
    Ask m_ask;
    ListUndo m_undo;
    GridView m_undoView;
    ListRefresh m_refresh;
    std::function<RefreshSetup()> m_refreshSetup;
    int m_checked = 0;
};
