#pragma once

#include "app/download_client.h"
#include "app/job_grid.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <map>
#include <set>
#include <vector>

/// The download run: walks the job grid from row 1, one one-shot tick of
/// Timer1 at a time, fetching each job's URL into its Path with the client
/// and writing each outcome into the job's Status cell as a mark:
///
///   ""  never tried   -> fetched        "↓" request issued  -> fetched again
///   "○" success       -> passed over    "▲" file existed     -> passed over
///   "▽" result too small, retry cycle    "▼" failed (RetryCount <= 5)
///   "×" given up (cycle exhausted, or failure with RetryCount >= 6) -> fetched again
///
/// A tick fetches the job at CurrentRow when its mark is "×", "" or "↓" and
/// passes over it otherwise. The client's outcome re-arms the timer.
///
/// A failure is judged by JobPolicy: with retries set, a transient one (a
/// refused or cut connection, a time-out, a 5xx) is tried again after its
/// server's back-off and given up ("×") once its tries ran out; a final one
/// ends "▼". An address that refused kDownAfter connections in a row is
/// down: its other jobs are left untried, without a mark, for the next run.
/// Only a job that claims a file ("○", "▲") goes through the small-result
/// check; a failed job keeps its mark and reason. A job the list marked for
/// fetching again (JobGrid::SetRefetch), or one being tried again, is fetched
/// whatever "skip existing" would say; and no two jobs with one path run at
/// once.
///
/// The interval is the pause between two requests to the server, so it is
/// waited only where a request has just ended (and after "Go!"). A tick
/// that passes over a job, skips it or gives it up is followed by the next
/// one at once: resuming a long list of finished jobs costs no waiting. The
/// small-result cycle keeps its ten checks, spread over one interval, so a
/// job found too small holds the jobs after it as long as one pause.
///
/// Given more than one client (AddClient), the run keeps one job in flight
/// on each: it starts jobs in grid order while a client is free, spacing the
/// request starts to each server by the interval, and checks each job's
/// result by itself when its request has ended. Every job gets the marks it
/// would get one at a time; "Stop!" lets the jobs in flight finish, and
/// pressed again aborts them.
///
/// No window needed: the owner shows what the run's signals report (a job
/// started, its progress, its outcome, the run's end; RunPanels makes the
/// status bar's texts of them) and the messages, and feeds in the options. Everything runs on the
/// owner's thread and nothing waits: the run starts a request on the client
/// and reacts when it has ended, so the owner's handlers (Go, Stop, Delete,
/// List Up, a dialog, closing) run in the middle of a request. The run
/// follows its job by id through such edits, never starts a second request
/// while one is under way, and lets no exception out of a handler.
class DownloadRun : public QObject {
    Q_OBJECT

public:
    /// Interval of Timer1 in the window.
    static constexpr int kTickMs = 200;
    /// Time-out the window gives its client: a transfer silent this long
    /// ends as a failure instead of holding the run for ever.
    static constexpr int kClientTimeOutMs = 60'000;
    /// Bytes per second a transfer must average over each time-out window
    /// (TPowersock::LowSpeedLimit): a peer that drips a byte now and then,
    /// so the idle time-out never fires, fails after one window. 64 B/s is
    /// a hundred times below the slowest real link (a 56k modem), so only a
    /// stalled server falls under it.
    static constexpr int kLowSpeedLimit = 64;
    /// A server that answers 429 or 503 is left alone before the job is
    /// fetched again: as long as its Retry-After line asks, up to this many
    /// seconds, else for a back-off per host that starts at 1 s and doubles
    /// up to kMaxBackOffS. Such a reply is no failure of the job until it
    /// came kMaxSlowDowns times in a row.
    static constexpr qint64 kMaxRetryAfterS = 300;
    static constexpr qint64 kMaxBackOffS = 60;
    static constexpr int kMaxSlowDowns = 8;

    /// The run's messages.
    static const QString kNoJobsMessage; ///< "登録されていません"
    static const QString kAllDoneMessage; ///< "登録されていたすべてのダウンロード完了"

