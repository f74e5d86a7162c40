#include "platform/signal_notifier.h"

#include <QSocketNotifier>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
// Indexed by signal number; read and written by the handler only as whole
// sig_atomic_t values.
volatile sig_atomic_t g_caught[NSIG];
volatile sig_atomic_t g_limit[NSIG];

} // namespace

// C linkage for the C library, static so that the name stays this file's
// (an extern "C" name ignores the namespace around it).
extern "C" {
static void onSignal(int signalNumber) {
    const int savedErrno = errno;
    if (signalNumber > 0 && signalNumber < NSIG) {
        g_caught[signalNumber] = g_caught[signalNumber] + 1;
        if (g_limit[signalNumber] > 0 && g_caught[signalNumber] >= g_limit[signalNumber]) {
            // From here on this signal ends the process: the escape when
            // the orderly way hangs.
            struct sigaction dfl = {};
            dfl.sa_handler = SIG_DFL;
            sigemptyset(&dfl.sa_mask);
            sigaction(signalNumber, &dfl, nullptr);
        }
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds enough wake-ups; the byte may be dropped.
    (void)!write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}
}

SignalNotifier::SignalNotifier(const std::vector<Caught>& wanted, QObject* parent)
    : QObject(parent) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalNotifier::drain);

    for (const Caught& signal : wanted) {
        if (signal.signalNumber <= 0 || signal.signalNumber >= NSIG)
            continue;
        // A signal ignored on purpose (nohup, a background job of a shell
        // without job control) stays ignored.
        struct sigaction current = {};
        if (sigaction(signal.signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
            continue;
        g_caught[signal.signalNumber] = 0;
        g_limit[signal.signalNumber] = signal.times;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        // Restarted calls: the event loop's poll and our file writes go on.
        action.sa_flags = SA_RESTART;
        Previous before{signal.signalNumber, {}};
        if (sigaction(signal.signalNumber, &action, &before.action) == 0)
            previous_.push_back(before);
    }
}

SignalNotifier::~SignalNotifier() {
    if (!notifier_)
        return;
    for (auto it = previous_.rbegin(); it != previous_.rend(); ++it)
        sigaction(it->signalNumber, &it->action, nullptr);
    notifier_.reset();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void SignalNotifier::drain() {
    unsigned char bytes[64];
    ssize_t got = 0;
    while ((got = read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            emit caught(bytes[i]);
    }
}
