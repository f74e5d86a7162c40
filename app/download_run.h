#pragma once

#include "app/download_client.h"
#include "app/host_scheduler.h"
#include "app/job_cursor.h"
#include "app/job_grid.h"
#include "app/job_screen.h"
#include "app/result_check.h"
#include "app/run_lane.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <vector>

/// The download run: walks the job grid from row 1, one one-shot tick of
/// Timer1 at a time, fetching each job's URL into its Path with a client
/// and writing each outcome into the job's Status cell as a mark:
///
///   ""  never tried   -> fetched        "↓" request issued  -> fetched again
///   "○" success       -> passed over    "▲" file existed     -> passed over
///   "▽" result too small, retry cycle    "▼" failed (RetryCount <= 5)
///   "×" given up (cycle exhausted, or failure with RetryCount >= 6) -> fetched again
///
/// The run has a lane per client (one file at once by default, more with
/// SetMoreClients), and every lane follows the same rules on the one walk:
/// after its request ends it waits the interval; its next tick looks at
/// the job it handled last (the small-result check: only a job that claims
/// a file, "○" or "▲", is judged by it) and then takes the job at
/// CurrentRow: fetches it when its mark is "×", "" or "↓", passes over it
/// otherwise, at once. A job holds its lane from its start until it is
/// settled: while its request runs, while it waits to be fetched again, and
/// through its small-result cycle (ten looks spread over one interval). So
/// with one client a job found too small holds the jobs after it, and with
/// several no two lanes ever work on one job or one path.
///
/// How a transfer's end turns into a mark is JobPolicy::Decide's: a
/// transient failure is tried again after its server's back-off while
/// retries are left; a 429 or 503 is waited out; a final one ends "▼". The
/// HostScheduler keeps the pauses, --rate, what servers asked for and the
/// addresses that are down (their other jobs are left untried, without a
/// mark, for the next run). A job the list marked for fetching again
/// (JobGrid::SetRefetch), or one being tried again, is fetched whatever
/// "skip existing" would say.
///
/// No window needed: the owner shows what the signals report and feeds in
/// the options. Everything runs on the owner's thread and nothing waits, so
/// the owner's handlers (Go, Stop, Delete, List Up, closing) run in the
/// middle of a request; the run follows its jobs by id through such edits
/// and lets no exception out of a handler.
class DownloadRun : public QObject {
    Q_OBJECT

public:
    /// Interval of Timer1 in the window.
    static constexpr int kTickMs = 200;
    /// Time-out the window gives its client: a transfer silent this long
    /// ends as a failure instead of holding the run for ever.
    static constexpr int kClientTimeOutMs = 60'000;
    /// Bytes per second a transfer must average over each time-out window
    /// (TPowersock::LowSpeedLimit): 64 B/s is a hundred times below the
    /// slowest real link, so only a stalled server falls under it.
    static constexpr int kLowSpeedLimit = 64;
    /// Requests in flight to one server that takes one per connection: more
    /// connections than browsers open at their most, and what servers
    /// throttle and ban beyond. A server that carries them as HTTP/2
    /// streams of one connection takes as many as there are lanes.
    static constexpr int kMaxConnectionsPerHost = 16;

    /// "登録されていません", in the user's language.
    static QString NoJobsMessage();
    /// "登録されていたすべてのダウンロード完了", in the user's language.
    static QString AllDoneMessage();

    enum class End {
        Completed, ///< no job left; the completion message was sent
        Cancelled, ///< stopped by "Stop!"
    };

    /// Works on `grid` and `client`, which must outlive the run; `clock`
    /// (milliseconds, monotonic) is for tests.
    DownloadRun(JobGrid& grid, DownloadClient& client, QObject* parent = nullptr,
                HostScheduler::Clock clock = {});
    ~DownloadRun() override;

    // --- options ---------------------------------------------------------------

