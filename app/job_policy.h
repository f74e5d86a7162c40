#pragma once

#include "net/sock_error.h"
#include "settings/job_list.h"

#include <QString>

struct DownloadOutcome;

/// What a failed request means for its job: whether it is worth trying
/// again, what mark it ends with and the words of its reason. Pure
/// functions, so that every rule can be checked without a server or a
/// clock; both front ends' runs decide through them.
namespace JobPolicy {

/// The kind of failure that ended a request.
enum class Failure {
    Final, ///< the server said no (a 4xx), or the reply was no reply: trying again changes nothing
    Transient, ///< may go through later: a 5xx, a 408, a reset, a cut transfer, a time-out
    SlowDown,  ///< 429 or 503: the server asked to be left alone for a while
    Connect,   ///< no connection could be made: refused, no route, timed out, host not found
};

/// A final reply's status: 408 and 5xx are transient but 501 and 505 (the
/// server cannot do it, now or later); 429 and 503 ask for a pause; every
/// other code (4xx, a 3xx not followed) is final.
Failure ForStatus(int code);
/// An error that ended the request before or while its reply came.
Failure ForError(SockErrorCode code);
/// A reply the client judged not whole or not HTTP, by its reason: one cut
/// by the close is transient, a broken one final.
Failure ForBadReply(const QString& reason);

/// The reason of an error that ended a request, naming the cause and the
/// place: "Connection refused by localhost:80", "Host not found:
/// exmaple.org", "Timed out connecting to 203.0.113.5:443". `text` is the
/// error's own text and `lastError` the classic socket error number the
/// session saw; `host` is the name the lookup was for. A failure that is not
/// about the connection keeps its text.
QString ErrorReason(SockErrorCode code, int lastError, const QString& text, const QString& host,
                    const QString& address);

/// After this many connection tries in a row that failed, an address counts
/// as down: the run leaves its other jobs untried.
constexpr int kDownAfter = 3;
/// "not tried: localhost:80 refused 3 connections", the reason of a job left
/// untried because its address is down; `refused` when the tries were
/// refused rather than timed out or unreachable.
QString NotTriedReason(const QString& address, bool refused);

/// What becomes of a job whose request failed.
struct Verdict {
    bool tryAgain = false;                    ///< fetch it again after the host's back-off
    JobList::Mark mark = JobList::Mark::None; ///< else the mark it ends with
    QString reason;
};
/// `tries`: how often the job has been tried in this run, this try
/// included; `retries`: how many more tries a transient failure gets (0:
/// none, the rule of old); `addressDown`: its address just counted as down,
/// so no further try is made; `retryCount`: the small-result counter, whose
/// rule of old turns a failure from its sixth step on into "×".
///
/// A transient failure with tries left is tried again; one whose tries ran
/// out is given up ("×", fetched again by the next run) with "after N
/// tries"; a slow-down that outlasted its waits is given up at once; a final
/// failure, and any failure without retries, ends "▼" (or "×" by the rule
/// of old).
Verdict Judge(Failure failure, const QString& reason, int tries, int retries, bool addressDown,
              int retryCount);

/// A server that answers 429 or 503 is left alone before the job is
/// fetched again; such a reply is no failure of the job until it came this
/// many times in a row.
constexpr int kMaxSlowDowns = 8;

/// What the run knows of a job when its transfer is over.
struct JobState {
    int tries = 1;            ///< this try included
    int retries = 0;          ///< more tries a transient failure gets
    int slowDowns = 0;        ///< 429/503 replies it waited out in a row
    bool addressDown = false; ///< its address just counted as down
    int retryCount = 0;       ///< the small-result counter of its lane
    /// The job is still in the list and still this run's to fetch again
    /// (not deleted, not let go by a new "Go!").
    bool held = true;
};

/// What becomes of a job whose transfer is over.
struct Decision {
    enum class Next {
        Mark,     ///< it ends with `mark` and `reason`
        Keep,     ///< it stays "↓", to be fetched by the walk or the next run
        WaitHost, ///< fetched again once its server is due after `asked` s (0: its back-off)
        TryAgain, ///< fetched again after its server's back-off
    };
    Next next = Next::Mark;
    JobList::Mark mark = JobList::Mark::None;
    QString reason;
    qint64 asked = 0; ///< of WaitHost: what the server's Retry-After asked for
};
/// The run's rule for every ending: a success is "○"; a transfer the run
/// cancelled keeps "↓"; a 429 or 503 is waited out (up to kMaxSlowDowns in
/// a row) while the job is held; any other failure goes by Judge.
Decision Decide(const JobState& job, const DownloadOutcome& outcome);

/// Why a job's path is refused unless the user agreed to it, or the empty
/// text: a job list is shared like any file, and a row could aim a download
/// at "~/.bashrc" or "~/.config/autostart/". A path that goes up with ".."
/// or has a part beginning with "." (a hidden folder or file) is refused.
QString PathRefusal(const QString& path);

/// The cause of a failure, for counting failures alike: a reply's status
/// without its protocol ("404 Not Found"), or the reason without the count
/// of tries.
QString CauseOf(const QString& reason);

} // namespace JobPolicy
