#pragma once

#include "net/receive_pace.h"

#include <QElapsedTimer>
#include <QString>
#include <optional>

/// "200k" is 200 × 1024 bytes a second, "1.5M" 1.5 × 1024², "1G" 1024³, a
/// bare number bytes, as curl's --limit-rate counts (suffixes in either
/// case). nullopt for anything else, 0 and below included.
std::optional<qint64> ParseByteRate(const QString& text);

/// The bytes a second a run may take over all its transfers together: a
/// token bucket that holds at most one second's worth, so a pause never
/// buys a burst longer than a second. Milliseconds of any steady clock are
/// passed in.
class RateLimit {
public:
    /// 0 for no limit.
    explicit RateLimit(qint64 bytesPerSecond = 0)
        : rate_(bytesPerSecond) {}

    qint64 BytesPerSecond() const { return rate_; }
    /// How many bytes may be read now (at most `wanted`); 0 means wait
    /// WaitMs(). Without a limit, always `wanted`.
    qint64 Allowance(qint64 wanted, qint64 nowMs);
    /// Counts `bytes` read at `nowMs`.
    void Took(qint64 bytes, qint64 nowMs);
    /// Milliseconds until at least one byte may be read again.
    qint64 WaitMs(qint64 nowMs);

private:
    void Refill(qint64 nowMs);

    qint64 rate_ = 0;
    qint64 tokens_ = 0; ///< bytes that may be read now; below 0 after an overdraw
    qint64 lastMs_ = -1;
    qint64 carry_ = 0; ///< thousandths of a byte earned but not yet counted
};

/// A RateLimit as the sessions of a run ask it, on a monotonic clock
/// started with it.
class RateLimitPace : public ReceivePace {
public:
    explicit RateLimitPace(qint64 bytesPerSecond)
        : limit_(bytesPerSecond) {
        clock_.start();
    }
    qint64 Allowance(qint64 wanted) override { return limit_.Allowance(wanted, clock_.elapsed()); }
    void Took(qint64 bytes) override { limit_.Took(bytes, clock_.elapsed()); }
    qint64 WaitMs() override { return limit_.WaitMs(clock_.elapsed()); }

private:
    RateLimit limit_;
    QElapsedTimer clock_;
};
