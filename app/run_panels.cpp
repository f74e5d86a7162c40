#include "app/run_panels.h"

RunPanels::RunPanels(const DownloadRun& run, const JobGrid& grid, QObject* parent)
    : QObject(parent)
    , m_grid(grid) {
    connect(&run, &DownloadRun::jobStarted, this, [this](JobGrid::JobId id) {
        emit panelTextChanged(0, QStringLiteral("ダウンロード中：") + NameOf(id));
        emit panelTextChanged(1, QStringLiteral("リクエスト中"));
    });
    connect(&run, &DownloadRun::connected, this,
            [this] { emit panelTextChanged(1, QStringLiteral("転送開始")); });
    connect(&run, &DownloadRun::statusChanged, this,
            [this](const QString& text) { emit panelTextChanged(0, text); });
    connect(&run, &DownloadRun::progress, this,
            [this](JobGrid::JobId, qint64 received, qint64 expected) {
                emit panelTextChanged(1, ProgressText(received, expected));
            });
    connect(&run, &DownloadRun::waitingForHost, this,
            [this](JobGrid::JobId, qint64 seconds, bool retryAfter) {
                emit panelTextChanged(0, HostWaitText(seconds, retryAfter));
            });
    connect(&run, &DownloadRun::requestError, this,
            [this](JobGrid::JobId, const QString& text) { emit panelTextChanged(0, text); });
    connect(&run, &DownloadRun::stopping, this, [this](JobGrid::JobId id) {
        emit panelTextChanged(0, QStringLiteral("中断処理中：") + NameOf(id));
    });
    connect(&run, &DownloadRun::runFinished, this, [this](DownloadRun::End end) {
        // A completed run stands past its last job, on a row without a file.
        emit panelTextChanged(0, end == DownloadRun::End::Cancelled ? QStringLiteral("中断しました")
                                                                    : QStringLiteral("完了："));
    });
}

QString RunPanels::NameOf(JobGrid::JobId id) const {
    return DownloadRun::FileNamePart(m_grid.Path(m_grid.RowOf(id)));
}

QString RunPanels::HostWaitText(qint64 seconds, bool retryAfter) {
    return QStringLiteral("waiting for host (%1 %2 s)")
        .arg(retryAfter ? QStringLiteral("Retry-After") : QStringLiteral("back-off"))
        .arg(seconds);
}

QString RunPanels::ProgressText(qint64 received, qint64 expected) {
    QString text = QStringLiteral("Bytes：") + QString::number(received);
    if (expected <= 0)
        return text;
    // received × 100 overflows 64 bits for counts above 92 PB; 128 bits
    // never do.
    __extension__ using Wide = unsigned __int128;
    Wide percent = Wide(quint64(qMax<qint64>(received, 0))) * 100u / Wide(quint64(expected));
    QString digits;
    do {
        digits.prepend(QChar('0' + int(percent % 10u)));
        percent /= 10u;
    } while (percent != 0u);
    return text + QStringLiteral(" / ") + QString::number(expected) + QStringLiteral(" (") +
           digits + QStringLiteral("%)");
}