    /// Skip jobs whose file already exists ("▲"). Off by default.
    void SetSkipExisting(bool on) { m_screen.SetSkipExisting(on); }
    /// The small-result check. On by default.
    void SetSmallResultCheck(bool on) { m_check.SetOn(on); }
    /// Files of at most this many KB count as too small; 0 by default.
    void SetSmallResultLimitKB(int kb) { m_check.SetLimitKB(kb); }
    /// Milliseconds each lane waits after its request (kTickMs by default).
    /// A pause under way is re-armed to end this long from now.
    void SetTickInterval(int ms);
    int TickInterval() const { return m_hosts.PauseMs(); }
    /// At most `perSecond` request starts a second to each server (0: no cap).
    void SetRateLimit(double perSecond) { m_hosts.SetRateLimit(perSecond); }
    /// Each pause after a request lasts 0.5 to 1.5 times the interval.
    void SetRandomWait(bool on, HostScheduler::Random random = {}) {
        m_hosts.SetRandomWait(on, std::move(random));
    }
    /// How many more times a job that failed for a passing reason is tried
    /// in one run (0 by default).
    void SetRetries(int retries) { m_retries = qMax(0, retries); }
    int Retries() const { return m_retries; }
    /// Give each saved file the reply's Last-Modified as its modification
    /// time, as curl -R does (off by default: the time it was saved).
    void SetRemoteTime(bool on) { m_remoteTime = on; }
    /// The reply's Last-Modified as the file's time; a file without one, or
    /// with a date that does not read, keeps the time it was saved.
    static void GiveServerTime(const QString& path, const QString& lastModified);
    /// Whether a path that goes up with ".." or into hidden files fails
    /// (JobPolicy::PathRefusal): on by default.
    void SetRefuseHiddenPaths(bool on) { m_screen.SetRefuseHiddenPaths(on); }
    /// Clients besides the one given at construction, replacing those set
    /// before: a lane each. Each must outlive the run or the next call;
    /// ignored while a run is under way.
    void SetMoreClients(const std::vector<DownloadClient*>& clients);
    /// How many jobs may be in flight at once: the number of lanes.
    int Parallel() const { return m_lanes.Count(); }

    // --- state -------------------------------------------------------------------

    /// Grid row of the job the walk is at, after any edits of the grid.
    int CurrentRow() const { return m_walk.Row(); }
    /// The small-result counters of the first lane.
    int RetryCount() const { return m_lanes[0].cycle.retryCount; }
    bool RetryActive() const { return m_lanes[0].cycle.retryActive; }
    bool SkipPending() const { return m_lanes[0].cycle.skipPending; }
    bool CancelRequested() const { return m_cancelRequested; }
    /// A request is under way on a client.
    bool Requesting() const { return m_lanes.Requesting(); }
    /// A lane of the run holds job `id` (its part is in use).
    bool Holds(JobGrid::JobId id) const { return m_lanes.Holds(id); }
    bool Ticking() const { return m_timer.isActive(); }
    /// Milliseconds the armed tick waits in all.
    int ArmedWaitMs() const { return m_timer.interval(); }
    bool Running() const { return Ticking() || Requesting(); }

    /// The file-name part of a path: the text after the last "/", "\" or ":".
    static QString FileNamePart(const QString& path);

    // --- handlers ------------------------------------------------------------------

    /// "Go!": RetryCount := 0, CurrentRow := 1 and arm the timer, or the
    /// message NoJobsMessage() for an empty list. Pressed during a request,
    /// the walk from row 1 starts once that request has ended.
    void GoButtonClick();
    /// "Stop!": the run stops at its next tick, once the requests under way
    /// have ended; no wait a server asked for is waited out. Pressed again
    /// while that stop is pending, it aborts the requests under way.
    void CancelBtnClick();
    /// "Stop!" pressed twice: the requests under way are aborted; their
    /// jobs stay "↓" and are fetched by the next run.
    void Abort();
    /// One tick of the run: every lane whose wait is over takes its step.
    void Timer1Timer();
    /// For closing the owner: stops the timer and aborts the requests under
    /// way. The run is then dead; requestEnded() says when a client is free.
    void Shutdown();

