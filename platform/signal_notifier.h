#pragma once

#include <QObject>
#include <csignal>
#include <memory>
#include <vector>

class QSocketNotifier;

/// Turns process signals (SIGINT, SIGTERM, SIGHUP, ...) into a Qt signal on
/// the event loop, so that a Ctrl-C or a logout is handled like a button press
/// between two events and never inside a signal handler. The handler only
/// writes the signal number into a pipe (the self-pipe trick); a
/// QSocketNotifier on the pipe's other end emits `caught`.
///
/// One instance at a time: the handler has one pipe to write to.
class SignalNotifier : public QObject {
    Q_OBJECT

public:
    struct Caught {
        int signalNumber = 0;
        /// After this many, the signal's default action comes back, so the
        /// next one ends the process at once: the way out when the orderly
        /// ending is stuck. 0 catches it every time.
        int times = 0;
    };

    /// Catches each of `wanted` from now until destruction.
    explicit SignalNotifier(const std::vector<Caught>& wanted, QObject* parent = nullptr);
    /// Puts the previous handlers back.
    ~SignalNotifier() override;

    /// Whether the handlers are in place (creating the pipe can fail).
    bool Active() const { return notifier_ != nullptr; }

signals:
    /// One of the signals arrived; one emission per arrival, in order.
    void caught(int signalNumber);

private:
    void drain();

    struct Previous {
        int signalNumber;
        struct sigaction action;
    };
    std::vector<Previous> previous_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
