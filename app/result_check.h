#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>

/// The small-result check: whether the file a job claims is a result. A
/// missing or empty file is none, nor one of at most the limit, nor a web
/// page saved under a picture's name. The size a transfer saved, or the
/// skip check found, is trusted once instead of looking again.
class ResultCheck {
public:
    using JobId = quint64;
    /// A retry cycle gives a job up once it has been found too small this
    /// often.
    static constexpr int kTries = 10;

    void SetOn(bool on) { on_ = on; }
    bool On() const { return on_; }
    /// Files of at most this many KB (1024 bytes) count as too small; with
    /// 0 only a missing or empty file does.
    void SetLimitKB(int kb) { limitKB_ = kb; }

    /// One look at a path, for the skip check, the client and this check.
    struct Look {
        bool file = false;    ///< a file (or a link to one) is there
        bool nothing = false; ///< nothing is there (or a link to nothing)
        qint64 size = 0;      ///< of the file
    };
    static Look LookAt(const QString& path);

    /// The size at a job's path is known (-1: not known, look again).
    void Know(JobId id, qint64 size);
    void ForgetAll() { knownSize_.clear(); }

    struct Verdict {
        bool small = false;  ///< missing, too small or of the wrong kind
        bool exists = false; ///< there is a file to remove
        QString reason;      ///< why it is no result (when small)
    };
    /// The check of job `id` at `path`; `tookAsResult` when the job claims
    /// the file as its own result (only such a file is judged by its kind),
    /// `failure` the job's own reason, which a failed job keeps.
    Verdict Examine(JobId id, const QString& path, bool tookAsResult, const QString& failure);

    /// The reason of a job given up after its cycle, whose first look
    /// found `first`.
    static QString GivenUpReason(const QString& first);

private:
    bool on_ = true;
    int limitKB_ = 0;
    QHash<JobId, qint64> knownSize_;
};
