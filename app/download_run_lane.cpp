// One lane's steps: the look at its last job, its next job, and the end of
// its transfer. Every lane takes the same steps, whether it is the only one
// or one of several.
#include "app/download_run.h"
#include "app/status_mark.h"
#include "http/reply_framing.h"

#include <QCoreApplication>
#include <QFile>
#include <algorithm>
#include <exception>
#include <utility>

using M = JobList::Mark;

namespace {

QString ExceptionText(const std::exception_ptr& thrown) {
    try {
        std::rethrow_exception(thrown);
    } catch (const std::exception& e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QCoreApplication::translate("DownloadRun", "Unknown error");
    }
}

} // namespace

void DownloadRun::GiveServerTime(const QString& path, const QString& lastModified) {
    const std::optional<QDateTime> date = ReplyFraming::HttpDate(lastModified.toLatin1());
    QFile file(path);
    if (date && file.open(QIODevice::ReadOnly))
        file.setFileTime(*date, QFileDevice::FileModificationTime);
}

bool DownloadRun::LookAtResult(int laneIndex) {
    Lane& lane = m_lanes[laneIndex];
    if (lane.state == Lane::State::Again)
        return false; // the job before was looked at before the wait
    const JobGrid::JobId id = lane.state == Lane::State::Cycle ? lane.job : lane.examine;
    lane.examine = 0;
    if (!m_check.On() || id == 0) {
        if (lane.state == Lane::State::Cycle) // the check was turned off
            lane.state = Lane::State::Idle;
        return false;
    }
    const int row = m_grid.RowOf(id);
    const ResultCheck::Step step =
        m_check.Check(lane.cycle, id, m_grid.Path(row), m_grid.MarkAt(row), m_grid.Reason(row));
    if (!step.small.isEmpty())
        Mark(row, M::Small, step.small);
    if (step.remove)
        QFile::remove(m_grid.Path(row));
    if (step.next != ResultCheck::Step::Next::LookAgain) {
        if (step.next == ResultCheck::Step::Next::GiveUp)
            Mark(row, M::GivenUp, step.reason);
        lane.state = Lane::State::Idle;
        return false;
    }
    lane.state = Lane::State::Cycle;
    lane.job = id;
    m_hosts.DueAt(laneIndex, m_hosts.Now() + ResultCheck::LookGapMs(m_hosts.PauseMs()));
    return true;
}

bool DownloadRun::Get1(int laneIndex) {
    Lane& lane = m_lanes[laneIndex];
    const qint64 now = m_hosts.Now();
    int row = 0;
    // A job that waited for what its server asked is due now; one that
    // waited for its turn under the rate is asked about again.
    const qint64 waitedUntil = lane.state == Lane::State::Again ? lane.waitedUntil : -1;
    lane.hostWait = false;
    lane.waitedUntil = -1;
    if (lane.state == Lane::State::Again) {
        row = m_grid.RowOf(lane.job);
        if (row == 0) { // deleted while it waited
            lane.state = Lane::State::Idle;
            return Get1(laneIndex);
        }
    } else {
        // Jobs other lanes hold are theirs: the walk goes past them.
        // The walk stands at the job of its row, whatever was deleted since.
        row = m_walk.Row();
        m_walk.SetRow(row);
        while (m_grid.IsJobRow(row) && m_lanes.Holds(m_grid.IdAt(row)))
            m_walk.SetRow(++row);
        if (row >= m_grid.NextRow()) {
            if (!m_lanes.AllDone()) {
                lane.parked = true; // the others' ends tick again
                return false;
            }
            Finish(End::Completed);
            return true;
        }
        if (!StatusMark::IsFetched(m_grid.MarkAt(row))) {
            m_walk.SetRow(row + 1);
            lane.examine = m_grid.IdAt(row);
            m_hosts.DueAt(laneIndex, now);
            return false;
        }
    }
    const JobGrid::JobId id = m_grid.IdAt(row);
    if (m_lanes.PathBusy(laneIndex, id, m_grid.Path(row), m_grid)) {
        // Two jobs never write one path at once: this one waits for the
        // other to be settled, keeping its place when it has one.
        lane.parked = true;
        return false;
    }
    lane.state = Lane::State::Idle;
    // Retried by hand or being tried again: the server is asked, whatever
    // is at the path.
    const QString down = m_hosts.ConnectsFailing()
                             ? m_hosts.DownReason(m_lanes[0].client->AddressOf(m_grid.Url(row)))
                             : QString();
    const JobScreen::Verdict screened =
        m_screen.Screen(m_grid.Path(row), m_grid.Refetch(id) || m_tries.Retrying(id), down);
    const DownloadClient::PathFound found = screened.found;
    if (screened.kind != JobScreen::Verdict::Kind::Fetch)
        Mark(row, screened.mark, screened.reason);
    if (screened.kind == JobScreen::Verdict::Kind::Skipped) {
        m_check.Know(id, screened.size);
        lane.cycle.skipPending = true;
        lane.cycle.retryCount = 0;
    }
    if (screened.kind != JobScreen::Verdict::Kind::Fetch) {
        if (m_walk.At(id))
            m_walk.SetRow(row + 1);
        lane.examine = id;
        m_hosts.DueAt(laneIndex, now);
        return false;
    }
    const QString host = HostScheduler::HostOf(m_grid.Url(row));
    const qint64 due = m_hosts.HostDue(host, waitedUntil);
    if (!m_hosts.AtCap(host) && due <= now) {
        lane.waitedUntil = waitedUntil;
        GetData(laneIndex, row, found);
        return false;
    }
    // Jobs start in grid order: this one is taken again by the lane's next
    // step, once its server has a place for it or its turn has come.
    lane.HoldAgain(id);
    lane.parked = m_hosts.AtCap(host);
    lane.hostWait = !lane.parked;
    if (lane.hostWait)
        m_hosts.DueAt(laneIndex, due);
    return false;
}