    // The events of the client of lane `lane` (0: the one given at
    // construction).
    void NMHTTP1Connect(int lane = 0);
    void NMHTTP1Status(int lane = 0);
    void NMHTTP1PacketRecvd(int lane = 0);

signals:
    /// A message box to show.
    void messageRequested(const QString& text);
    /// The job `id` at grid row `row` got `mark`; `reason` says why it
    /// failed ("▼", "×", "▽"), and is empty for the other marks.
    void jobMarked(JobGrid::JobId id, int row, JobList::Mark mark, const QString& reason);
    /// The run is over (sent before the completion message).
    void runFinished(DownloadRun::End end);
    /// "Stop!" was pressed; `id` is the job at CurrentRow (0 past the end).
    void stopping(JobGrid::JobId id);
    /// A request for job `id` starts (its row was marked "↓").
    void jobStarted(JobGrid::JobId id);
    /// The request of job `id` is connected to the server.
    void connected(JobGrid::JobId id);
    /// A client's status text changed ("Connecting", ...).
    void statusChanged(const QString& text);
    /// The server of job `id` asked to be left alone: the job is fetched
    /// again in `seconds`, as its Retry-After line said (`retryAfter`) or
    /// after the back-off.
    void waitingForHost(JobGrid::JobId id, qint64 seconds, bool retryAfter);
    /// Body bytes of job `id` so far; `expected` 0 when the reply announced none.
    void progress(JobGrid::JobId id, qint64 received, qint64 expected);
    /// Job `id` got an outcome mark other than "↓", with its reason.
    void jobFinished(JobGrid::JobId id, JobList::Mark mark, const QString& reason);
    /// The request of job `id` ended without a reply's outcome, with the
    /// client's `text` (a failure, or the run's own abort); after the mark.
    void requestError(JobGrid::JobId id, const QString& text);
    /// The request of job `id` is over (its client is free): how it ended.
    void requestEnded(JobGrid::JobId id, const DownloadOutcome& outcome);

private:
    using Lane = RunLane;

    void Attach(int lane);
    /// Sets the mark (and the reason) of a job row and reports it.
    void Mark(int row, JobList::Mark mark, const QString& reason = {});
    /// Arms Timer1 for the earliest lane that has a step to take.
    void Arm();

    // One lane's steps (download_run_lane.cpp).
    /// Looks at the job the lane handled last, or again at its cycle's
    /// job. True when the cycle goes on and holds the lane.
    bool LookAtResult(int lane);
    /// The lane's next job: the one it holds to fetch again, or one step of
    /// the walk. True when the run has ended.
    bool Get1(int lane);
    /// Marks the job at `row` "↓" and starts its request on `lane`.
    void GetData(int lane, int row, DownloadClient::PathFound found);
    void Finished(int lane, const DownloadOutcome& outcome);
    /// What the policy needs of the lane's job; counts the address's
    /// failed connections.
    JobPolicy::JobState StateOf(const Lane& lane, const DownloadOutcome& outcome);
    /// The job of `lane` waits `seconds` for its server, holding the lane.
    void HoldForHost(int lane, qint64 seconds, bool retryAfter);
    /// Ends the run: the marks stay, the lanes let go of their jobs.
    void Finish(End end);

    JobGrid& m_grid;
    RunLanes m_lanes; ///< [0]: the client given at construction
    HostScheduler m_hosts;
    ResultCheck m_check;
    QTimer m_timer;
    qint64 m_wakeAt = 0; ///< the deadline Timer1 is armed for

    JobCursor m_walk; ///< CurrentRow
    bool m_cancelRequested = false;
    bool m_shutdown = false;
    JobScreen m_screen;
    int m_retries = 0;
    bool m_remoteTime = false;
    JobTries m_tries;
};

Q_DECLARE_METATYPE(DownloadRun::End)
