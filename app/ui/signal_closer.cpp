#include "app/ui/signal_closer.h"

#include "app/ui/tform1.h"

#include <QApplication>
#include <QDialog>
#include <QWidget>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// Innermost first, so each nested event loop returns in turn. Bounded: a
// dialog that refuses to go must not keep the window from closing.
void DismissOpenDialogs() {
    for (int round = 0; round < 32; ++round) {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            continue;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
    }
}

} // namespace

SignalCloser::SignalCloser(TForm1& window, QObject* parent)
    : QObject(parent)
    , m_window(window)
    , m_signals({{SIGTERM, 2}, {SIGINT, 2}, {SIGHUP, 2}}) {
    connect(&m_signals, &SignalNotifier::caught, this, &SignalCloser::CloseWindow);
    connect(&m_window, &TForm1::closing, this, [this] { m_closed = true; });
}

void SignalCloser::CloseWindow(int signalNumber) {
    if (m_closed)
        return;
    if (!m_unattended) {
        m_unattended = true;
        std::fprintf(stderr, "serifetch: %s: closing the window and saving the list.\n",
                     strsignal(signalNumber));
        m_window.SetMessageSink([](TForm1::MessageKind, const QString& text) {
            std::fprintf(stderr, "serifetch: %s\n", qUtf8Printable(text));
        });
        // A "no" saves nothing over jobs the file holds but the window did
        // not load: the safe answer when nobody can be asked.
        m_window.SetQuestionAsker([](const QString&) { return false; });
    }
    DismissOpenDialogs();
    // Inside a dismissed dialog's loop too: once the window has closed, the
    // application's quit ends every loop. A request under way keeps the
    // window open until its abort has ended (see TForm1::closeEvent).
    m_window.close();
}
