#include "app/download_run.h"

#include "app/status_mark.h"

#include <algorithm>

QString DownloadRun::NoJobsMessage() {
    return tr("登録されていません");
}

QString DownloadRun::AllDoneMessage() {
    return tr("登録されていたすべてのダウンロード完了");
}

DownloadRun::DownloadRun(JobGrid& grid, DownloadClient& client, QObject* parent,
                         HostScheduler::Clock clock)
    : QObject(parent)
    , m_grid(grid)
    , m_hosts(std::move(clock))
    , m_walk(grid) {
    qRegisterMetaType<DownloadRun::End>();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DownloadRun::Timer1Timer);
    m_hosts.SetPauseMs(kTickMs);
    m_hosts.SetMaxPerHost(kMaxConnectionsPerHost);
    m_lanes.Add(&client);
    Attach(0);
}

DownloadRun::~DownloadRun() {
    m_timer.stop();
    for (Lane& lane : m_lanes)
        lane.client->SetEvents({});
}

void DownloadRun::Attach(int lane) {
    m_lanes[lane].client->SetEvents({
        .connected = [this, lane] { NMHTTP1Connect(lane); },
        .status = [this, lane] { NMHTTP1Status(lane); },
        .packetReceived = [this, lane] { NMHTTP1PacketRecvd(lane); },
        .finished = [this, lane](const DownloadOutcome& outcome) { Finished(lane, outcome); },
    });
}

void DownloadRun::SetMoreClients(const std::vector<DownloadClient*>& clients) {
    if (Running() || m_shutdown)
        return;
    for (int i = 1; i < Parallel(); ++i)
        m_lanes[i].client->SetEvents({});
    m_lanes.DropAllButFirst();
    for (DownloadClient* client : clients) {
        m_lanes.Add(client);
        Attach(Parallel() - 1);
    }
    m_hosts.SetLanes(Parallel());
}

void DownloadRun::SetTickInterval(int ms) {
    m_hosts.SetPauseMs(ms);
    if (!m_timer.isActive())
        return;
    m_lanes.Repause(m_hosts, m_hosts.Now());
    Arm();
}

// --- helpers -----------------------------------------------------------------------

QString DownloadRun::FileNamePart(const QString& path) {
    qsizetype cut = -1;
    for (const QChar separator : {QChar('/'), QChar('\\'), QChar(':')})
        cut = qMax(cut, path.lastIndexOf(separator));
    return path.mid(cut + 1);
}

void DownloadRun::Mark(int row, JobList::Mark mark, const QString& reason) {
    if (!m_grid.IsJobRow(row)) // 0: the request's job was deleted during it
        return;
    m_grid.SetMark(row, mark);
    m_grid.SetReason(row, reason);
    const JobGrid::JobId id = m_grid.IdAt(row);
    // A job left untried is still to be fetched from the server.
    if (mark != JobList::Mark::Requested && mark != JobList::Mark::None)
        m_grid.DropRefetch(id);
    emit jobMarked(id, row, mark, reason);
    if (mark == JobList::Mark::Requested)
        emit jobStarted(id);
    else
        emit jobFinished(id, mark, reason);
}

void DownloadRun::Arm() {
    if (m_shutdown)
        return;
    const qint64 wake = m_lanes.NextWake(m_hosts);
    if (wake == HostScheduler::kNever) {
        m_timer.stop();
        return;
    }
    const qint64 now = m_hosts.Now();
    m_wakeAt = qMax(wake, now);
    m_timer.start(int(qMin<qint64>(m_wakeAt - now, std::numeric_limits<int>::max())));
}

// --- handlers ----------------------------------------------------------------------

void DownloadRun::GoButtonClick() {
    if (m_shutdown)
        return;
    const bool running = Running();
    m_tries.Clear();
    // Each run starts every server's back-off afresh: a server that failed
    // yesterday is not held off today by its doubled pause.
    m_hosts.NewRun(running);
    m_walk.SetRow(1);
    // The walk starts again from row 1: sizes kept for jobs it has not
    // looked at yet would be a pause old or more by the time it does.
    m_check.ForgetAll();
    const qint64 due = m_hosts.Now() + m_hosts.PauseMs();
    m_lanes.NewRun(m_hosts, due, !running);
    if (m_grid.NextRow() == 1) {
        emit messageRequested(NoJobsMessage());
        return;
    }
    // During a request this only arms the tick; the tick waits for the
    // request to end.
    m_wakeAt = due;
    m_timer.start(m_hosts.PauseMs());
}

