// The probe's plan against fake servers: a range of numbers with gaps,
// written with one padding. No sockets: each question is answered from the
// set.
#include "app/series_probe.h"
#include "platform/int_to_str_l.h"

#include <QSet>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace {

using Reply = SeriesProbe::Reply;

struct FakeServer {
    qint64 first = 1;
    qint64 last = 1;
    std::set<qint64> gaps;
    int padding = 1;

    bool Has(const SeriesProbe::Question& q) const {
        return q.number >= first && q.number <= last && !gaps.contains(q.number) &&
               IntToStrL(q.number, q.width) == IntToStrL(q.number, padding);
    }
};

FileUrlParts Pasted(const QString& digits) {
    return {QStringLiteral("http://host/gallery/vol02/"), QStringLiteral("img_"),
            int(digits.size()), digits, QStringLiteral(".jpg")};
}

struct ProbeRun {
    ProbedSeries series;
    int asked = 0;
    int untilFound = 0; ///< questions up to and with the first one found
    qint64 highest = 0; ///< the highest number asked
    bool repeated = false;
};

// Answers every question the probe asks; `failAt` (1-based) fails that one.
ProbeRun Probe(const FakeServer& server, const QString& pasted, int misses, int failAt = 0) {
    SeriesProbe probe(Pasted(pasted), misses);
    ProbeRun run;
    QSet<QString> urls;
    while (const auto q = probe.Next()) {
        ++run.asked;
        if (run.asked > 1000)
            break;
        EXPECT_EQ(q->url,
                  "http://host/gallery/vol02/img_" + IntToStrL(q->number, q->width) + ".jpg");
        run.repeated |= urls.contains(q->url);
        run.highest = std::max(run.highest, q->number);
        urls.insert(q->url);
        if (run.asked == failAt) {
            probe.Answer(Reply::Failed, QStringLiteral("503 Service Unavailable"));
            continue;
        }
        const bool found = server.Has(*q);
        if (found && run.untilFound == 0)
            run.untilFound = run.asked;
        probe.Answer(found ? Reply::Found : Reply::Missing);
    }
    const auto result = probe.Result();
    EXPECT_TRUE(result.has_value());
    run.series = result.value_or(ProbedSeries{});
    return run;
}

