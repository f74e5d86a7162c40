#pragma once

#include "app/client_config.h"
#include "app/download_outcome.h"
#include "app/job_grid.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <vector>

class HttpDownloadClient;
class TNMHTTP;

/// Asks the server, for each finished job of a list ("○", "▲"), whether its
/// file changed since it was saved: a conditional GET per job, one after
/// another. A 304 leaves the file as it is; a 200 replaces it once whole;
/// a failure leaves the file and the mark as they were. For either front
/// end: Start returns at once, each job is told by `checked`, the end by
/// exactly one `finished`, both from the event loop.
class ListRefresh : public QObject {
    Q_OBJECT

public:
    enum class Result { Unchanged, Changed, Failed };

    struct Summary {
        int checked = 0;
        int changed = 0;
        int unchanged = 0;
        int failed = 0;
        bool cancelled = false;
        /// "20 checked: 1 changed, 19 unchanged, 0 failed".
        QString Text() const;
    };

    explicit ListRefresh(JobGrid& grid, QObject* parent = nullptr);
    ~ListRefresh() override;

    /// Starts checking the "○" and "▲" jobs the grid holds now, with a client
    /// set up by `config` and a pause of `intervalMs` between requests.
    /// Jobs deleted meanwhile are passed over. Ignored while one runs.
    void Start(const ClientConfig& config, int intervalMs = 0);
    /// A newer version gets the reply's Last-Modified as its time, as a run
    /// gives it with `[Server]` `RemoteTime`.
    void SetRemoteTime(bool on) { remoteTime_ = on; }
    /// Ends the check after the request under way, which is aborted:
    /// `finished` says cancelled. Harmless when idle and when repeated.
    void Cancel();
    bool Running() const { return running_; }

    /// The request lines that ask for a file only when it changed: the
    /// validators the last reply gave, else the file's own time; none for
    /// a job whose file is gone (`fileTime` empty), which is fetched anew.
    static QList<QByteArray> ConditionLines(const JobList::Validators& validators,
                                            const std::optional<QDateTime>& fileTime);
    /// What the reply to a conditional request says of the file.
    static Result Judge(const DownloadOutcome& outcome);

signals:
    /// The job of `id` was asked about; `detail` is the reason of a failure.
    void checked(JobGrid::JobId id, ListRefresh::Result result, const QString& detail);
    void finished(const ListRefresh::Summary& summary);

private:
    void Next();
    void Answered(const DownloadOutcome& outcome);
    /// Puts the newer version over the job's file at `path`, unless the
    /// content check rejects it; why not, or the empty text.
    QString TakeNewer(const QString& path, const QString& lastModified);
    void Tell(Result result, const QString& detail);
    void Finish();

    JobGrid& grid_;
    std::unique_ptr<TNMHTTP> http_;
    std::unique_ptr<HttpDownloadClient> client_;
    QList<QByteArray> extraHeaders_;
    std::vector<JobGrid::JobId> jobs_;
    size_t next_ = 0;
    JobGrid::JobId asking_ = 0;
    QString newer_; ///< where the job asked saves a newer version
    bool remoteTime_ = false;
    QTimer pause_;
    int intervalMs_ = 0;
    Summary summary_;
    bool running_ = false;
    bool cancelled_ = false;
};
