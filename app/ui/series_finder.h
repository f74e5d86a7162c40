#pragma once

#include "app/series_prober.h"

#include <QObject>
#include <QPointer>

class QProgressDialog;
class QWidget;

/// "Find the series" in the window: a SeriesProber at work, with a progress
/// text and a Cancel button over the window while it asks. The window stays
/// responsive: nothing waits in a loop of its own.
class SeriesFinder : public QObject {
    Q_OBJECT

public:
    /// The progress shows over `window`, which must outlive it.
    explicit SeriesFinder(QWidget& window, QObject* parent = nullptr);
    ~SeriesFinder() override;

    /// Starts asking (see SeriesProber::Start); ignored while a probe runs.
    void Find(const FileUrlParts& pasted, const ClientConfig& config, int misses, int intervalMs);
    /// Ends the probe (the progress's Cancel does so too).
    void Cancel() { m_prober.Cancel(); }
    bool Running() const { return m_prober.Running(); }

signals:
    /// The probe is over and its progress gone.
    void finished(SeriesProber::End end, const ProbedSeries& series);

private:
    void ShowAsked(const QString& method, const QString& url, const QString& said);

    QWidget& m_window;
    SeriesProber m_prober;
    QPointer<QProgressDialog> m_progress;
    QString m_host;
};
