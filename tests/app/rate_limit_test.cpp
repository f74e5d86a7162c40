// --limit-rate: its values as curl counts them, and the cap over a run.
#include "app/rate_limit.h"

#include <gtest/gtest.h>

namespace {

TEST(RateLimit, ReadsRatesAsCurlCountsThem) {
    const struct {
        const char* text;
        std::optional<qint64> bytes;
    } cases[] = {
        {"200k", 200 * 1024},  {"200K", 200 * 1024},     {"1.5M", 1572864},
        {"1g", 1073741824},    {"4096", 4096},           {" 10k ", 10240},
        {"0.5k", 512},         {"0", std::nullopt},      {"-5k", std::nullopt},
        {"k", std::nullopt},   {"1.2.3k", std::nullopt}, {"5kb", std::nullopt},
        {"1e3", std::nullopt}, {"", std::nullopt},       {".", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseByteRate(QString::fromUtf8(c.text)), c.bytes) << c.text;
}

// A greedy reader, as several transfers together are, over simulated time:
// it never gets more than the rate plus one second's burst, nor much less.
TEST(RateLimit, CapsAGreedyReaderAtTheRate) {
    for (const qint64 rate : {qint64(1000), qint64(200 * 1024), qint64(3)}) {
        SCOPED_TRACE(rate);
        RateLimit limit(rate);
        qint64 total = 0;
        qint64 waits = 0;
        const qint64 endMs = 20'000;
        for (qint64 now = 0; now < endMs;) {
            const qint64 allowed = limit.Allowance(64 * 1024, now);
            if (allowed > 0) {
                limit.Took(allowed, now);
                total += allowed;
                continue;
            }
            const qint64 wait = limit.WaitMs(now);
            ASSERT_GT(wait, 0);
            now += wait;
            ++waits;
            EXPECT_GT(limit.Allowance(64 * 1024, now), 0) << "after the wait it asked for";
        }
        EXPECT_LE(total, rate * (endMs / 1000) + rate);
        EXPECT_GE(total, rate * (endMs / 1000) - rate / 10 - 1);
        EXPECT_GT(waits, 0);
    }
    RateLimit none;
    EXPECT_EQ(none.Allowance(12345, 0), 12345);
    EXPECT_EQ(none.WaitMs(0), 0);
}

// A read larger than the allowance (a socket's whole buffer) is paid back
// before anything more is allowed.
TEST(RateLimit, AnOverdrawIsPaidBack) {
    RateLimit limit(1000);
    EXPECT_EQ(limit.Allowance(5000, 0), 1000);
    limit.Took(3000, 0); // 2000 bytes too many
    EXPECT_EQ(limit.Allowance(100, 1999), 0);
    EXPECT_GE(limit.WaitMs(1999), 1);
    EXPECT_GT(limit.Allowance(100, 2001), 0);
}

} // namespace
