#include "cli/interrupt_notifier.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};
volatile sig_atomic_t g_sigints = 0;
struct sigaction g_oldInt;
struct sigaction g_oldTerm;

extern "C" void onSignal(int signalNumber) {
    const int savedErrno = errno;
    if (signalNumber == SIGINT)
        g_sigints = g_sigints + 1;
    if (signalNumber == SIGINT && g_sigints >= 2) {
        // From here on a Ctrl-C kills: the escape when stopping hangs.
        struct sigaction dfl = {};
        dfl.sa_handler = SIG_DFL;
        sigemptyset(&dfl.sa_mask);
        sigaction(SIGINT, &dfl, nullptr);
    }
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds enough wake-ups; the byte may be dropped.
    (void)!write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

InterruptNotifier::InterruptNotifier(QObject* parent)
    : QObject(parent) {
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_pipe[0] = g_pipe[1] = -1;
        return;
    }
    g_sigints = 0;
    notifier_ = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &InterruptNotifier::drain);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Restarted calls: the event loop's poll and our file writes go on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &g_oldInt);
    sigaction(SIGTERM, &action, &g_oldTerm);
}

InterruptNotifier::~InterruptNotifier() {
    if (!notifier_)
        return;
    sigaction(SIGINT, &g_oldInt, nullptr);
    sigaction(SIGTERM, &g_oldTerm, nullptr);
    notifier_.reset();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void InterruptNotifier::drain() {
    unsigned char bytes[64];
    ssize_t got = 0;
    while ((got = read(g_pipe[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < got; ++i)
            emit interrupted(bytes[i]);
    }
}
