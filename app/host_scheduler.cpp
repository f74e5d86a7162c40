#include "app/host_scheduler.h"

#include "app/job_policy.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QUrl>
#include <algorithm>
#include <cmath>
#include <memory>

void HostScheduler::SetRandomWait(bool on, Random random) {
    if (!on) {
        random_ = {};
        return;
    }
    random_ =
        random ? std::move(random) : [] { return QRandomGenerator::global()->generateDouble(); };
}

qint64 HostScheduler::NextPauseMs() {
    if (!random_)
        return pauseMs_;
    const double factor = 0.5 + std::clamp(random_(), 0.0, 1.0);
    return qint64(std::llround(double(pauseMs_) * factor));
}

HostScheduler::HostScheduler(Clock clock)
    : clock_(std::move(clock)) {
    if (!clock_) {
        auto started = std::make_shared<QElapsedTimer>();
        started->start();
        clock_ = [started] { return started->elapsed(); };
    }
    laneDue_.assign(1, 0);
}

qint64 HostScheduler::Now() {
    now_ = qMax(now_, clock_());
    return now_;
}

void HostScheduler::SetLanes(int count) {
    laneDue_.resize(size_t(qMax(1, count)), 0);
}

QString HostScheduler::HostOf(const QString& url) {
    const QUrl parsed(url);
    return parsed.scheme().toLower() + QStringLiteral("://") + parsed.host() + ':' +
           QString::number(parsed.port(-1));
}

void HostScheduler::SetRateLimit(double perSecond) {
    rateGapMs_ = perSecond > 0 ? qint64(std::ceil(1000.0 / perSecond)) : 0;
}

qint64 HostScheduler::HostDue(const QString& host, qint64 waitedUntil) const {
    const auto found = hosts_.constFind(host);
    if (found == hosts_.cend())
        return 0;
    qint64 due = found->aloneUntilMs <= waitedUntil ? 0 : found->aloneUntilMs;
    if (rateGapMs_ > 0 && found->lastStartMs >= 0)
        due = qMax(due, found->lastStartMs + rateGapMs_);
    return due;
}

bool HostScheduler::AtCap(const QString& host) const {
    const Host found = hosts_.value(host);
    return maxPerHost_ > 0 && !found.multiplexed && found.inFlight >= maxPerHost_;
}

void HostScheduler::Started(const QString& host) {
    Host& h = hosts_[host];
    h.lastStartMs = Now();
    ++h.inFlight;
}

void HostScheduler::Ended(const QString& host) {
    if (const auto found = hosts_.find(host); found != hosts_.end() && found->inFlight > 0)
        --found->inFlight;
}

qint64 HostScheduler::LeaveAlone(const QString& host, qint64 asked) {
    qint64 seconds = 0;
    if (asked > 0) {
        seconds = qMin(asked, kMaxRetryAfterS);
    } else {
        qint64& backOff = backOffS_[host];
        backOff = backOff == 0 ? 1 : qMin(backOff * 2, kMaxBackOffS);
        seconds = backOff;
    }
    qint64& until = hosts_[host].aloneUntilMs;
    until = qMax(until, Now() + seconds * 1000);
    return seconds;
}

void HostScheduler::EndWait(const QString& host, qint64 waitedUntil) {
    if (const auto found = hosts_.find(host);
        found != hosts_.end() && found->aloneUntilMs <= waitedUntil)
        found->aloneUntilMs = 0;
}

bool HostScheduler::ConnectFailed(const QString& address, bool refused) {
    Connects& connects = connects_[address];
    ++connects.failed;
    connects.refused = connects.refused && refused;
    return connects.failed >= JobPolicy::kDownAfter;
}

void HostScheduler::Answered(const QString& address) {
    if (!connects_.isEmpty())
        connects_.remove(address);
}

QString HostScheduler::DownReason(const QString& address) const {
    if (connects_.isEmpty())
        return {};
    const auto connects = connects_.constFind(address);
    if (connects == connects_.cend() || connects->failed < JobPolicy::kDownAfter)
        return {};
    return JobPolicy::NotTriedReason(address, connects->refused);
}

void HostScheduler::NewRun(bool keepBackOffs) {
    connects_.clear();
    // What a server asked of the last run's requests is not waited out by
    // the next: a new "Go!" asks again.
    for (Host& host : hosts_)
        host.aloneUntilMs = 0;
    if (!keepBackOffs)
        backOffS_.clear();
}
