#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

/// Periodic timer on the owning thread's event loop: fires `OnTimer` every
/// `Interval` milliseconds while `Enabled`, `Interval` is not 0 and `OnTimer`
/// is assigned. Every change of one of the three restarts the period from zero.
/// The socket session uses it as its time-out clock (it disables it on the
/// first tick, so for the session it is a one-shot).
class TThreadTimer : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(QObject* sender)>;

    /// Enabled, 1000 ms, no handler: nothing runs until `OnTimer` is set.
    explicit TThreadTimer(QObject* owner = nullptr);
    ~TThreadTimer() override;

    bool Enabled() const { return enabled_; }
    /// A new value restarts the timer; the same value does nothing.
    void SetEnabled(bool enabled);

    int Interval() const { return interval_; }
    /// A new value restarts the timer (0 stops it); the same value does nothing.
    /// A negative value is treated as 0.
    void SetInterval(int ms);

    const TNotifyEvent& OnTimer() const { return onTimer_; }
    /// Always restarts the timer, even when the handler stays the same.
    void SetOnTimer(TNotifyEvent handler);

    /// True while the underlying system timer runs.
    bool IsRunning() const { return timer_.isActive(); }

private:
    void UpdateTimer();
    void Tick();

    bool enabled_ = true;
    int interval_ = 1000;
    TNotifyEvent onTimer_;
    QTimer timer_;
};