void DownloadRun::GetData(int laneIndex, int row, DownloadClient::PathFound found) {
    Lane& lane = m_lanes[laneIndex];
    const QString url = m_grid.Url(row);
    lane.state = Lane::State::InFlight;
    lane.job = m_grid.IdAt(row);
    lane.path = m_grid.Path(row);
    lane.host = HostScheduler::HostOf(url);
    lane.address = lane.client->AddressOf(url);
    lane.held = true;
    m_hosts.Started(lane.host);
    Mark(row, M::Requested);
    try {
        lane.client->Start(url, lane.path, found);
        return;
    } catch (...) {
        // It never ran: its end is told here, as the client would have.
        DownloadOutcome outcome;
        outcome.errorText = ExceptionText(std::current_exception());
        outcome.reason =
            outcome.errorText.isEmpty()
                ? QCoreApplication::translate("DownloadRun", "The request ended without an outcome")
                : outcome.errorText;
        Finished(laneIndex, outcome);
    }
}

JobPolicy::JobState DownloadRun::StateOf(const Lane& lane, const DownloadOutcome& outcome) {
    // A job a new "Go!" let go of is still this run's once the new walk
    // has reached it: no later step would fetch or look at it again.
    const int row = m_grid.RowOf(lane.job);
    const bool held = row != 0 && (lane.held || row <= m_walk.Row());
    JobPolicy::JobState state = m_tries.StateOf(lane.job, m_retries, lane.cycle.retryCount, held);
    // Counted where the request was to connect, the key the next jobs are
    // looked up by; a failure before any connection counts for nothing.
    if (outcome.status == DownloadOutcome::Status::Failed &&
        outcome.kind == JobPolicy::Failure::Connect && !lane.address.isEmpty())
        state.addressDown = m_hosts.ConnectFailed(
            lane.address, outcome.reason.startsWith(QStringLiteral("Connection refused")));
    return state;
}

void DownloadRun::HoldForHost(int laneIndex, qint64 seconds, bool retryAfter) {
    Lane& lane = m_lanes[laneIndex];
    lane.HoldAgain(lane.job);
    lane.waitedUntil = m_hosts.Now() + seconds * 1000;
    // "Stop!" pressed during the request is not put off by the wait.
    m_hosts.DueAt(laneIndex, m_cancelRequested ? m_hosts.Now() : lane.waitedUntil);
    emit waitingForHost(lane.job, seconds, retryAfter);
}

void DownloadRun::Finished(int laneIndex, const DownloadOutcome& outcome) {
    Lane& lane = m_lanes[laneIndex];
    if (lane.state != Lane::State::InFlight)
        return;
    lane.state = Lane::State::Idle;
    m_hosts.Ended(lane.host);
    if (outcome.answered || outcome.Succeeded())
        m_hosts.Answered(lane.address);
    if (outcome.Succeeded())
        m_hosts.Succeeded(lane.host);
    for (Lane& other : m_lanes)
        other.parked = false;

    const JobGrid::JobId id = lane.job;
    const int row = m_grid.RowOf(id);
    // Before the mark: a "○" file has the server's time when that is asked.
    if (m_remoteTime && row != 0 && outcome.Succeeded() && outcome.saved >= 0)
        GiveServerTime(m_grid.Path(row), outcome.lastModified);
    const JobPolicy::JobState state = StateOf(lane, outcome);
    const JobPolicy::Decision decision = JobPolicy::Decide(state, outcome);
    using Next = JobPolicy::Decision::Next;
    lane.examine = 0;
    lane.held = state.held;
    // The size it saved is trusted only by the check that follows now; a job
    // let go of is looked at on disk when the walk comes to it, since
    // another job may have written its path by then.
    m_check.Know(id, state.held ? outcome.saved : -1);
    m_tries.Record(id, state, decision.next, outcome.Cancelled());

    if (const qint64 waited = std::exchange(lane.waitedUntil, -1);
        waited >= 0 && decision.next != Next::WaitHost && decision.next != Next::TryAgain)
        m_hosts.EndWait(lane.host, waited);
    switch (decision.next) {
    case Next::WaitHost:
        HoldForHost(laneIndex, m_hosts.LeaveAlone(lane.host, decision.asked), decision.asked > 0);
        break;
    case Next::TryAgain:
        HoldForHost(laneIndex, m_hosts.LeaveAlone(lane.host, 0), false);
        break;
    case Next::Keep:
        m_hosts.Pause(laneIndex);
        break;
    case Next::Mark: {
        // A success or a given-up job moves the walk on when it stands at
        // it; a failed one is passed over by the next tick.
        const bool advance = row != 0 && m_walk.At(id) && decision.mark != M::Failed;
        // A file saved whole keeps what identifies it, so that a later
        // check of the list can ask whether the server's copy changed.
        if (decision.mark == M::Done && outcome.Succeeded() && outcome.saved >= 0)
            m_grid.SetValidators(row, {outcome.etag.toLatin1(), outcome.lastModified.toLatin1()});
        Mark(row, decision.mark, decision.reason);
        if (advance)
            m_walk.SetRow(row + 1);
        if (decision.mark == M::Done || decision.mark == M::GivenUp) {
            lane.cycle.retryActive = false;
            if (decision.mark == M::Done)
                lane.cycle.retryCount = 0;
        }
        if (lane.held)
            lane.examine = id;
        m_hosts.Pause(laneIndex);
        break;
    }
    }
    if (!outcome.answered && !outcome.Succeeded())
        emit requestError(id, outcome.errorText);
    emit requestEnded(id, outcome);
    Arm();
}