    enum class End {
        Completed, ///< no job left; the completion message was sent
        Cancelled, ///< stopped by "Stop!"
    };

    /// Works on `grid` and `client`, which must outlive the run. Installs
    /// its handlers as the client's events.
    DownloadRun(JobGrid& grid, DownloadClient& client, QObject* parent = nullptr);
    /// Stops the timer and detaches from the client; a request under way is
    /// the client's to end (Shutdown() aborts it first).
    ~DownloadRun() override;

    // --- options, read at every tick ----------------------------------------

    /// Skip jobs whose file already exists ("▲"). Off by default.
    void SetSkipExisting(bool on) { m_skipExisting = on; }
    /// The small-result check. On by default.
    void SetSmallResultCheck(bool on) { m_smallCheck = on; }
    /// Files of at most this many KB (1024 bytes) count as too small; with
    /// 0 only a missing or empty file does. 0 by default.
    void SetSmallResultLimitKB(int kb) { m_limitKB = kb; }
    /// Milliseconds of the pause between two requests (kTickMs by default;
    /// 0 = next loop pass). A pause already under way is re-armed to end
    /// this long from now.
    void SetTickInterval(int ms);
    /// Starts at most `perSecond` requests a second to each server (0: no
    /// cap); a job whose server is not due yet waits for its turn.
    void SetRateLimit(double perSecond);
    /// How many more times a job whose request failed for a passing reason is
    /// tried in one run (0, the default: none, as the run always did).
    void SetRetries(int retries) { m_retries = qMax(0, retries); }
    /// Whether a job whose path goes up with ".." or into a hidden folder or
    /// file (JobPolicy::PathRefusal) fails with the reason instead of being
    /// fetched: on by default, off once the user agreed to such paths.
    void SetRefuseHiddenPaths(bool on) { m_refuseHidden = on; }
    int Retries() const { return m_retries; }
    int TickInterval() const { return m_intervalMs; }
    /// Clients besides the one given at construction, replacing those set
    /// before: the run then keeps a job in flight on each (one connection per
    /// client, so at most that many to a server). Each must outlive the run
    /// or the next call; ignored while a run is under way.
    void SetMoreClients(const std::vector<DownloadClient*>& clients);
    /// How many jobs may be in flight at once: the number of clients.
    int Parallel() const { return int(m_lanes.size()); }

    // --- state ----------------------------------------------------------------

    /// Grid row of the job the run is at, after any edits of the grid.
    int CurrentRow() const;
    int RetryCount() const { return m_retryCount; }
    bool RetryActive() const { return m_retryActive; }
    bool SkipPending() const { return m_skipPending; }
    bool CancelRequested() const { return m_cancelRequested; }
    /// A request is under way on a client.
    bool Requesting() const;
    /// The client carrying the request of job `id` (also in the handlers of
    /// the request's end), for its read-outs; nullptr when it has none.
    const DownloadClient* ClientOf(JobGrid::JobId id) const;
    /// Timer1 is armed.
    bool Ticking() const { return m_timer.isActive(); }
    /// Milliseconds the armed tick waits in all: the interval after a
    /// request, a tenth of it in the small-result cycle, 0 after a job
    /// passed over.
    int ArmedWaitMs() const { return m_timer.interval(); }
    /// Ticking or Requesting: a run is under way.
    bool Running() const { return Ticking() || Requesting(); }

    /// The file-name part of a path: the text after the last "/", "\" or ":".
    static QString FileNamePart(const QString& path);

    // --- handlers ---------------------------------------------------------------