TEST(SeriesProbe, FindsPaddingFirstAndLastWithinTheQuestionBound) {
    const std::set<qint64> gaps = {20, 50, 51, 100}; // gaps of 1 and 2
    struct Row {
        const char* name;
        FakeServer server;
        const char* pasted;
        int misses;
        int digits;
        qint64 first;
        qint64 last;
    };
    const Row rows[] = {
        {"one file", {1, 1, {}, 1}, "1", 3, 1, 1, 1},
        {"10 at the start", {1, 10, {}, 1}, "1", 3, 1, 1, 10},
        {"10 in the middle", {1, 10, {}, 1}, "5", 3, 1, 1, 10},
        {"10 at the end", {1, 10, {}, 1}, "10", 3, 1, 1, 10},
        {"10 padded 2, end", {1, 10, {}, 2}, "10", 3, 2, 1, 10},
        {"10 padded 3, middle", {1, 10, {}, 3}, "007", 3, 3, 1, 10},
        {"137 gaps, start", {1, 137, gaps, 1}, "1", 3, 1, 1, 137},
        {"137 gaps, middle", {1, 137, gaps, 1}, "64", 3, 1, 1, 137},
        {"137 gaps, end", {1, 137, gaps, 1}, "137", 3, 1, 1, 137},
        {"137 gaps padded 2, start", {1, 137, gaps, 2}, "01", 3, 2, 1, 137},
        {"137 gaps padded 2, middle", {1, 137, gaps, 2}, "64", 3, 2, 1, 137},
        {"137 gaps padded 2, end", {1, 137, gaps, 2}, "137", 3, 2, 1, 137},
        {"137 gaps padded 3, start", {1, 137, gaps, 3}, "001", 3, 3, 1, 137},
        {"137 gaps padded 3, middle", {1, 137, gaps, 3}, "064", 3, 3, 1, 137},
        {"137 gaps padded 3, end", {1, 137, gaps, 3}, "137", 3, 3, 1, 137},
        {"1000 start", {1, 1000, {}, 1}, "1", 3, 1, 1, 1000},
        {"1000 padded 4, middle", {1, 1000, {}, 4}, "0500", 3, 4, 1, 1000},
        {"1000 padded 3, end", {1, 1000, {}, 3}, "1000", 3, 3, 1, 1000},
        {"100,000 start", {1, 100'000, {}, 1}, "1", 3, 1, 1, 100'000},
        {"100,000 middle", {1, 100'000, {}, 1}, "50000", 3, 1, 1, 100'000},
        {"100,000 end", {1, 100'000, {}, 1}, "100000", 3, 1, 1, 100'000},
        {"100,000 padded 2", {1, 100'000, {}, 2}, "77777", 3, 2, 1, 100'000},
        {"starts at 0", {0, 30, {}, 2}, "07", 3, 2, 0, 30},
        {"starts at the pasted number", {5, 20, {}, 1}, "5", 3, 1, 5, 20},
        {"starts below the pasted number", {40, 70, {}, 1}, "60", 3, 2, 40, 70},
        {"starts below, gaps on the way down", {40, 70, {41, 58, 59}, 1}, "60", 3, 2, 40, 70},
        {"starts beyond the padding's reach", {100, 137, {}, 3}, "120", 3, 3, 100, 137},
        {"padded 2 ends at 99", {1, 99, {}, 2}, "50", 3, 2, 1, 99},
        {"padded 2 goes past 99", {1, 150, {}, 2}, "50", 3, 2, 1, 150},
        {"padded 3 goes past 999", {1, 1000, {}, 3}, "500", 3, 3, 1, 1000},
        {"7 pasted, 007 served", {1, 30, {}, 3}, "7", 3, 3, 1, 30},
        {"07 pasted, 007 served", {1, 30, {}, 3}, "07", 3, 3, 1, 30},
        {"17 pasted, 017 served", {1, 30, {}, 3}, "17", 3, 3, 1, 30},
        {"misses 1: a gap ends it", {1, 40, {21}, 1}, "5", 1, 1, 1, 20},
        {"misses 5: a gap of 4 does not", {1, 40, {21, 22, 23, 24}, 1}, "5", 5, 1, 1, 40},
        {"gap just above the pasted", {1, 40, {6, 7}, 1}, "5", 3, 1, 1, 40},
    };
    for (const Row& row : rows) {
        const ProbeRun run = Probe(row.server, QString::fromLatin1(row.pasted), row.misses);
        const ProbedSeries& s = run.series;
        EXPECT_EQ(s.error, QString()) << row.name;
        EXPECT_EQ(s.head, "img_") << row.name;
        EXPECT_EQ(s.digits, row.digits) << row.name;
        EXPECT_EQ(s.first, row.first) << row.name;
        EXPECT_EQ(s.last, row.last) << row.name;
        EXPECT_EQ(s.requests, run.asked) << row.name;
        EXPECT_FALSE(run.repeated) << row.name << ": a question asked twice";
        // A start other than 0, 1 or the pasted number is searched for below
        // it, in up to two writings of each number asked.
        const qint64 pasted = QString::fromLatin1(row.pasted).toLongLong();
        const bool startsElsewhere = s.first > 1 && s.first != pasted;
        const double bound = 2 * std::log2(double(std::max<qint64>(s.last, 1))) + 12 +
                             (row.misses - 1) * s.missesMet +
                             (startsElsewhere ? 2 * std::log2(double(pasted)) : 0);
        EXPECT_LE(run.asked, bound) << row.name << ": " << s.missesMet << " misses met";
    }
}

// Which padding the series has is known after at most 3 questions for the
// usual paddings: none, the pasted number's own width, 2 or 3.
TEST(SeriesProbe, SettlesTheUsualPaddingsWithinThreeQuestions) {
    const struct {
        const char* pasted;
        int padding;
        int questions;
    } rows[] = {
        {"7", 1, 1},   {"7", 2, 2},   {"7", 3, 3},    {"07", 2, 1},   {"07", 3, 2},
        {"007", 3, 1}, {"17", 1, 1},  {"17", 2, 2},   {"17", 3, 3},   {"137", 1, 1},
        {"137", 3, 2}, {"137", 2, 3}, {"1024", 1, 1}, {"1024", 4, 2}, {"1024", 2, 3},
    };
    for (const auto& row : rows) {
        const ProbeRun run = Probe({1, 2000, {}, row.padding}, QString::fromLatin1(row.pasted), 3);
        EXPECT_EQ(run.untilFound, row.questions) << row.pasted << " padded " << row.padding;
        EXPECT_EQ(run.series.digits, row.padding) << row.pasted << " padded " << row.padding;
    }
}

// A padded series that ends where its width does is not searched past it:
// the probe asks for the width's largest number and then for the misses
// that end the series after it.
TEST(SeriesProbe, StopsAtTheWidthsLargestNumber) {
    const struct {
        FakeServer server;
        const char* pasted;
        int misses;
        qint64 highest;
    } rows[] = {
        {{1, 99, {}, 2}, "50", 3, 102},
        {{1, 99, {}, 2}, "02", 1, 100},
        {{1, 999, {}, 3}, "500", 3, 1002},
        {{1, 999, {5}, 3}, "001", 5, 1004},
    };
    for (const auto& row : rows) {
        const ProbeRun run = Probe(row.server, QString::fromLatin1(row.pasted), row.misses);
        EXPECT_EQ(run.series.last, row.server.last) << row.pasted;
        EXPECT_EQ(run.highest, row.highest) << row.pasted;
    }
}

TEST(SeriesProbe, EndsWithTheErrorWhenTheServerFailsOrHasNoSuchFile) {
    const FakeServer server{1, 137, {}, 1};
    for (int failAt : {1, 2, 5, 12}) {
        const ProbeRun run = Probe(server, QStringLiteral("64"), 3, failAt);
        EXPECT_EQ(run.asked, failAt);
        EXPECT_EQ(run.series.requests, failAt);
        EXPECT_TRUE(run.series.error.contains("503 Service Unavailable")) << failAt;
        EXPECT_TRUE(run.series.error.contains("http://host/gallery/vol02/img_")) << failAt;
    }
    // Not there in any writing: with number 1 missing too, and without.
    for (const FakeServer& other : {FakeServer{1, 50, {}, 1}, FakeServer{200, 300, {}, 1}}) {
        const ProbeRun run = Probe(other, QStringLiteral("64"), 3);
        EXPECT_TRUE(run.series.error.contains("img_64.jpg")) << run.series.error.toStdString();
    }
}

TEST(SeriesProbe, KeepsMissesWithinOneToAHundred) {
    // A gap of one ends the series at misses 0 as at 1.
    const FakeServer oneGap{1, 40, {21}, 1};
    EXPECT_EQ(Probe(oneGap, QStringLiteral("5"), 0).series.last, 20);
    // At misses 1000 a gap of 100 ends it as at 100, one of 99 does not. The
    // gallop from 5 meets the gap at its first number, 133.
    const auto gapFrom133 = [](qint64 size) {
        FakeServer server{1, 300, {}, 1};
        for (qint64 n = 133; n < 133 + size; ++n)
            server.gaps.insert(n);
        return server;
    };
    EXPECT_EQ(Probe(gapFrom133(100), QStringLiteral("5"), 1000).series.last, 132);
    EXPECT_EQ(Probe(gapFrom133(99), QStringLiteral("5"), 1000).series.last, 300);
}

TEST(SeriesProbe, KeepsAskingTheSameQuestionUntilItIsAnswered) {
    SeriesProbe probe(Pasted(QStringLiteral("5")));
    const auto first = probe.Next();
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(probe.Next(), first);
    EXPECT_EQ(probe.Result(), std::nullopt);
    probe.Answer(Reply::Found);
    EXPECT_NE(probe.Next(), first);
}

} // namespace
