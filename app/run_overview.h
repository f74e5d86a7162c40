#pragma once

#include "settings/job_list.h"

#include <QHash>
#include <QString>
#include <QtGlobal>
#include <deque>
#include <optional>

/// The run at a glance: which job of how many, how many files ended well or
/// failed, the speed over the last few seconds and the time left, and the
/// compact line that shows them. Several jobs may be in flight at once: the
/// line names the latest started, and the speed and the time left count them
/// all. Fed with the run's events and the time of
/// each (milliseconds of any steady clock), so it needs no window and no
/// timer; the window shows Text() beside the run's panels.
class RunOverview {
public:
    /// The speed is the bytes received over this many milliseconds before
    /// now: long enough to smooth out the pause between two files, short
    /// enough to follow a server that slows down.
    static constexpr qint64 kSpeedWindowMs = 5000;

    /// A new run: the counts and the speed start from nothing.
    void Start();
    /// A request for job `job`, at grid row `row` of `jobCount`, starts;
    /// `jobsLeft` is how many jobs after it the run will still fetch. A job
    /// started behind others in flight (fetched again after its server asked
    /// to wait) leaves the line at the furthest: the jobs after it include
    /// those in flight.
    void JobStarted(quint64 job, int row, int jobCount, int jobsLeft, qint64 nowMs);
    /// Body bytes of job `job` so far; `expected` 0 when unknown. Ignored for
    /// a job not in flight.
    void Progress(quint64 job, qint64 received, qint64 expected, qint64 nowMs);
    /// Job `job` got an outcome mark ("○" and "▲" count as done, "▼" and "×"
    /// as failed, "▽" as a retry under way). Each job counts once, by its
    /// latest mark: a fetched file found too small is no longer done.
    void JobFinished(quint64 job, JobList::Mark mark);
    void JobFinished(quint64 job, const QString& mark);
    /// The request of job `job` is over, with an outcome or without (aborted,
    /// its row deleted): it is no longer in flight.
    void RequestEnded(quint64 job) { m_inFlight.remove(job); }
    /// The run is over: the line keeps its counts, without speed or time left.
    void End() { m_ended = true; }

    int Done() const { return m_done; }
    int Failed() const { return m_failed; }
    /// Bytes per second over the last kSpeedWindowMs; 0 before two samples.
    qint64 BytesPerSecond(qint64 nowMs) const;
    /// Seconds until the last job ends at the current speed, guessing each
    /// job still to come at the mean size of the files fetched so far (or of
    /// those in flight); nothing while speed or sizes are unknown.
    std::optional<qint64> SecondsLeft(qint64 nowMs) const;
    /// "job 3 of 12 · 2 done, 1 failed · 1.5 MB/s · 0:42 left"; the speed and
    /// the time left are left out while unknown. Empty before the first job.
    QString Text(qint64 nowMs) const;

    /// "512 B/s", "12.0 KB/s", "1.5 MB/s" (units of 1024).
    static QString SpeedText(qint64 bytesPerSecond);
    /// "0:42", "12:05", "1:02:03".
    static QString DurationText(qint64 seconds);

private:
    struct Sample {
        qint64 atMs;
        qint64 bytes; ///< all body bytes of the run up to then
    };

    bool m_ended = false;
    int m_row = 0;
    int m_jobCount = 0;
    int m_jobsLeft = 0;
    enum class Outcome { Done, Failed, Retrying };
    void Count(Outcome outcome, int by);

    int m_done = 0;
    int m_failed = 0;
    QHash<quint64, Outcome> m_outcomes;
    struct Transfer {
        qint64 received = 0;
        qint64 expected = 0;
    };
    QHash<quint64, Transfer> m_inFlight; ///< by job
    qint64 m_totalBytes = 0;
    qint64 m_finishedBytes = 0; ///< of the jobs fetched whole
    int m_finishedFiles = 0;
    std::deque<Sample> m_samples;
};
