// Process signals turned into Qt signals on the event loop, counted per
// signal, and the handlers found at the start put back at the end.
#include "platform/signal_notifier.h"
#include "tests/support/test_env.h"

#include <csignal>
#include <gtest/gtest.h>
#include <vector>

namespace {

void (*HandlerOf(int signalNumber))(int) {
    struct sigaction now = {};
    sigaction(signalNumber, nullptr, &now);
    return now.sa_handler;
}

void Quiet(int) {}

TEST(SignalNotifier, DeliversInOrderGivesTheDefaultBackAfterItsCountAndRestoresAtTheEnd) {
    struct sigaction quiet = {};
    quiet.sa_handler = Quiet;
    sigemptyset(&quiet.sa_mask);
    struct sigaction before = {};
    ASSERT_EQ(sigaction(SIGUSR1, &quiet, &before), 0);
    // Ignored on purpose (as under nohup): it stays ignored.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction alarmBefore = {};
    ASSERT_EQ(sigaction(SIGALRM, &ignore, &alarmBefore), 0);
    ASSERT_EQ(HandlerOf(SIGUSR2), SIG_DFL);
    {
        SignalNotifier notifier({{SIGUSR1, 2}, {SIGUSR2}, {SIGALRM}});
        EXPECT_EQ(HandlerOf(SIGALRM), SIG_IGN);
        raise(SIGALRM);
        ASSERT_TRUE(notifier.Active());
        std::vector<int> caught;
        QObject::connect(&notifier, &SignalNotifier::caught,
                         [&](int signalNumber) { caught.push_back(signalNumber); });
        raise(SIGUSR1);
        raise(SIGUSR2);
        raise(SIGUSR1);
        EXPECT_TRUE(caught.empty()) << "only the event loop delivers";
        const std::vector<int> expected = {SIGUSR1, SIGUSR2, SIGUSR1};
        EXPECT_TRUE(testenv::waitUntil([&] { return caught == expected; }, 5000));
        // The next SIGUSR1 would end the process; SIGUSR2 is caught every time.
        EXPECT_EQ(HandlerOf(SIGUSR1), SIG_DFL);
        EXPECT_NE(HandlerOf(SIGUSR2), SIG_DFL);
    }
    EXPECT_EQ(HandlerOf(SIGUSR1), &Quiet);
    EXPECT_EQ(HandlerOf(SIGUSR2), SIG_DFL);
    EXPECT_EQ(HandlerOf(SIGALRM), SIG_IGN);
    sigaction(SIGUSR1, &before, nullptr);
    sigaction(SIGALRM, &alarmBefore, nullptr);
}

} // namespace
