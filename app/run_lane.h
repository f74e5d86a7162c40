#pragma once

#include "app/download_client.h"
#include "app/host_scheduler.h"
#include "app/job_grid.h"
#include "app/job_policy.h"
#include "app/result_check.h"

#include <QHash>
#include <QString>
#include <vector>

/// One lane of a download run: a client and the job it works on. A job holds
/// its lane from its start until it is settled: while its request runs,
/// while it waits to be fetched again, and through its small-result cycle.
struct RunLane {
    DownloadClient* client = nullptr;
    enum class State {
        Idle,     ///< free for the walk's next job
        InFlight, ///< its request runs
        Again,    ///< its job waits to be fetched again
        Cycle,    ///< its job is in its small-result cycle
    } state = State::Idle;
    JobGrid::JobId job = 0;     ///< of InFlight, Again and Cycle
    JobGrid::JobId examine = 0; ///< the job its next tick looks at first
    QString path;               ///< of the request
    QString host;               ///< "scheme://host:port" of the request
    QString address;            ///< where it connects (DownloadClient::AddressOf)
    /// Until when the job waits, or waited, for what its server asked or
    /// its back-off (-1: it did not). A request that follows such a wait
    /// ends it for all once its job is settled.
    qint64 waitedUntil = -1;
    /// The job is still this run's (a new "Go!" lets go of it).
    bool held = true;
    /// It waits for another lane's end (the walk is at the end, or the next
    /// job's path or server is another lane's).
    bool parked = false;
    bool hostWait = false;    ///< it waits for its server: the server's wait or its turn
    ResultCheck::Cycle cycle; ///< its small-result counters

    bool InFlight() const { return state == State::InFlight; }
    /// It holds job `id`: in flight, waiting, cycling, or ended and not yet
    /// looked at (whose check may still remove the file at its path).
    bool Holds(JobGrid::JobId id) const {
        return (job == id && state != State::Idle) || examine == id;
    }
    /// Nothing left to do: no job held, nothing to look at.
    bool Done() const { return state == State::Idle && examine == 0; }
    /// Lets go of what it waits for or looks at; a request under way ends as
    /// it will.
    void LetGo() {
        if (!InFlight()) {
            state = State::Idle;
            job = examine = 0;
        }
        parked = hostWait = false;
    }
    /// Holds `id` to fetch it again once its wait for its server is over.
    void HoldAgain(JobGrid::JobId id) {
        state = State::Again;
        job = id;
        held = true;
        hostWait = true;
    }
};

/// The lanes of a run, and what the run asks of all of them at once.
class RunLanes {
public:
    RunLane& operator[](int i) { return lanes_[size_t(i)]; }
    const RunLane& operator[](int i) const { return lanes_[size_t(i)]; }
    int Count() const { return int(lanes_.size()); }
    auto begin() { return lanes_.begin(); }
    auto end() { return lanes_.end(); }
    auto begin() const { return lanes_.begin(); }
    auto end() const { return lanes_.end(); }
    void Add(DownloadClient* client);
    void DropAllButFirst() { lanes_.resize(1); }

    /// A request is under way on one of them.
    bool Requesting() const;
    /// One of them holds job `id`.
    bool Holds(JobGrid::JobId id) const;
    /// None has anything left to do.
    bool AllDone() const;
    /// A lane other than `lane` works on a job other than `id` with `path`.
    bool PathBusy(int lane, JobGrid::JobId id, const QString& path, const JobGrid& grid) const;
    /// The lanes not in flight whose wait is over by `now`; every lane that
    /// waited for another's end looks again.
    std::vector<int> Due(const HostScheduler& hosts, qint64 now);
    /// When the first lane not in flight has a step to take, or kNever.
    qint64 NextWake(const HostScheduler& hosts) const;
    /// A new "Go!": every lane lets go of what it waits for (a request
    /// under way ends as it will, its job then the new walk's) and is due at
    /// `due`; `forget` tells the clients to forget the last run.
    void NewRun(HostScheduler& hosts, qint64 due, bool forget);
    /// "Stop!" is not put off by a wait for a server: those end `now`.
    void EndHostWaits(HostScheduler& hosts, qint64 now) const;
    /// A new pause: the lanes pausing, or between two looks of a cycle, end
    /// their wait this long from `now`; a wait a server asked for keeps its time.
    void Repause(HostScheduler& hosts, qint64 now) const;

private:
    std::vector<RunLane> lanes_;
};

/// What a run counts of the jobs it fetches again: tries of the jobs being
/// tried again, and the 429/503 replies each waited out in a row.
class JobTries {
public:
    /// What JobPolicy::Decide needs to know of job `id`.
    JobPolicy::JobState StateOf(JobGrid::JobId id, int retries, int retryCount, bool held) const {
        JobPolicy::JobState state;
        state.retries = retries;
        state.retryCount = retryCount;
        state.held = held;
        state.tries = tries_.value(id) + 1;
        state.slowDowns = slowDowns_.value(id);
        return state;
    }
    /// Keeps count of what was decided for job `id` in `state`. A wait for
    /// the server leaves the tries as they were, so that failures of both
    /// kinds in turn still run out; a transfer the run cancelled counts for
    /// nothing.
    void Record(JobGrid::JobId id, const JobPolicy::JobState& state, JobPolicy::Decision::Next next,
                bool cancelled) {
        using Next = JobPolicy::Decision::Next;
        if (cancelled)
            return;
        if (next == Next::WaitHost) {
            slowDowns_.insert(id, state.slowDowns + 1);
            return;
        }
        slowDowns_.remove(id);
        // A job to try again, now or when the walk comes to it.
        if (next == Next::TryAgain || next == Next::Keep)
            tries_.insert(id, state.tries);
        else
            tries_.remove(id);
    }
    /// It is being tried again: its server is asked whatever is at its path.
    bool Retrying(JobGrid::JobId id) const { return tries_.contains(id); }
    void Clear() {
        tries_.clear();
        slowDowns_.clear();
    }

private:
    QHash<JobGrid::JobId, int> tries_;
    QHash<JobGrid::JobId, int> slowDowns_;
};
