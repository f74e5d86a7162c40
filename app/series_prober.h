#pragma once

#include "app/client_config.h"
#include "app/file_url_split.h"
#include "app/series_probe.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>

class QTemporaryDir;
class TNMHTTP;

/// Puts a SeriesProbe's questions to the server, one at a time, for either
/// front end: a HEAD request for each, or where the server refuses HEAD
/// (405, 501), a GET of the first byte. A 404, a 410 and a web page for a
/// name that promises no page are a missing file. Asynchronous: Start
/// returns at once, each request is told by `asked`, the end by exactly one
/// `finished`, both from the event loop.
class SeriesProber : public QObject {
    Q_OBJECT

public:
    enum class End {
        Found,     ///< the series is in `finished`'s value
        Failed,    ///< its `error` says why
        Cancelled, ///< Cancel() ended it
    };

    explicit SeriesProber(QObject* parent = nullptr);
    ~SeriesProber() override;

    /// Starts finding the series `pasted` belongs to, with a client set up
    /// by `config` (its proxy for each URL asked when it names one, and the
    /// base URL as the Referer when it asks for that),
    /// `misses` missing numbers in a row ending the series, and a pause of
    /// `intervalMs` between requests. Ignored while a probe runs.
    void Start(const FileUrlParts& pasted, const ClientConfig& config,
               int misses = SeriesProbe::kDefaultMisses, int intervalMs = 200);
    /// Ends the probe under way as soon as possible, with End::Cancelled.
    /// Harmless when idle and when repeated.
    void Cancel();
    bool Running() const { return running_; }
    /// Requests made by the probe under way or the last one.
    int Requests() const { return requests_; }

signals:
    /// A request was answered: its method ("HEAD", "GET"), its URL, and the
    /// status line or the error that ended it.
    void asked(const QString& method, const QString& url, const QString& said);
    /// The probe is over.
    void finished(SeriesProber::End end, const ProbedSeries& series);

private:
    void AskNext();
    void Send();
    /// The request for `question_` ended: `threw` with `error` when no reply
    /// came.
    void Answered(bool threw, const QString& error);
    void Finish(End end);

    std::unique_ptr<SeriesProbe> probe_;
    std::unique_ptr<TNMHTTP> http_;
    std::unique_ptr<QTemporaryDir> scratch_;
    ClientConfig config_;
    QString tail_;
    std::optional<SeriesProbe::Question> question_;
    QTimer pause_;
    int intervalMs_ = 0;
    int requests_ = 0;
    /// Tells a queued step of an old probe from one of the probe under way.
    int generation_ = 0;
    bool running_ = false;
    bool cancelled_ = false;
    bool headRefused_ = false;
};
