#include "app/run_lane.h"

#include <algorithm>

void RunLanes::Add(DownloadClient* client) {
    RunLane lane;
    lane.client = client;
    lanes_.push_back(lane);
}

bool RunLanes::Requesting() const {
    return std::any_of(begin(), end(), [](const RunLane& l) { return l.InFlight(); });
}

bool RunLanes::Holds(JobGrid::JobId id) const {
    return std::any_of(begin(), end(), [id](const RunLane& l) { return l.Holds(id); });
}

bool RunLanes::AllDone() const {
    return std::all_of(begin(), end(), [](const RunLane& l) { return l.Done(); });
}

bool RunLanes::PathBusy(int lane, JobGrid::JobId id, const QString& path,
                        const JobGrid& grid) const {
    for (int i = 0; i < Count(); ++i) {
        const RunLane& other = lanes_[size_t(i)];
        if (i == lane)
            continue;
        // A job ended and not yet looked at: its check may remove the file.
        if (other.examine != 0 && other.examine != id &&
            grid.Path(grid.RowOf(other.examine)) == path)
            return true;
        if (other.state == RunLane::State::Idle || other.job == id)
            continue;
        // Of two jobs waiting to be fetched again, the earlier goes first.
        if (other.state == RunLane::State::Again && other.job > id)
            continue;
        if ((other.InFlight() ? other.path : grid.Path(grid.RowOf(other.job))) == path)
            return true;
    }
    return false;
}

std::vector<int> RunLanes::Due(const HostScheduler& hosts, qint64 now) {
    std::vector<int> due;
    for (int i = 0; i < Count(); ++i) {
        lanes_[size_t(i)].parked = false;
        if (!lanes_[size_t(i)].InFlight() && hosts.LaneDue(i) <= now)
            due.push_back(i);
    }
    return due;
}

qint64 RunLanes::NextWake(const HostScheduler& hosts) const {
    qint64 wake = HostScheduler::kNever;
    for (int i = 0; i < Count(); ++i) {
        const RunLane& lane = lanes_[size_t(i)];
        // A lane parked with nothing to look at waits for another's end.
        if (!lane.InFlight() && !(lane.parked && lane.examine == 0))
            wake = qMin(wake, hosts.LaneDue(i));
    }
    return wake;
}

void RunLanes::Repause(HostScheduler& hosts, qint64 now) const {
    for (int i = 0; i < Count(); ++i) {
        const RunLane& lane = lanes_[size_t(i)];
        if (lane.InFlight() || lane.hostWait || hosts.LaneDue(i) <= now)
            continue;
        hosts.DueAt(i, now + (lane.state == RunLane::State::Cycle
                                  ? ResultCheck::LookGapMs(hosts.PauseMs())
                                  : hosts.PauseMs()));
    }
}

void RunLanes::NewRun(HostScheduler& hosts, qint64 due, bool forget) {
    for (int i = 0; i < Count(); ++i) {
        RunLane& lane = lanes_[size_t(i)];
        lane.cycle.retryCount = 0;
        if (forget)
            lane.client->NewRun();
        lane.held = !lane.InFlight();
        lane.LetGo();
        hosts.DueAt(i, due);
    }
}

void RunLanes::EndHostWaits(HostScheduler& hosts, qint64 now) const {
    for (int i = 0; i < Count(); ++i)
        if (lanes_[size_t(i)].hostWait && hosts.LaneDue(i) > now)
            hosts.DueAt(i, now);
}
