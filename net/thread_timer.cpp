#include "net/thread_timer.h"

#include <QDebug>
#include <exception>

TThreadTimer::TThreadTimer(QObject* owner)
    : QObject(owner) {
    // Time-outs are measured to the millisecond; a coarse timer fires up to 5% early.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &TThreadTimer::Tick);
}

TThreadTimer::~TThreadTimer() {
    enabled_ = false;
    UpdateTimer();
}

void TThreadTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_)
        return;
    enabled_ = enabled;
    UpdateTimer();
}

void TThreadTimer::SetInterval(int ms) {
    if (ms < 0)
        ms = 0;
    if (ms == interval_)
        return;
    interval_ = ms;
    UpdateTimer();
}

void TThreadTimer::SetOnTimer(TNotifyEvent handler) {
    onTimer_ = std::move(handler);
    UpdateTimer();
}

void TThreadTimer::UpdateTimer() {
    timer_.stop();
    if (interval_ != 0 && enabled_ && onTimer_)
        timer_.start(interval_);
}

void TThreadTimer::Tick() {
    if (!onTimer_)
        return;
    // Nothing may escape into the event loop; the program goes on.
    try {
        auto handler = onTimer_;
        handler(this);
    } catch (const std::exception& e) {
        qWarning() << "TThreadTimer: OnTimer failed:" << e.what();
    } catch (...) {
        qWarning() << "TThreadTimer: OnTimer failed";
    }
}
