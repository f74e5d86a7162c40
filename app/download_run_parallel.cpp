// The download run with several clients: a job in flight on each, started in
// grid order, each result checked by itself once its request has ended.
#include "app/download_client.h"
#include "app/download_run.h"
#include "app/status_mark.h"

#include <QFile>
#include <algorithm>
#include <limits>

namespace {

constexpr qint64 kNever = std::numeric_limits<qint64>::max();

} // namespace

bool DownloadRun::InFlight(JobGrid::JobId id) const {
    return std::any_of(m_lanes.begin(), m_lanes.end(),
                       [id](const Lane& lane) { return lane.inGet && lane.request.job == id; });
}

int DownloadRun::FreeLane() const {
    for (size_t i = 0; i < m_lanes.size(); ++i)
        if (!m_lanes[i].inGet)
            return int(i);
    return -1;
}

void DownloadRun::ParallelTick() {
    if (m_cancelRequested) {
        // The jobs in flight finish; those in their cycle keep "▽" and
        // those put back keep "↓", as a stopped run leaves them one at a time.
        m_cycles.clear();
        m_again.clear();
        if (Requesting())
            return; // the last request's end ticks again
        m_cancelRequested = false;
        emit runFinished(End::Cancelled);
        return;
    }
    const qint64 now = m_clock.elapsed();
    qint64 wake = kNever;
    LookAgain(now, wake);
    for (int lane = FreeLane(); lane >= 0; lane = FreeLane()) {
        DownloadClient::PathFound found = DownloadClient::PathFound::Unknown;
        const JobGrid::JobId id = NextToStart(now, wake, found);
        if (id == 0)
            break;
        StartOn(lane, id, now, found);
        if (m_shutdown || m_cancelRequested)
            return;
    }
    // Each request's end ticks again; the wake is for what falls due before
    // that (a look of a cycle, a server's turn).
    if (wake != kNever) {
        m_hostWaitMs = std::clamp<qint64>(wake - now, 0, std::numeric_limits<int>::max());
        StartTimer(Wait::Host);
        return;
    }
    if (Requesting() || !m_cycles.empty() || !m_again.empty())
        return;
    if (CurrentRow() < m_grid.NextRow()) {
        StartTimer(Wait::None); // jobs appended meanwhile
        return;
    }
    emit runFinished(End::Completed);
    emit messageRequested(kAllDoneMessage);
}

JobGrid::JobId DownloadRun::NextToStart(qint64 now, qint64& wake,
                                        DownloadClient::PathFound& found) {
    // A job put back because its server asked to wait goes first once due.
    for (auto it = m_again.begin(); it != m_again.end();) {
        const int row = m_grid.RowOf(*it);
        if (row == 0) {
            it = m_again.erase(it);
            continue;
        }
        const qint64 due = HostDueMs(m_grid.Url(row));
        if (due > now) {
            wake = qMin(wake, due);
        } else if (!PathBusy(row)) {
            const JobGrid::JobId id = *it;
            m_again.erase(it);
            return id;
        }
        // Due, but its path is another job's now: that job's end ticks again.
        ++it;
    }
    // Then the walk, over what it does not fetch: a long list of finished
    // jobs is passed in one tick.
    for (int row = CurrentRow(); row < m_grid.NextRow(); row = CurrentRow()) {
        const JobGrid::JobId id = m_grid.IdAt(row);
        if (InFlight(id) || m_cycles.contains(id) || m_again.contains(id)) {
            SetCurrentRow(row + 1);
            continue;
        }
        if (!StatusMark::IsFetched(m_grid.Status(row))) {
            // One at a time, the run looks at the job before each tick's;
            // here each job passed over is looked at by itself.
            CheckByItself(row);
            SetCurrentRow(row + 1);
            continue;
        }
        if (PathBusy(row)) {
            // Two jobs never write one path at once: this one waits for the
            // other's end, which ticks again.
            return 0;
        }
        const Screened screened = Screen(row, found);
        if (screened == Screened::Skipped)
            CheckByItself(row);
        if (screened != Screened::Fetch) {
            SetCurrentRow(row + 1);
            continue;
        }
        const qint64 due = HostDueMs(m_grid.Url(row));
        if (due > now) {
            // Jobs start in grid order: the next waits for its server.
            wake = qMin(wake, due);
            return 0;
        }
        SetCurrentRow(row + 1);
        return id;
    }
    return 0;
}

qint64 DownloadRun::HostDueMs(const QString& url) const {
    const qint64 gap = qMax<qint64>(m_intervalMs, m_rateGapMs);
    if (gap == 0 && m_hostDueMs.isEmpty())
        return 0;
    const QString host = HostOf(url);
    qint64 due = m_hostDueMs.value(host, 0);
    if (const auto last = m_lastStartMs.constFind(host); last != m_lastStartMs.cend())
        due = qMax(due, *last + gap);
    return due;
}

void DownloadRun::StartOn(int lane, JobGrid::JobId id, qint64 now,
                          DownloadClient::PathFound found) {
    const int row = m_grid.RowOf(id);
    if (m_intervalMs > 0 || m_rateGapMs > 0)
        m_lastStartMs.insert(HostOf(m_grid.Url(row)), now);
    Mark(row, StatusMark::Requested);
    StartRequest(lane, row, found);
}

