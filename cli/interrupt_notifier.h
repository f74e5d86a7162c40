#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

/// Turns SIGINT and SIGTERM into a Qt signal on the event loop, so that a
/// Ctrl-C is handled like a button press between two events and never inside
/// a signal handler. The handler only writes the signal number into a pipe
/// (the self-pipe trick); a QSocketNotifier on the pipe's other end emits
/// `interrupted`.
///
/// One instance at a time. The third SIGINT is no longer caught: it ends the
/// process at once, for when the orderly way is stuck.
class InterruptNotifier : public QObject {
    Q_OBJECT

public:
    explicit InterruptNotifier(QObject* parent = nullptr);
    /// Puts the previous handlers back.
    ~InterruptNotifier() override;

signals:
    /// SIGINT or SIGTERM arrived.
    void interrupted(int signalNumber);

private:
    void drain();

    std::unique_ptr<QSocketNotifier> notifier_;
};
