#pragma once

#include "platform/signal_notifier.h"

#include <QObject>

class TForm1;

/// Closes the main window when the process is asked to end: SIGTERM (logout,
/// `kill`, a service stop), SIGINT (Ctrl-C in the terminal that started it)
/// and SIGHUP (that terminal gone). The window closes as File > Exit closes
/// it: the request under way is aborted, and the inputs, the layout and the
/// job list are saved.
///
/// Nobody may be at the screen to click, so a dialog or menu open at the time
/// is dismissed (a "no" to a question), and from then on messages go to
/// standard error and questions are declined. A second signal dismisses what
/// closing itself may have opened; the third of a kind ends the process at
/// once.
class SignalCloser : public QObject {
    Q_OBJECT

public:
    /// Catches the signals from now until destruction; `window` must outlive
    /// this.
    explicit SignalCloser(TForm1& window, QObject* parent = nullptr);

    /// The window has closed, by a signal or otherwise. A signal during a
    /// dialog before the event loop runs closes it there: the caller must
    /// then not start the loop, which would wait for a window that is gone.
    bool WindowClosed() const { return m_closed; }

private:
    void CloseWindow(int signalNumber);

    TForm1& m_window;
    SignalNotifier m_signals;
    bool m_unattended = false;
    bool m_closed = false;
};