bool DownloadRun::PathBusy(int row) const {
    const QString path = m_grid.Path(row);
    const JobGrid::JobId id = m_grid.IdAt(row);
    for (const Lane& lane : m_lanes)
        if (lane.inGet && lane.request.job != id && lane.request.path == path)
            return true;
    // A job in its small-result cycle, or one put back to be fetched again
    // (which goes first, as it would one at a time), holds its path too.
    const auto holds = [&](JobGrid::JobId other) {
        return other != id && m_grid.Path(m_grid.RowOf(other)) == path;
    };
    return std::any_of(m_cycles.begin(), m_cycles.end(),
                       [&](const auto& cycle) { return holds(cycle.first); }) ||
           std::any_of(m_again.begin(), m_again.end(), holds);
}

void DownloadRun::CheckByItself(int row) {
    // Only a job that claims a file is judged by its file.
    if (!m_smallCheck || !m_grid.IsJobRow(row) || !StatusMark::IsSuccess(m_grid.Status(row)))
        return;
    const SmallResult result = ExamineResult(row);
    if (!result.small)
        return;
    Mark(row, StatusMark::Small, result.reason);
    if (result.exists)
        QFile::remove(m_grid.Path(row));
    m_cycles[m_grid.IdAt(row)] = Cycle{1, m_clock.elapsed() + CycleCheckMs()};
}

void DownloadRun::LookAgain(qint64 now, qint64& wake) {
    for (auto it = m_cycles.begin(); it != m_cycles.end();) {
        const int row = m_grid.RowOf(it->first);
        if (row == 0) {
            it = m_cycles.erase(it);
            continue;
        }
        if (it->second.dueMs > now) {
            wake = qMin(wake, it->second.dueMs);
            ++it;
            continue;
        }
        const SmallResult result = ExamineResult(row);
        if (!result.small) {
            // Something put a whole file there meanwhile: the cycle is over.
            it = m_cycles.erase(it);
            continue;
        }
        if (result.exists)
            QFile::remove(m_grid.Path(row));
        if (++it->second.looks > kSmallResultTries) {
            Mark(row, StatusMark::GivenUp, GivenUpReason(m_grid.Reason(row)));
            it = m_cycles.erase(it);
            continue;
        }
        it->second.dueMs = now + CycleCheckMs();
        wake = qMin(wake, it->second.dueMs);
        ++it;
    }
}

void DownloadRun::LaneSucceeded(Lane& lane) {
    const int row = m_grid.RowOf(lane.request.job);
    m_slowDownsOf.remove(lane.request.job);
    m_tries.remove(lane.request.job);
    ServerAnswered(lane, true);
    Mark(row, StatusMark::Done);
}

void DownloadRun::LaneFailed(Lane& lane) {
    const JobGrid::JobId id = lane.request.job;
    const int row = m_grid.RowOf(id);
    const qint64 asked = lane.client->SlowDownSeconds();
    if (asked >= 0 && row != 0 && m_slowDownsOf.value(id) < kMaxSlowDowns) {
        // The job stays "↓" and goes back to be fetched once its server is
        // due; the other jobs to that server wait as long.
        ++m_slowDownsOf[id];
        const QString url = m_grid.Url(row);
        const qint64 seconds = HostWaitSeconds(url, asked);
        qint64& due = m_hostDueMs[HostOf(url)];
        due = qMax(due, m_clock.elapsed() + seconds * 1000);
        m_again.insert(id);
        emit waitingForHost(id, seconds, asked > 0);
        return;
    }
    m_slowDownsOf.remove(id);
    LaneJudged(lane, ReplyFailure(*lane.client));
}

void DownloadRun::LaneJudged(Lane& lane, const DownloadClient::Failure& failure) {
    const JobGrid::JobId id = lane.request.job;
    const JobPolicy::Verdict verdict = Judge(lane, failure);
    const int row = m_grid.RowOf(id);
    if (verdict.tryAgain && row != 0) {
        // As after a 429: back once its server's back-off is over.
        const QString url = m_grid.Url(row);
        const qint64 seconds = HostWaitSeconds(url, 0);
        qint64& due = m_hostDueMs[HostOf(url)];
        due = qMax(due, m_clock.elapsed() + seconds * 1000);
        m_again.insert(id);
        emit waitingForHost(id, seconds, false);
        return;
    }
    Mark(row, verdict.mark, verdict.reason);
}

void DownloadRun::LaneEnded(Lane& lane, bool threw, const QString& error) {
    if (!lane.inGet)
        return;
    lane.inGet = false;
    RememberSaved(lane);
    const Request& request = lane.request;
    if (threw && lane.abortedByRun && !request.outcome) {
        // Our own abort is no failure: the job stays "↓".
        emit requestError(request.job, error);
    } else {
        if (!request.outcome) {
            lane.request.outcome = true;
            LaneJudged(lane, FailureOf(*lane.client, threw, error));
            emit requestError(request.job, threw ? error : lane.client->StatusText());
        }
        // The client leaves a whole file only once the request has ended.
        if (!m_again.contains(request.job))
            CheckByItself(m_grid.RowOf(request.job));
    }
    emit requestEnded(request.job);
    StartTimer(Wait::None);
}