void DownloadRun::CancelBtnClick() {
    // With no run under way there is nothing to stop; a flag left set here
    // would stop the next run at its first tick.
    if (m_shutdown || !Running())
        return;
    const bool again = m_cancelRequested;
    m_cancelRequested = true;
    // The stop is not put off for as long as a server asked to be left alone.
    m_lanes.EndHostWaits(m_hosts, m_hosts.Now());
    if (m_timer.isActive())
        Arm();
    emit stopping(m_grid.IdAt(m_walk.Row()));
    if (again)
        for (Lane& lane : m_lanes)
            if (lane.InFlight())
                lane.client->Abort();
}

void DownloadRun::Abort() {
    // "Stop!" and, for the requests under way, "Stop!" again.
    if (m_shutdown || !Running())
        return;
    if (!m_cancelRequested)
        CancelBtnClick();
    CancelBtnClick();
}

void DownloadRun::Finish(End end) {
    m_timer.stop();
    // Jobs in their cycle keep "▽", those to be fetched again "↓".
    for (Lane& lane : m_lanes)
        lane.LetGo();
    if (end == End::Cancelled) {
        m_cancelRequested = false;
        emit runFinished(End::Cancelled);
        return;
    }
    // The end first, so that the status bar and the saved list show it
    // while the message is read.
    emit runFinished(End::Completed);
    emit messageRequested(AllDoneMessage());
}

void DownloadRun::Timer1Timer() {
    m_timer.stop();
    if (m_shutdown)
        return;
    // A tick is the wake of the lanes it was armed for, even when it comes
    // a little early (or is called by hand).
    const qint64 now = qMax(m_hosts.Now(), m_wakeAt);
    const std::vector<int> due = m_lanes.Due(m_hosts, now);
    if (due.empty() && !m_cancelRequested) {
        // Armed by "Go!" during a request: its end arms the next tick.
        Arm();
        return;
    }
    // First each lane's look at its last job, then the stop, then the
    // lanes' next jobs: one at a time, a stop lets the last job be judged.
    std::vector<int> free;
    for (const int lane : due)
        if (!LookAtResult(lane))
            free.push_back(lane);
    if (m_cancelRequested) {
        if (Requesting())
            return; // the last request's end ticks again
        // Every job that ended is judged before the stop, as one at a time.
        for (int lane = 0; lane < Parallel(); ++lane)
            if (m_lanes[lane].examine != 0)
                LookAtResult(lane);
        Finish(End::Cancelled);
        return;
    }
    for (const int lane : free)
        if (Get1(lane) || m_shutdown)
            return;
    Arm();
}

void DownloadRun::Shutdown() {
    m_shutdown = true;
    m_timer.stop();
    for (Lane& lane : m_lanes)
        if (lane.InFlight())
            lane.client->Abort();
}

// --- client events -----------------------------------------------------------------

void DownloadRun::NMHTTP1Connect(int lane) {
    const Lane& l = m_lanes[lane];
    // Each connection says anew whether its server carries requests as
    // streams of one connection. One that does has room for the lanes its
    // cap held back: they start now, not once the first reply is in.
    const bool multiplexed = l.client->Multiplexed();
    if (multiplexed != m_hosts.Multiplexed(l.host)) {
        m_hosts.SetMultiplexed(l.host, multiplexed);
        if (multiplexed) {
            for (Lane& other : m_lanes)
                other.parked = false;
            if (!m_cancelRequested)
                Arm();
        }
    }
    emit connected(l.job);
}

void DownloadRun::NMHTTP1Status(int lane) {
    emit statusChanged(m_lanes[lane].client->StatusText());
}

void DownloadRun::NMHTTP1PacketRecvd(int lane) {
    const Lane& l = m_lanes[lane];
    emit progress(l.job, l.client->ReceivedBytes(), l.client->ExpectedBytes());
}
