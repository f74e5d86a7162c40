#pragma once

#include <QHash>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <limits>
#include <vector>

/// When the run may start its next request, and where: the pause each lane
/// (a connection, one file at once) waits after its request, the cap on
/// request starts per server (--rate), the wait a server asked for
/// (Retry-After) or its back-off, the number of requests in flight per
/// server, and the addresses that refused every connection of late. Time
/// comes from an injected clock, so its rules are tested without waiting.
class HostScheduler {
public:
    /// Milliseconds on a monotonic clock.
    using Clock = std::function<qint64()>;
    static constexpr qint64 kNever = std::numeric_limits<qint64>::max();
    /// A server that asked to be left alone for longer is left alone this
    /// many seconds; one that named no time gets a back-off that starts at
    /// 1 s and doubles up to kMaxBackOffS.
    static constexpr qint64 kMaxRetryAfterS = 300;
    static constexpr qint64 kMaxBackOffS = 60;

    /// `clock` defaults to a monotonic clock started now.
    explicit HostScheduler(Clock clock = {});

    qint64 Now();

    // --- lanes ---------------------------------------------------------------
    void SetLanes(int count);
    int Lanes() const { return int(laneDue_.size()); }
    void SetPauseMs(int ms) { pauseMs_ = qMax(0, ms); }
    int PauseMs() const { return pauseMs_; }
    /// A number from 0 up to (not including) 1, drawn anew each time.
    using Random = std::function<double()>;
    /// Each pause lasts from 0.5 to 1.5 times PauseMs(), as `random` draws
    /// it (wget's --random-wait): a steady beat is what a server's robot
    /// check looks for. An unset `random` is the system's generator.
    void SetRandomWait(bool on, Random random = {});
    /// The lane's request has just ended: it waits the pause.
    void Pause(int lane) { laneDue_[size_t(lane)] = Now() + NextPauseMs(); }
    /// How long the next pause lasts.
    qint64 NextPauseMs();
    /// The lane's next step is due at `ms` (now when 0 or in the past).
    void DueAt(int lane, qint64 ms) { laneDue_[size_t(lane)] = ms; }
    qint64 LaneDue(int lane) const { return laneDue_[size_t(lane)]; }
    bool LaneDueNow(int lane) { return LaneDue(lane) <= Now(); }

    // --- servers ---------------------------------------------------------------
    /// The server a URL goes to, as its waits are kept: "scheme://host:port".
    static QString HostOf(const QString& url);
    /// At most `perSecond` request starts a second to each server (0: no cap).
    void SetRateLimit(double perSecond);
    /// At most `count` requests in flight to one server (0: no cap), but
    /// for a server that carries them all on one connection.
    void SetMaxPerHost(int count) { maxPerHost_ = qMax(0, count); }
    /// Whether the last connection to `host` carries many requests at once
    /// (HTTP/2 streams): the cap does not hold for it.
    void SetMultiplexed(const QString& host, bool on) { hosts_[host].multiplexed = on; }
    bool Multiplexed(const QString& host) const { return hosts_.value(host).multiplexed; }
    /// The first time a request to `host` may start: after what it asked
    /// for and after its turn under the rate. A caller that has waited
    /// until `waitedUntil` for what the server asked is not held by a wait
    /// that ends by then (its timer was that wait).
    qint64 HostDue(const QString& host, qint64 waitedUntil = -1) const;
    /// Whether `host` has as many requests in flight as it may have.
    bool AtCap(const QString& host) const;
    void Started(const QString& host);
    void Ended(const QString& host);
    /// The server asked to be left alone for `asked` seconds (0: it named
    /// no time, so its back-off grows): the seconds it is left alone, from
    /// now on for every request to it.
    qint64 LeaveAlone(const QString& host, qint64 asked);
    /// A success from `host`: its back-off starts afresh.
    void Succeeded(const QString& host) { backOffS_.remove(host); }
    /// The job that waited for `host` until `waitedUntil` has been settled:
    /// its next request told what the server had to say, so that wait is
    /// over for all (not a longer one asked of another request since).
    void EndWait(const QString& host, qint64 waitedUntil);

    // --- addresses ("host:port" connected to) ---------------------------------
    /// A connection try to `address` failed (`refused`: it was refused);
    /// true when the address now counts as down (JobPolicy::kDownAfter
    /// such tries in a row).
    bool ConnectFailed(const QString& address, bool refused);
    /// A reply came from `address`: only failures in a row make it down.
    void Answered(const QString& address);
    /// Some address has failed a connection try of late (only then is it
    /// worth asking whether a job's address is down).
    bool ConnectsFailing() const { return !connects_.isEmpty(); }
    /// "not tried: …" when `address` is down, else empty.
    QString DownReason(const QString& address) const;

    /// A new run: addresses are tried afresh and no server's wait is kept;
    /// the back-offs start afresh too unless `keepBackOffs` (the last run
    /// is still under way).
    void NewRun(bool keepBackOffs);

private:
    Clock clock_;
    qint64 now_ = 0;
    int pauseMs_ = 0;
    Random random_; ///< set: pauses vary
    std::vector<qint64> laneDue_;
    qint64 rateGapMs_ = 0;
    int maxPerHost_ = 0;
    struct Host {
        qint64 lastStartMs = -1;
        qint64 aloneUntilMs = 0;
        int inFlight = 0;
        bool multiplexed = false;
    };
    QHash<QString, Host> hosts_;
    QHash<QString, qint64> backOffS_;
    struct Connects {
        int failed = 0;
        bool refused = true;
    };
    QHash<QString, Connects> connects_;
};