    /// "Go!": RetryCount := 0, CurrentRow := 1 and arm the timer, or the
    /// message kNoJobsMessage for an empty list. Pressed during a request,
    /// the walk from row 1 starts once that request has ended.
    void GoButtonClick();
    /// "Stop!": the run stops at its next tick (after the requests under
    /// way have ended). Pressed again while that stop is pending, it aborts
    /// the requests under way. Does nothing when no run is under way.
    void CancelBtnClick();
    /// Stops the run at once: "Stop!" pressed twice (the request under way
    /// is aborted; its job stays "↓" and is fetched by the next run).
    void Abort();
    /// One tick of the run.
    void Timer1Timer();
    /// Starts the job at CurrentRow, or ends the run when none is left.
    void Get1();
    /// Issues the request of the job at CurrentRow (through Get1 only), with
    /// what the skip check found at its path.
    void GetData(DownloadClient::PathFound found);
    /// For closing the owner: stops the timer and aborts the request under
    /// way. A request ended by that abort leaves its job at "↓" and what it
    /// wrote of the file removed; one that still reports an outcome is
    /// marked as usual. The run is then dead (no tick, no new request);
    /// requestEnded() says when the client is free if Requesting() was true.
    void Shutdown();

    // The events of the client of lane `lane` (0: the one given at
    // construction).
    void NMHTTP1Connect(int lane = 0);
    void NMHTTP1Status(int lane = 0);
    void NMHTTP1PacketRecvd(int lane = 0);
    void NMHTTP1Success(int lane = 0);
    void NMHTTP1Failure(int lane = 0);

signals:
    /// A message box to show.
    void messageRequested(const QString& text);
    /// The job `id` at grid row `row` got `mark`; `reason` says why it
    /// failed ("▼", "×", "▽"), and is empty for the other marks.
    void jobMarked(JobGrid::JobId id, int row, const QString& mark, const QString& reason);
    /// The run is over (sent before the completion message).
    void runFinished(DownloadRun::End end);
    /// "Stop!" was pressed; `id` is the job at CurrentRow (0 past the end).
    void stopping(JobGrid::JobId id);
    /// A request for job `id` starts (its row was marked "↓").
    void jobStarted(JobGrid::JobId id);
    /// The request of job `id` is connected to the server.
    void connected(JobGrid::JobId id);
    /// The client's status text changed ("Connecting", ...).
    void statusChanged(const QString& text);
    /// The server of job `id` asked to be left alone: the job is fetched
    /// again in `seconds`, as its Retry-After line said (`retryAfter`) or
    /// after the back-off.
    void waitingForHost(JobGrid::JobId id, qint64 seconds, bool retryAfter);
    /// Body bytes of job `id` so far; `expected` 0 when the reply announced none.
    void progress(JobGrid::JobId id, qint64 received, qint64 expected);
    /// Job `id` got an outcome mark other than "↓", with its reason (empty
    /// for a success).
    void jobFinished(JobGrid::JobId id, const QString& mark, const QString& reason);
    /// The request of job `id` ended with the client's error `text` (a
    /// failure, or the run's own abort); sent after the job's mark.
    void requestError(JobGrid::JobId id, const QString& text);
    /// The request of job `id` has ended: its client is free.
    void requestEnded(JobGrid::JobId id);

private:
    struct Request {
        JobGrid::JobId job = 0;
        QString path;
        /// Where it connects (DownloadClient::AddressOf): the key of the
        /// address's failed connections.
        QString address;
        bool outcome = false; ///< success or failure already counted
    };
    /// A client and the request it carries.
    struct Lane {
        DownloadClient* client = nullptr;
        Request request;
        bool inGet = false;
        bool abortedByRun = false; ///< the request under way was aborted by us
    };
    /// What the small-result check finds of a job's file.
    struct SmallResult {
        bool small = false;  ///< missing, too small or of the wrong kind
        bool exists = false; ///< there is a file to remove
        QString reason;      ///< why it is no result (when small)
    };
    /// A job found too small while several run: looked at again until its
    /// cycle is over, without holding a client.
    struct Cycle {
        int looks = 1;
        qint64 dueMs = 0; ///< the next look, on m_clock
    };

