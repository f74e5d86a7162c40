#include "net/powersock_waits.h"

#include "net/powersock.h"
#include "net/powersock_errors.h"
#include "net/powersock_sender.h"
#include "net/socket_transport.h"
#include "net/thread_timer.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>
#include <utility>

PowersockWaits::PowersockWaits(TPowersock& session)
    : session_(session)
    , timer_(new TThreadTimer(&session))
    , resume_(new QTimer(&session))
    , pause_(new QTimer(&session)) {
    pause_->setSingleShot(true);
    pause_->setTimerType(Qt::PreciseTimer);
    QObject::connect(pause_, &QTimer::timeout, &session, [this] { ResumeNow(); });
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](QObject*) { TimerFired(); });
    resume_->setSingleShot(true);
    resume_->setInterval(0);
    QObject::connect(resume_, &QTimer::timeout, &session, [this] { ResumeNow(); });
}

void PowersockWaits::TimerOn() {
    session_.ReportStatus(8, QCoreApplication::translate("PowersockWaits", "Timer On"));
    session_.TimedOut = false;
    // Disabling first restarts a running period: the time-out counts from the
    // last activity, not from the first TimerOn of a long transfer.
    timer_->SetEnabled(false);
    timer_->SetInterval(session_.TimeOut());
    timer_->SetEnabled(true);
}

void PowersockWaits::TimerOff() {
    session_.ReportStatus(8, QCoreApplication::translate("PowersockWaits", "Timer Off"));
    timer_->SetEnabled(false);
}

void PowersockWaits::StopTimer() {
    timer_->SetEnabled(false);
}

void PowersockWaits::TimerFired() {
    session_.ReportStatus(8, QCoreApplication::translate("PowersockWaits", "Timer Triggered"));
    TimerOff();
    session_.TimedOut = true;
    session_.EventArrived = true;
    session_.Abort();
    ResumeNow();
}

void PowersockWaits::EventAwaiter::await_suspend(std::coroutine_handle<> waiting) {
    // An unconnected socket reads as hung up; only watch it once it carries
    // a connection (or listens). A wait that will not read leaves it alone,
    // or unread data would wake it at once, round after round.
    TPowersock& session = waits.session_;
    if (watchRead && (session.IsConnected || session.listening_))
        session.transport_->armRead();
    waits.waiting_ = waiting;
    if (yield)
        waits.Wake();
    if (pauseMs >= 0)
        waits.pause_->start(pauseMs);
}

void PowersockWaits::ResumeNow() {
    // A pause ended by anything else must not wake a later wait.
    pause_->stop();
    if (const std::coroutine_handle<> waiting = std::exchange(waiting_, {}))
        waiting.resume();
}

void PowersockWaits::Wake() {
    // Queued, so that an event raised inside the running step (a handler
    // that cancels) never resumes that step from within itself, and every
    // resumption starts from the event loop.
    if (waiting_ && !resume_->isActive())
        resume_->start();
}

void PowersockWaits::HandleEvent(int event, int error) {
    // The operation goes on once the event is recorded.
    const auto resume = qScopeGuard([this] { ResumeNow(); });
    TPowersock& s = session_;
    try {
        if (event == SocketTransport::Writable) {
            s.sender_->MarkWritable();
            return;
        }
        s.LastEventOk = error == 0;
        switch (event) {
        case SocketTransport::Read:
            try {
                if (s.OnReadReady)
                    s.OnReadReady(&s);
            } catch (...) {
            }
            break;
        case SocketTransport::Accept:
            s.IsConnected = true;
            // Lets Accept go on without help from the session's user.
            s.EventArrived = true;
            if (s.OnAcceptReady)
                s.OnAcceptReady(&s);
            break;
        case SocketTransport::ConnectDone:
            if (s.LastEventOk) {
                s.IsConnected = true;
                if (s.OnConnect)
                    s.OnConnect(&s);
            } else {
                // Kept, so that a failed connect can say refused or no route.
                s.LastErrorCode = error;
            }
            break;
        case SocketTransport::Close:
            // Unread data is delivered first; the reader then meets the end
            // of the stream itself. A reset is kept for the reader, who would
            // otherwise take the cut stream for a whole one.
            if (!s.DataAvailable()) {
                s.errors_->KeepCloseError(error);
                s.CloseSocket();
            }
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing may escape into the event loop.
    }
}
