#pragma once

#include <QtGlobal>
#include <coroutine>

class QTimer;
class TPowersock;
class TThreadTimer;

/// Where a TPowersock operation waits and what ends the wait: the socket's
/// notifications (recorded on the session and passed to its events), the
/// time-out timer, and a cancel. Only one operation waits at a time; it is
/// resumed once what woke it is recorded. The session owns one.
class PowersockWaits {
public:
    explicit PowersockWaits(TPowersock& session);

    /// Suspends the operation until the session's next event (a socket
    /// notification, the lookup, a timer, a cancel); with `watchRead`, a
    /// connected socket's next read notification counts.
    struct EventAwaiter {
        PowersockWaits& waits;
        bool watchRead;
        bool yield;
        int pauseMs = -1; ///< >= 0: the wait ends after this long, if nothing ends it first
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiting);
        void await_resume() const noexcept {}
    };
    EventAwaiter NextEvent(bool watchRead = true) { return {*this, watchRead, false}; }
    /// Suspends until the event loop has handled what is pending: a long
    /// transfer that never has to wait still lets the window (and its Stop
    /// button) live.
    EventAwaiter Yield() { return {*this, false, true}; }
    /// Suspends for `ms` milliseconds without watching the socket (its bytes
    /// stay where they are); a cancel ends the pause early.
    EventAwaiter Pause(int ms) { return {*this, false, false, ms}; }
    /// Forgets the suspended operation, so that no event resumes it.
    void Drop() { waiting_ = {}; }

    /// Resumes the suspended operation from the event loop (never inside
    /// the step that is running): for a cancel, which may come from a
    /// handler anywhere.
    void Wake();
    /// Resumes the suspended operation at once: for the session's own
    /// notifications and timers, which the event loop delivers while the
    /// operation waits, once their event is recorded.
    void ResumeNow();

    /// (Re)starts the time-out timer with the session's TimeOut; clears TimedOut.
    void TimerOn();
    void TimerOff();
    /// Stops the time-out timer without a status text: the session is going.
    void StopTimer();

    /// A notification from the socket: records it on the session, fires the
    /// session's event for it and resumes the operation. Never throws.
    void HandleEvent(int event, int error);

private:
    void TimerFired();

    TPowersock& session_;
    TThreadTimer* timer_ = nullptr;   ///< owned by the session, as a Qt child
    std::coroutine_handle<> waiting_; ///< the suspended operation's innermost step
    /// Resumes the operation from the event loop: a zero timer rather than a
    /// posted call, which would cost a wake-up of the loop (a write and a
    /// read of its event descriptor) at every step of every request.
    QTimer* resume_ = nullptr;
    QTimer* pause_ = nullptr; ///< ends a Pause()
};