    /// A retry cycle gives a job up once it has been found too small this
    /// often.
    static constexpr int kSmallResultTries = 10;
    /// One look at a job's path, for the skip check, the client and the
    /// small-result check alike.
    struct Found {
        bool file = false;    ///< a file (or a link to one) is there
        bool nothing = false; ///< nothing is there (or a link to nothing)
        qint64 size = 0;      ///< of the file
    };
    static Found LookAt(const QString& path);
    /// The skip check of the job at `row`: true when its file is there, which
    /// is then marked and remembered; else `found` says what the look found.
    bool SkipExisting(int row, DownloadClient::PathFound& found);
    /// What the job's request saved at its path, for the small-result check.
    void RememberSaved(const Lane& lane);
    /// Why a job failed: the text of what ended its request, the server's
    /// word, or the given-up text of a small-result cycle whose first look
    /// found `first`.
    static QString EndedReason(const QString& text);
    static QString RefusedReason(const DownloadClient& client);
    static QString GivenUpReason(const QString& first);
    /// A reply from the server of the request of `lane`: its back-off is
    /// over (after a success) and its address is not down.
    void ServerAnswered(const Lane& lane, bool success);
    /// Issues the request of the job at `row` on lane `lane`.
    void StartRequest(int lane, int row, DownloadClient::PathFound found);

    void Attach(int lane);
    Lane& First() { return m_lanes.front(); }
    const Lane& First() const { return m_lanes.front(); }

    void SetCurrentRow(int row);
    int FirstRowFrom(JobGrid::JobId id) const;
    /// How long the next tick waits.
    enum class Wait {
        Pause,      ///< a request has just ended: the interval
        CycleCheck, ///< one check of the small-result cycle: a tenth of it
        None,       ///< a job was passed over: at once
        Host,       ///< the server asked to be left alone: m_hostWaitMs
    };
    void StartTimer(Wait wait);
    /// Milliseconds between two looks of the small-result cycle: a tenth of
    /// the interval, rounded up, so that its ten looks never take less than
    /// one pause.
    int CycleCheckMs() const;
    /// Looks at the job's file, unless this run saved it or found it there
    /// since its last look: the size known then is trusted.
    SmallResult ExamineResult(int row);
    /// Sets the mark (and the reason, cleared when empty) of a job row and
    /// reports it; ignored for any other row.
    void Mark(int row, const QString& mark, const QString& reason = {});
    /// Step 2 of a tick: examines the job before `row` and moves `row` back
    /// to it when its file is too small (or on past it once given up).
    /// True when it stepped back and the cycle goes on.
    bool CheckSmallResult(int& row);
    /// The row of the request's job, or 0 when it has been deleted.
    int OutcomeRow() const;
    /// Whether CurrentRow still follows the request's job.
    bool FollowingRequest() const;
    /// What the failure of the request of lane `lane` means for its job:
    /// counts the try and the address's failed connections.
    JobPolicy::Verdict Judge(const Lane& lane, const DownloadClient::Failure& failure);
    /// The failure of a request that ended without a reply's outcome.
    static DownloadClient::Failure FailureOf(const DownloadClient& client, bool threw,
                                             const QString& error);
    /// The failure rule, one job at a time: tried again after the back-off,
    /// "▼", or "×" and the next job.
    void ApplyFailure(const DownloadClient::Failure& failure);
    /// What the checks before a fetch make of a job, in their one order for
    /// both ways of running: a path refused ("▼"), a file already there
    /// ("▲", unless the job is to be fetched anyway), an address that is
    /// down (no mark). The job is marked; `found` says what the skip check
    /// saw of the path.
    enum class Screened { Fetch, Refused, Skipped, Untried };
    Screened Screen(int row, DownloadClient::PathFound& found);
    /// The failure a client's `failed` event tells of.
    static DownloadClient::Failure ReplyFailure(const DownloadClient& client);
    /// After a 429 or 503: arms the wait for the server and keeps the job at
    /// "↓" to be fetched again. False when the job has had its share of such
    /// waits (the reply is then a failure as any other).
    bool WaitForHost(qint64 asked);
    /// The seconds to leave the server of `url` alone after it asked for
    /// `asked` (0: it named no time, so its back-off grows).
    qint64 HostWaitSeconds(const QString& url, qint64 asked);
    /// The server a URL goes to, as the back-off is kept: "scheme://host:port".
    static QString HostOf(const QString& url);
    /// Marks the request's job and, when CurrentRow still follows it, moves
    /// on to the next job; then re-arms the timer.
    void MarkOutcomeAndMoveOn(const QString& mark, const QString& reason = {});
    /// The client's request is over: counts what had no outcome, re-arms the
    /// tick.
    void RequestEnded(int lane, bool threw, const QString& error);

