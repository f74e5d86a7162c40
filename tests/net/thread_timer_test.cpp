#include "net/thread_timer.h"
#include "tests/support/test_env.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(ThreadTimer, StartsOnlyWhenEnabledWithIntervalAndHandler) {
    TThreadTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_FALSE(timer.IsRunning()); // no handler yet

    int ticks = 0;
    timer.SetOnTimer([&](QObject* sender) {
        EXPECT_EQ(sender, &timer);
        ++ticks;
    });
    EXPECT_TRUE(timer.IsRunning());

    timer.SetInterval(0);
    EXPECT_FALSE(timer.IsRunning());
    timer.SetInterval(20);
    EXPECT_TRUE(timer.IsRunning());
    ASSERT_TRUE(testenv::waitUntil([&] { return ticks >= 2; }, 5000)); // periodic

    timer.SetEnabled(false);
    EXPECT_FALSE(timer.IsRunning());
    timer.SetOnTimer(nullptr);
    timer.SetEnabled(true);
    EXPECT_FALSE(timer.IsRunning());
}

TEST(ThreadTimer, AHandlerThatThrowsDoesNotStopTheTicks) {
    TThreadTimer timer;
    timer.SetInterval(10);
    int ticks = 0;
    timer.SetOnTimer([&](QObject*) {
        ++ticks;
        throw std::runtime_error("boom");
    });
    EXPECT_TRUE(testenv::waitUntil([&] { return ticks >= 3; }, 5000));
}
