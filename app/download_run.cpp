#include "app/download_run.h"

#include "app/content_check.h"
#include "app/download_client.h"
#include "app/status_mark.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

const QString DownloadRun::kNoJobsMessage = QStringLiteral("登録されていません");
const QString DownloadRun::kAllDoneMessage =
    QStringLiteral("登録されていたすべてのダウンロード完了");

DownloadRun::DownloadRun(JobGrid& grid, DownloadClient& client, QObject* parent)
    : QObject(parent)
    , m_grid(grid) {
    qRegisterMetaType<DownloadRun::End>();
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DownloadRun::Timer1Timer);
    m_clock.start();
    m_lanes.push_back(Lane{.client = &client, .request = {}});
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
        .succeeded = [this, lane] { NMHTTP1Success(lane); },
        .failed = [this, lane] { NMHTTP1Failure(lane); },
        .ended = [this, lane](bool threw,
                              const QString& error) { RequestEnded(lane, threw, error); },
    });
}

void DownloadRun::SetMoreClients(const std::vector<DownloadClient*>& clients) {
    if (Running() || m_shutdown)
        return;
    while (m_lanes.size() > 1) {
        m_lanes.back().client->SetEvents({});
        m_lanes.pop_back();
    }
    for (DownloadClient* client : clients) {
        m_lanes.push_back(Lane{.client = client, .request = {}});
        Attach(int(m_lanes.size()) - 1);
    }
}

bool DownloadRun::Requesting() const {
    return std::any_of(m_lanes.begin(), m_lanes.end(), [](const Lane& l) { return l.inGet; });
}

const DownloadClient* DownloadRun::ClientOf(JobGrid::JobId id) const {
    for (const Lane& lane : m_lanes)
        if (id != 0 && lane.request.job == id)
            return lane.client;
    return nullptr;
}

void DownloadRun::SetTickInterval(int ms) {
    m_intervalMs = qMax(0, ms);
    if (m_timer.isActive() && Parallel() > 1)
        StartTimer(Wait::None); // the tick works out the waits anew
    else if (m_timer.isActive() && m_armed != Wait::None)
        StartTimer(m_armed);
}

// --- CurrentRow, kept as a job id ----------------------------------------------

