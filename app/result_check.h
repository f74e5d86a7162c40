#pragma once

#include "settings/job_list.h"

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
    /// The gap between two looks of a cycle: a tenth of the pause, rounded
    /// up, so that its ten looks never take less than one pause.
    static int LookGapMs(int pauseMs) { return (pauseMs + kTries - 1) / kTries; }

    /// How far the cycle of one lane (one file at once) has come.
    struct Cycle {
        int retryCount = 0;       ///< looks that found the job's file no result
        bool retryActive = false; ///< a cycle is open
        bool skipPending = false; ///< the job looked at next was skipped ("▲")
    };
    /// What one look at a job's file makes of it.
    struct Step {
        enum class Next {
            Fine,      ///< a result, or not a job to judge by its file: the lane goes on
            LookAgain, ///< no result yet: looked at again after a gap
            GiveUp,    ///< no result after the cycle: "×" with `reason`
        } next = Next::Fine;
        QString small;       ///< the first look of a cycle: "▽" with this reason
        bool remove = false; ///< the file there is no result and goes
        QString reason;      ///< of GiveUp
    };
    /// Looks at job `id`, whose mark is `mark` and reason `reason`, for the
    /// lane whose cycle is `cycle`. Only a job that claims a file ("○",
    /// "▲", or "▽" in its cycle) is judged by it; a failed job keeps its
    /// mark and its own reason.
    Step Check(Cycle& cycle, JobId id, const QString& path, JobList::Mark mark,
               const QString& reason);

private:
    bool on_ = true;
    int limitKB_ = 0;
    QHash<JobId, qint64> knownSize_;
};
