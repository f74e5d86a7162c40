#include "app/run_panels.h"

RunPanels::RunPanels(const JobGrid& grid, QObject* parent)
    : QObject(parent)
    , m_grid(grid) {}

RunPanels::RunPanels(const DownloadRun& run, const JobGrid& grid, QObject* parent)
    : RunPanels(grid, parent) {
    connect(&run, &DownloadRun::jobStarted, this, &RunPanels::JobStarted);
    connect(&run, &DownloadRun::connected, this, &RunPanels::Connected);
    connect(&run, &DownloadRun::statusChanged, this, &RunPanels::StatusChanged);
    connect(
        &run, &DownloadRun::progress, this,
        [this](JobGrid::JobId, qint64 received, qint64 expected) { Progress(received, expected); });
    connect(&run, &DownloadRun::waitingForHost, this,
            [this](JobGrid::JobId, qint64 seconds, bool retryAfter) {
                WaitingForHost(seconds, retryAfter);
            });
    connect(&run, &DownloadRun::requestError, this,
            [this](JobGrid::JobId, const QString& text) { RequestError(text); });
    connect(&run, &DownloadRun::stopping, this, &RunPanels::Stopping);
    connect(&run, &DownloadRun::runFinished, this, &RunPanels::RunFinished);
}

void RunPanels::JobStarted(JobGrid::JobId id) {
    emit panelTextChanged(0, tr("ダウンロード中：%1").arg(NameOf(id)));
    emit panelTextChanged(1, tr("リクエスト中"));
}

void RunPanels::Connected() {
    emit panelTextChanged(1, tr("転送開始"));
}

void RunPanels::StatusChanged(const QString& text) {
    emit panelTextChanged(0, text);
}

void RunPanels::Progress(qint64 received, qint64 expected) {
    emit panelTextChanged(1, ProgressText(received, expected));
}

void RunPanels::WaitingForHost(qint64 seconds, bool retryAfter) {
    emit panelTextChanged(0, HostWaitText(seconds, retryAfter));
}

void RunPanels::RequestError(const QString& text) {
    emit panelTextChanged(0, text);
}

void RunPanels::Stopping(JobGrid::JobId id) {
    emit panelTextChanged(0, tr("中断処理中：%1").arg(NameOf(id)));
}

void RunPanels::RunFinished(DownloadRun::End end) {
    // A completed run stands past its last job, on a row without a file.
    emit panelTextChanged(0,
                          end == DownloadRun::End::Cancelled ? tr("中断しました") : tr("完了："));
}

QString RunPanels::NameOf(JobGrid::JobId id) const {
    return DownloadRun::FileNamePart(m_grid.Path(m_grid.RowOf(id)));
}

QString RunPanels::HostWaitText(qint64 seconds, bool retryAfter) {
    return retryAfter ? tr("waiting for host (Retry-After %1 s)").arg(seconds)
                      : tr("waiting for host (back-off %1 s)").arg(seconds);
}

QString RunPanels::ProgressText(qint64 received, qint64 expected) {
    if (expected <= 0)
        return tr("Bytes：%1").arg(received);
    // received × 100 overflows 64 bits for counts above 92 PB; 128 bits
    // never do.
    __extension__ using Wide = unsigned __int128;
    Wide percent = Wide(quint64(qMax<qint64>(received, 0))) * 100u / Wide(quint64(expected));
    QString digits;
    do {
        digits.prepend(QChar('0' + int(percent % 10u)));
        percent /= 10u;
    } while (percent != 0u);
    return tr("Bytes：%1 / %2 (%3%)").arg(received).arg(expected).arg(digits);
}
