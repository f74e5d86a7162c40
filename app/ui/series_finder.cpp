#include "app/ui/series_finder.h"

#include <QProgressDialog>
#include <QUrl>
#include <QWidget>

SeriesFinder::SeriesFinder(QWidget& window, QObject* parent)
    : QObject(parent)
    , m_window(window) {
    connect(&m_prober, &SeriesProber::asked, this, &SeriesFinder::ShowAsked);
    connect(&m_prober, &SeriesProber::finished, this,
            [this](SeriesProber::End end, const ProbedSeries& series) {
                if (m_progress) {
                    m_progress->hide();
                    m_progress->deleteLater();
                }
                emit finished(end, series);
            });
}

SeriesFinder::~SeriesFinder() {
    delete m_progress;
}

void SeriesFinder::Find(const FileUrlParts& pasted, const ClientConfig& config, int misses,
                        int intervalMs) {
    if (m_prober.Running())
        return;
    m_host = QUrl(pasted.baseUrl).host();
    m_progress = new QProgressDialog(&m_window);
    m_progress->setObjectName(QStringLiteral("SeriesFinderProgress"));
    m_progress->setWindowTitle(QStringLiteral("Serifetch"));
    m_progress->setLabelText(tr("Asking %1 where the series starts and ends…").arg(m_host));
    // Busy: how many requests a series takes is known only at its end.
    m_progress->setRange(0, 0);
    m_progress->setMinimumDuration(0);
    m_progress->setAutoClose(false);
    m_progress->setAutoReset(false);
    connect(m_progress, &QProgressDialog::canceled, &m_prober, &SeriesProber::Cancel);
    // Over the window only: the inputs it will fill stay as they are meanwhile.
    m_progress->open();
    m_prober.Start(pasted, config, misses, intervalMs);
}

void SeriesFinder::ShowAsked(const QString& method, const QString& url, const QString& said) {
    if (!m_progress)
        return;
    m_progress->setLabelText(tr("Asking %1 where the series starts and ends…\n%2 requests; the "
                                "last: %3 %4  %5")
                                 .arg(m_host)
                                 .arg(m_prober.Requests())
                                 .arg(method, url.section(QLatin1Char('/'), -1), said));
}