    // Several jobs at once (download_run_parallel.cpp).
    void ParallelTick();
    /// The next job to start, or 0 (then `wake` may say when one is due).
    JobGrid::JobId NextToStart(qint64 now, qint64& wake, DownloadClient::PathFound& found);
    /// The first time a request to the server of `url` may start.
    qint64 HostDueMs(const QString& url) const;
    void StartOn(int lane, JobGrid::JobId id, qint64 now, DownloadClient::PathFound found);
    /// The small-result check of one job: marks it "▽" and opens its cycle.
    void CheckByItself(int row);
    /// The looks of the cycles due by `now`; `wake` is the next one due.
    void LookAgain(qint64 now, qint64& wake);
    void LaneSucceeded(Lane& lane);
    void LaneFailed(Lane& lane);
    /// The failure rule with several clients: back in line after the
    /// server's back-off, or marked.
    void LaneJudged(Lane& lane, const DownloadClient::Failure& failure);
    void LaneEnded(Lane& lane, bool threw, const QString& error);
    bool InFlight(JobGrid::JobId id) const;
    /// Whether another job with the path of `row` is in flight or in its
    /// small-result cycle.
    bool PathBusy(int row) const;
    /// The first lane without a request, or -1.
    int FreeLane() const;

    JobGrid& m_grid;
    std::vector<Lane> m_lanes; ///< [0]: the client given at construction
    QTimer m_timer;
    int m_intervalMs = kTickMs;
    qint64 m_rateGapMs = 0;               ///< between two request starts to a server
    QHash<QString, qint64> m_lastStartMs; ///< per server, on m_clock
    QElapsedTimer m_clock;
    Wait m_armed = Wait::None; ///< what the armed timer waits for

    // CurrentRow is kept as the id of the job there, so that rows deleted
    // above it, or its own deletion, move it with the list. For a row past
    // the last job it is one more than the last id then, which new jobs
    // appended later will reach.
    JobGrid::JobId m_currentJob = 1;
    int m_retryCount = 0;
    // What servers that asked to be left alone got: the back-off per
    // "host:port", the wait armed, and such replies to the job under way.
    QHash<QString, qint64> m_backOffS;
    qint64 m_hostWaitMs = 0;
    int m_slowDowns = 0;
    bool m_retryActive = false;
    bool m_skipPending = false;
    bool m_cancelRequested = false;

    int m_retries = 0;
    bool m_refuseHidden = true;
    // Tries of the jobs being tried again, and per address the connection
    // tries that failed in a row (whether all were refused).
    QHash<JobGrid::JobId, int> m_tries;
    struct Connects {
        int failed = 0;
        bool refused = true;
    };
    QHash<QString, Connects> m_connects;

    bool m_skipExisting = false;
    bool m_smallCheck = true;
    int m_limitKB = 0;
    // The size of a job's file as its request saved it or the skip check
    // found it, until the small-result check takes it: one look per job.
    QHash<JobGrid::JobId, qint64> m_knownSize;

    bool m_tickDeferred = false;
    bool m_shutdown = false;

    // With several clients: the jobs in their small-result cycle, the jobs
    // to fetch again once their server is due, the servers that asked to be
    // left alone (until when, on m_clock) and such replies per job.
    std::map<JobGrid::JobId, Cycle> m_cycles;
    std::set<JobGrid::JobId> m_again;
    QHash<QString, qint64> m_hostDueMs;
    QHash<JobGrid::JobId, int> m_slowDownsOf;
};

Q_DECLARE_METATYPE(DownloadRun::End)