int DownloadRun::FirstRowFrom(JobGrid::JobId id) const {
    // Ids grow with the row, so the first row whose id is at least `id` is
    // where the job is, or where the jobs after it moved to.
    int low = 1;
    int high = m_grid.NextRow();
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (m_grid.IdAt(mid) < id)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

int DownloadRun::CurrentRow() const {
    return FirstRowFrom(m_currentJob);
}

void DownloadRun::SetCurrentRow(int row) {
    if (m_grid.IsJobRow(row))
        m_currentJob = m_grid.IdAt(row);
    else if (row >= m_grid.NextRow() && m_grid.JobCount() > 0)
        m_currentJob = m_grid.IdAt(m_grid.NextRow() - 1) + 1;
    else
        m_currentJob = 0;
}

bool DownloadRun::FollowingRequest() const {
    return m_currentJob == First().request.job;
}

int DownloadRun::OutcomeRow() const {
    return m_grid.RowOf(First().request.job);
}

// --- helpers -----------------------------------------------------------------------

QString DownloadRun::HostOf(const QString& url) {
    const QUrl parsed(url);
    return parsed.scheme().toLower() + QStringLiteral("://") + parsed.host() + ':' +
           QString::number(parsed.port(-1));
}

void DownloadRun::SetRateLimit(double perSecond) {
    m_rateGapMs = perSecond > 0 ? qint64(std::ceil(1000.0 / perSecond)) : 0;
}

int DownloadRun::CycleCheckMs() const {
    return (m_intervalMs + kSmallResultTries - 1) / kSmallResultTries;
}

void DownloadRun::StartTimer(Wait wait) {
    if (m_shutdown)
        return;
    m_armed = wait;
    switch (wait) {
    case Wait::Pause:
        m_timer.start(m_intervalMs);
        break;
    case Wait::CycleCheck:
        m_timer.start(CycleCheckMs());
        break;
    case Wait::None:
        m_timer.start(0);
        break;
    case Wait::Host:
        m_timer.start(int(m_hostWaitMs));
        break;
    }
}

void DownloadRun::Mark(int row, const QString& mark, const QString& reason) {
    if (!m_grid.IsJobRow(row)) // 0: the request's job was deleted during it
        return;
    m_grid.SetStatus(row, mark);
    m_grid.SetReason(row, reason);
    const JobGrid::JobId id = m_grid.IdAt(row);
    // A job left untried is still to be fetched from the server.
    if (mark != StatusMark::Requested && !mark.isEmpty())
        m_grid.DropRefetch(id);
    emit jobMarked(id, row, mark, reason);
    if (mark == StatusMark::Requested)
        emit jobStarted(id);
    else
        emit jobFinished(id, mark, reason);
}

DownloadRun::Found DownloadRun::LookAt(const QString& path) {
    if (path.isEmpty())
        return {};
    // One stat: QFileInfo keeps what it found for the questions after it
    // (asked first, whether it exists would cost a call of its own).
    const QFileInfo info(path);
    if (info.isFile())
        return {true, false, info.size()};
    return {false, !info.exists(), 0};
}

bool DownloadRun::SkipExisting(int row, DownloadClient::PathFound& found) {
    found = DownloadClient::PathFound::Unknown;
    if (!m_skipExisting)
        return false;
    const Found look = LookAt(m_grid.Path(row));
    if (!look.file) {
        // A folder there is the client's to refuse, with its own text.
        if (look.nothing)
            found = DownloadClient::PathFound::Nothing;
        return false;
    }
    Mark(row, StatusMark::Skipped);
    if (m_smallCheck)
        m_knownSize.insert(m_grid.IdAt(row), look.size);
    return true;
}

void DownloadRun::RememberSaved(const Lane& lane) {
    const qint64 saved = lane.client->SavedBytes();
    if (m_smallCheck && saved >= 0)
        m_knownSize.insert(lane.request.job, saved);
    else
        m_knownSize.remove(lane.request.job);
}

QString DownloadRun::FileNamePart(const QString& path) {
    qsizetype cut = -1;
    for (const QChar separator : {QChar('/'), QChar('\\'), QChar(':')})
        cut = qMax(cut, path.lastIndexOf(separator));
    return path.mid(cut + 1);
}

// --- handlers ----------------------------------------------------------------------

void DownloadRun::GoButtonClick() {
    if (m_shutdown)
        return;
    m_retryCount = 0;
    m_slowDowns = 0;
    m_tries.clear();
    m_connects.clear();
    // Each run starts every server's back-off afresh: a server that failed
    // yesterday is not held off today by its doubled pause.
    if (!Running())
        m_backOffS.clear();
    SetCurrentRow(1);
    // The walk starts again from row 1: sizes kept for jobs it has not
    // looked at yet would be a pause old or more by the time it does.
    m_knownSize.clear();
    if (!Running())
        for (Lane& lane : m_lanes)
            lane.client->NewRun();
    if (m_grid.NextRow() == 1) {
        emit messageRequested(kNoJobsMessage);
        return;
    }
    // During a request this only arms the tick; the tick waits for the
    // request to end (see Timer1Timer).
    StartTimer(Wait::Pause);
}

void DownloadRun::CancelBtnClick() {
    // With no run under way there is nothing to stop; a flag left set here
    // would stop the next run at its first tick.
    if (m_shutdown || !Running())
        return;
    const bool again = m_cancelRequested;
    m_cancelRequested = true;
    // The stop is not put off for as long as a server asked to be left
    // alone; with several clients the tick says when the last one is free.
    if (m_timer.isActive() && (m_armed == Wait::Host || Parallel() > 1))
        StartTimer(Wait::None);
    emit stopping(m_grid.IdAt(CurrentRow()));
    if (again)
        for (Lane& lane : m_lanes)
            if (lane.inGet) {
                lane.abortedByRun = true;
                lane.client->Abort();
            }
}

void DownloadRun::Abort() {
    // "Stop!" and, for the request under way, "Stop!" again.
    if (m_shutdown || !Running())
        return;
    if (!m_cancelRequested)
        CancelBtnClick();
    CancelBtnClick();
}

void DownloadRun::Timer1Timer() {
    m_timer.stop();
    if (m_shutdown)
        return;
    if (Parallel() > 1) {
        ParallelTick();
        return;
    }
    if (First().inGet) {
        // Armed by "Go!" during a request: one request at a time on the
        // client, so wait until this one has ended.
        m_tickDeferred = true;
        return;
    }

    int row = CurrentRow();
    // After a wait for the server the job before was looked at already.
    const bool resumed = std::exchange(m_armed, Wait::None) == Wait::Host;
    const bool cycle =
        !resumed && m_smallCheck && row > 1 && m_grid.IsJobRow(row - 1) && CheckSmallResult(row);
    SetCurrentRow(row);

    if (m_cancelRequested) {
        First().client->Abort();
        m_cancelRequested = false;
        emit runFinished(End::Cancelled);
        return;
    }

    if (StatusMark::IsFetched(m_grid.Status(row))) {
        Get1();
    } else {
        SetCurrentRow(row + 1);
        StartTimer(cycle ? Wait::CycleCheck : Wait::None);
    }
}

DownloadRun::SmallResult DownloadRun::ExamineResult(int row) {
    const QString path = m_grid.Path(row);
    bool exists = false;
    qint64 size = 0;
    if (const auto known = m_knownSize.find(m_grid.IdAt(row)); known != m_knownSize.end()) {
        // What this run wrote there, or just found there, is what is there.
        exists = true;
        size = *known;
        m_knownSize.erase(known);
    } else {
        const Found look = LookAt(path);
        exists = look.file;
        size = look.size;
    }
    const qint64 limit = qint64(m_limitKB) * 1024;
    // A web page saved under a picture's name is no more a result than an
    // empty file is; a failed job's error page is just what it should be.
    const bool tookAsResult = StatusMark::IsSuccess(m_grid.Status(row));
    const QString wrong =
        size > limit && tookAsResult ? ContentCheck::WrongContentReason(path) : QString();
    if (size > limit && wrong.isEmpty())
        return {};
    // A job that failed keeps the server's word as its reason.
    const QString failure = m_grid.Reason(row);
    const QString reason =
        !failure.isEmpty() ? failure
        : !wrong.isEmpty() ? wrong
        : !exists          ? QStringLiteral("No file was saved")
        : size == 0
            ? QStringLiteral("The saved file is empty")
            : QStringLiteral("Too small: %1 bytes, the limit is %2 KB").arg(size).arg(m_limitKB);
    return {true, exists, reason};
}

bool DownloadRun::CheckSmallResult(int& row) {
    // Only a job that claims a file is judged by it; a failed one keeps its
    // mark and its own reason.
    const QString before = m_grid.Status(row - 1);
    const bool claimsFile = StatusMark::IsSuccess(before) || before == StatusMark::Small;
    const SmallResult result = claimsFile ? ExamineResult(row - 1) : SmallResult{};
    if (!result.small) {
        if (m_skipPending)
            m_skipPending = false;
        else
            m_retryActive = false;
        return false;
    }
    row -= 1;
    const QString& path = m_grid.Path(row);
    const bool exists = result.exists;
    const QString& reason = result.reason;
    if (!m_retryActive) {
        Mark(row, StatusMark::Small, reason);
        m_retryActive = true;
        m_retryCount = 1;
    } else {
        ++m_retryCount;
    }
    if (exists)
        QFile::remove(path);
    if (m_retryCount > kSmallResultTries) {
        // The reason of the cycle's first look, not of this one: the file
        // was removed in between.
        const QString first = m_grid.Status(row) == StatusMark::Small ? m_grid.Reason(row) : reason;
        Mark(row, StatusMark::GivenUp, GivenUpReason(first));
        row += 1;
        m_retryCount = 0;
        return false;
    }
    return true;
}

void DownloadRun::Get1() {
    if (m_shutdown)
        return;
    if (First().inGet) {
        // One request at a time: go on once the one under way has ended.
        m_tickDeferred = true;
        return;
    }
    const int row = CurrentRow();
    if (row >= m_grid.NextRow()) {
        // The end first, so that the status bar and the saved list show it
        // while the message is read.
        emit runFinished(End::Completed);
        emit messageRequested(kAllDoneMessage);
        return;
    }
    DownloadClient::PathFound found = DownloadClient::PathFound::Unknown;
    const Screened screened = Screen(row, found);
    if (screened == Screened::Skipped) {
        m_skipPending = true;
        m_retryCount = 0;
    }
    if (screened != Screened::Fetch) {
        SetCurrentRow(row + 1);
        StartTimer(Wait::None);
        return;
    }
    if (m_rateGapMs > 0) {
        // A server is asked no more often than the rate allows.
        const QString host = HostOf(m_grid.Url(row));
        const qint64 now = m_clock.elapsed();
        const auto last = m_lastStartMs.constFind(host);
        if (last != m_lastStartMs.cend() && now - *last < m_rateGapMs) {
            m_hostWaitMs = m_rateGapMs - (now - *last);
            StartTimer(Wait::Host);
            return;
        }
        m_lastStartMs.insert(host, now);
    }
    Mark(row, StatusMark::Requested);
    GetData(found);
}

void DownloadRun::GetData(DownloadClient::PathFound found) {
    const int row = CurrentRow();
    Lane& lane = First();
    if (m_shutdown || lane.inGet || !m_grid.IsJobRow(row))
        return;
    m_tickDeferred = false;
    StartRequest(0, row, found);
}

void DownloadRun::StartRequest(int laneIndex, int row, DownloadClient::PathFound found) {
    Lane& lane = m_lanes[laneIndex];
    const QString url = m_grid.Url(row);
    lane.request = Request{m_grid.IdAt(row), m_grid.Path(row), lane.client->AddressOf(url)};
    lane.inGet = true;
    lane.abortedByRun = false;
    try {
        lane.client->Start(url, lane.request.path, found);
    } catch (const std::exception& e) {
        RequestEnded(laneIndex, true, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        RequestEnded(laneIndex, true, QStringLiteral("Unknown error"));
    }
}

QString DownloadRun::EndedReason(const QString& text) {
    return !text.isEmpty() ? text : QStringLiteral("The request ended without an outcome");
}

QString DownloadRun::RefusedReason(const DownloadClient& client) {
    const QString reason = client.FailureReason();
    return !reason.isEmpty() ? reason : QStringLiteral("The server refused the request");
}

QString DownloadRun::GivenUpReason(const QString& first) {
    return QStringLiteral("%1 (given up after %2 checks)").arg(first).arg(kSmallResultTries);
}

void DownloadRun::ServerAnswered(const Lane& lane, bool success) {
    // Only failed connection tries in a row make an address down.
    if (!m_connects.isEmpty())
        m_connects.remove(lane.request.address);
    // Looked up only when some server has a back-off.
    const int row = m_grid.RowOf(lane.request.job);
    if (success && row != 0 && !m_backOffS.isEmpty())
        m_backOffS.remove(HostOf(m_grid.Url(row)));
}

void DownloadRun::RequestEnded(int laneIndex, bool threw, const QString& error) {
    Lane& lane = m_lanes[laneIndex];
    if (Parallel() > 1) {
        LaneEnded(lane, threw, error);
        return;
    }
    if (!lane.inGet)
        return;
    lane.inGet = false;
    RememberSaved(lane);
    Request& request = lane.request;

    if (threw && lane.abortedByRun && !request.outcome) {
        // Our own abort (closing, or "Stop!" pressed twice) is no failure
        // of the job: it stays "↓" and is fetched again. The client never
        // leaves the cut body at the job's path.
        emit requestError(request.job, error);
        StartTimer(Wait::Pause);
    } else if (!request.outcome) {
        // A request that threw (refused, time-out, reset, bad URL...) or
        // ended without an outcome would otherwise leave the job at "↓"
        // with nothing to re-arm the timer: count it as a failure.
        request.outcome = true;
        ApplyFailure(FailureOf(*lane.client, threw, error));
        emit requestError(request.job, threw ? error : lane.client->StatusText());
    }
    if (m_tickDeferred)
        StartTimer(Wait::Pause);
    emit requestEnded(request.job);
}

void DownloadRun::Shutdown() {
    m_shutdown = true;
    m_timer.stop();
    for (Lane& lane : m_lanes)
        if (lane.inGet) {
            lane.abortedByRun = true;
            lane.client->Abort();
        }
}

// --- client events -----------------------------------------------------------------

void DownloadRun::NMHTTP1Connect(int lane) {
    emit connected(m_lanes[lane].request.job);
}

void DownloadRun::NMHTTP1Status(int lane) {
    emit statusChanged(m_lanes[lane].client->StatusText());
}

void DownloadRun::NMHTTP1PacketRecvd(int lane) {
    const Lane& l = m_lanes[lane];
    emit progress(l.request.job, l.client->ReceivedBytes(), l.client->ExpectedBytes());
}

void DownloadRun::NMHTTP1Success(int laneIndex) {
    Lane& lane = m_lanes[laneIndex];
    // One outcome per request, and only for a request of ours.
    if (!lane.inGet || lane.request.outcome)
        return;
    lane.request.outcome = true;
    if (Parallel() > 1) {
        LaneSucceeded(lane);
        return;
    }
    m_slowDowns = 0;
    m_tries.remove(lane.request.job);
    ServerAnswered(lane, true);
    MarkOutcomeAndMoveOn(StatusMark::Done);
    m_retryActive = false;
    m_retryCount = 0;
}

void DownloadRun::NMHTTP1Failure(int laneIndex) {
    Lane& lane = m_lanes[laneIndex];
    if (!lane.inGet || lane.request.outcome)
        return;
    lane.request.outcome = true;
    ServerAnswered(lane, false);
    if (Parallel() > 1) {
        LaneFailed(lane);
        return;
    }
    if (WaitForHost(lane.client->SlowDownSeconds()))
        return;
    ApplyFailure(ReplyFailure(*lane.client));
}

bool DownloadRun::WaitForHost(qint64 asked) {
    const int row = OutcomeRow();
    if (asked < 0 || row == 0 || !FollowingRequest() || m_slowDowns >= kMaxSlowDowns)
        return false;
    ++m_slowDowns;
    const qint64 seconds = HostWaitSeconds(m_grid.Url(row), asked);
    m_hostWaitMs = seconds * 1000;
    // CurrentRow stays at the job, which stays "↓": the tick after the
    // wait fetches it again.
    emit waitingForHost(First().request.job, seconds, asked > 0);
    // "Stop!" pressed during the request is not put off by the wait.
    StartTimer(m_cancelRequested ? Wait::None : Wait::Host);
    return true;
}

qint64 DownloadRun::HostWaitSeconds(const QString& url, qint64 asked) {
    if (asked > 0)
        return qMin(asked, kMaxRetryAfterS);
    qint64& backOff = m_backOffS[HostOf(url)];
    backOff = backOff == 0 ? 1 : qMin(backOff * 2, kMaxBackOffS);
    return backOff;
}

DownloadClient::Failure DownloadRun::ReplyFailure(const DownloadClient& client) {
    DownloadClient::Failure failure = client.LastFailure();
    if (failure.reason.isEmpty())
        failure.reason = RefusedReason(client);
    return failure;
}

DownloadClient::Failure DownloadRun::FailureOf(const DownloadClient& client, bool threw,
                                               const QString& error) {
    if (!threw) // ended without an outcome: nothing says it would go better
        return {JobPolicy::Failure::Final, EndedReason(client.StatusText()), {}};
    DownloadClient::Failure failure = client.LastFailure();
    if (failure.reason.isEmpty()) // it could not even start: the client's text
        failure = {JobPolicy::Failure::Final, EndedReason(error), {}};
    return failure;
}

JobPolicy::Verdict DownloadRun::Judge(const Lane& lane, const DownloadClient::Failure& failure) {
    const JobGrid::JobId id = lane.request.job;
    // Counted where the request was to connect, the key the next jobs are
    // looked up by; a failure before any connection counts for nothing.
    bool down = false;
    const QString& address = lane.request.address;
    if (!address.isEmpty() && failure.kind == JobPolicy::Failure::Connect) {
        Connects& connects = m_connects[address];
        ++connects.failed;
        connects.refused =
            connects.refused && failure.reason.startsWith(QStringLiteral("Connection refused"));
        down = connects.failed >= JobPolicy::kDownAfter;
    } else if (failure.answered) {
        m_connects.remove(address);
    }
    const int tries = m_tries.value(id) + 1;
    JobPolicy::Verdict verdict =
        JobPolicy::Judge(failure.kind, failure.reason, tries, m_retries, down, m_retryCount);
    if (verdict.tryAgain && m_grid.RowOf(id) != 0)
        m_tries.insert(id, tries);
    else
        m_tries.remove(id);
    return verdict;
}

void DownloadRun::ApplyFailure(const DownloadClient::Failure& failure) {
    m_slowDowns = 0;
    const JobPolicy::Verdict verdict = Judge(First(), failure);
    const int row = OutcomeRow();
    if (verdict.tryAgain && row != 0) {
        // The job stays "↓" and CurrentRow with it (unless "Go!" moved it
        // meanwhile, which fetches it again anyway): the tick after the
        // server's back-off fetches it again.
        if (FollowingRequest()) {
            const qint64 seconds = HostWaitSeconds(m_grid.Url(row), 0);
            m_hostWaitMs = seconds * 1000;
            emit waitingForHost(First().request.job, seconds, false);
            StartTimer(m_cancelRequested ? Wait::None : Wait::Host);
        } else {
            StartTimer(Wait::Pause);
        }
        return;
    }
    if (verdict.mark == StatusMark::GivenUp) {
        MarkOutcomeAndMoveOn(StatusMark::GivenUp, verdict.reason);
        m_retryActive = false;
    } else {
        // CurrentRow stays: the next tick passes over the "▼".
        Mark(row, verdict.mark, verdict.reason);
        StartTimer(Wait::Pause);
    }
}

DownloadRun::Screened DownloadRun::Screen(int row, DownloadClient::PathFound& found) {
    found = DownloadClient::PathFound::Unknown;
    if (m_refuseHidden) {
        if (const QString reason = JobPolicy::PathRefusal(m_grid.Path(row)); !reason.isEmpty()) {
            Mark(row, StatusMark::Failed, reason);
            return Screened::Refused;
        }
    }
    // Retried by hand or being tried again: the server is asked, whatever
    // is at the path.
    const JobGrid::JobId id = m_grid.IdAt(row);
    if (!m_grid.Refetch(id) && !m_tries.contains(id) && SkipExisting(row, found))
        return Screened::Skipped;
    if (m_connects.isEmpty())
        return Screened::Fetch;
    const QString address = First().client->AddressOf(m_grid.Url(row));
    const auto connects = m_connects.constFind(address);
    if (connects == m_connects.cend() || connects->failed < JobPolicy::kDownAfter)
        return Screened::Fetch;
    Mark(row, QString(), JobPolicy::NotTriedReason(address, connects->refused));
    return Screened::Untried;
}

void DownloadRun::MarkOutcomeAndMoveOn(const QString& mark, const QString& reason) {
    // A job deleted meanwhile has no row to mark, and CurrentRow has moved on
    // to the job after it already; after "Go!" it points at row 1 instead.
    const int row = OutcomeRow();
    const bool advance = row != 0 && FollowingRequest();
    Mark(row, mark, reason);
    if (advance)
        SetCurrentRow(row + 1);
    StartTimer(Wait::Pause);
}
