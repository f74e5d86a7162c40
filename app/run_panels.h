#pragma once

#include "app/download_run.h"
#include "app/job_grid.h"

#include <QObject>
#include <QString>

/// The status bar's two run panels as the window shows them, made from the
/// run's events: panel 0 the run's state ("ダウンロード中：name", the
/// client's status, an error, "waiting for host (...)", "中断処理中：name",
/// "中断しました", "完了："),
/// panel 1 the transfer ("リクエスト中", "転送開始", the byte count).
class RunPanels : public QObject {
    Q_OBJECT

public:
    /// Follows `run`, naming its jobs from `grid`.
    RunPanels(const DownloadRun& run, const JobGrid& grid, QObject* parent = nullptr);
    /// Follows nothing: the owner hands in the run's events.
    explicit RunPanels(const JobGrid& grid, QObject* parent = nullptr);

    /// Panel 1's progress text: "Bytes：R / T (P%)", or "Bytes：R" when the
    /// expected total is 0 (unknown). Right for any 64-bit counts.
    static QString ProgressText(qint64 received, qint64 expected);

    /// Panel 0 while the run leaves a server alone: "waiting for host
    /// (Retry-After 30 s)", or "(back-off 2 s)" when the server named no time.
    static QString HostWaitText(qint64 seconds, bool retryAfter);

    // The run's events, as its signals of the same names carry them.
    void JobStarted(JobGrid::JobId id);
    void Connected();
    void StatusChanged(const QString& text);
    void Progress(qint64 received, qint64 expected);
    void WaitingForHost(qint64 seconds, bool retryAfter);
    void RequestError(const QString& text);
    void Stopping(JobGrid::JobId id);
    void RunFinished(DownloadRun::End end);

signals:
    /// Panel `panel` (0 run state, 1 transfer) is to show `text`.
    void panelTextChanged(int panel, const QString& text);

private:
    /// The file name of job `id`; empty when it is gone (or 0).
    QString NameOf(JobGrid::JobId id) const;

    const JobGrid& m_grid;
};
