// The numbers of a series whose end nobody knows: what is listed, when the
// series is over, and what is taken off the list at its end.
#include "app/open_series.h"

#include <deque>
#include <gtest/gtest.h>
#include <set>

namespace {

// Answers the plan's numbers as a server holding `files` would, `lanes` at a
// time in the order they were listed, each answer given when a lane frees
// up (the oldest first, or the newest first to mix up the order).
struct Played {
    std::vector<qint64> asked;
    std::vector<qint64> pastTheEnd;
    qint64 lastFound = 0;
};
Played Play(const std::set<qint64>& files, int misses, int lanes, bool newestFirst,
            qint64 cap = 1'000'000) {
    OpenSeriesPlan plan(1, misses, lanes, cap);
    Played played;
    std::deque<qint64> inFlight;
    for (int guard = 0; guard < 100'000; ++guard) {
        while (int(inFlight.size()) < lanes) {
            const auto n = plan.NextToList();
            if (!n)
                break;
            played.asked.push_back(*n);
            inFlight.push_back(*n);
        }
        if (inFlight.empty())
            break;
        const qint64 n = newestFirst ? inFlight.back() : inFlight.front();
        newestFirst ? inFlight.pop_back() : inFlight.pop_front();
        files.count(n) ? plan.Found(n) : plan.Missing(n);
    }
    EXPECT_TRUE(plan.Over());
    played.pastTheEnd = plan.PastTheEnd();
    played.lastFound = plan.LastFound();
    return played;
}

std::set<qint64> Range(qint64 first, qint64 last, std::set<qint64> gaps = {}) {
    std::set<qint64> files;
    for (qint64 n = first; n <= last; ++n)
        if (!gaps.count(n))
            files.insert(n);
    return files;
}

TEST(OpenSeriesPlan, StopsMissesPastTheEndAndKeepsTheMissesInTheMiddle) {
    const struct {
        const char* name;
        std::set<qint64> files;
        int misses;
        int lanes;
        bool newestFirst;
        qint64 lastFound;
        std::vector<qint64> pastTheEnd;
    } cases[] = {
        {"one at a time: exactly Misses numbers past the end",
         Range(1, 30),
         3,
         1,
         false,
         30,
         {31, 32, 33}},
        {"gaps of one and two are no end",
         Range(1, 137, {40, 90, 91}),
         3,
         1,
         false,
         137,
         {138, 139, 140}},
        {"a gap of Misses is the end", Range(1, 20, {11, 12, 13}), 3, 1, false, 10, {11, 12, 13}},
        {"four at once, answers in order", Range(1, 30), 3, 4, false, 30, {31, 32, 33, 34, 35, 36}},
        {"four at once, answers out of order",
         Range(1, 30, {7}),
         3,
         4,
         true,
         30,
         {31, 32, 33, 34, 35, 36}},
        {"Misses 1", Range(1, 5), 1, 1, false, 5, {6}},
        {"nothing found: the misses stay", {}, 3, 1, false, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Played played = Play(c.files, c.misses, c.lanes, c.newestFirst);
        EXPECT_EQ(played.lastFound, c.lastFound);
        EXPECT_EQ(played.pastTheEnd, c.pastTheEnd);
        // N at once ask at most N + Misses numbers past the end.
        const qint64 past = std::count_if(played.asked.begin(), played.asked.end(),
                                          [&](qint64 n) { return n > c.lastFound; });
        EXPECT_LE(past, c.lanes + c.misses);
        EXPECT_EQ(std::set<qint64>(played.asked.begin(), played.asked.end()).size(),
                  played.asked.size())
            << "no number asked twice";
    }
}

TEST(OpenSeriesPlan, ALaterAnswerReplacesAnEarlierOneAndFailuresDoNotCarryOn) {
    OpenSeriesPlan plan(1, 2, 1, 1000);
    EXPECT_EQ(plan.NextToList(), 1);
    plan.Found(1);
    EXPECT_EQ(plan.NextToList(), 2);
    plan.Found(2);
    // The content check finds number 2 a web page after all.
    plan.Missing(2);
    EXPECT_EQ(plan.LastFound(), 1);
    EXPECT_EQ(plan.NextToList(), 3);
    plan.Failed(3); // a 500: no file, no miss; the series does not go on for it
    EXPECT_EQ(plan.NextToList(), std::nullopt);
    EXPECT_TRUE(plan.Over());
    EXPECT_EQ(plan.PastTheEnd(), std::vector<qint64>{2}) << "the failure stays on the list";

    OpenSeriesPlan capped(1, 3, 1, 2);
    EXPECT_EQ(capped.NextToList(), 1);
    capped.Found(1);
    EXPECT_EQ(capped.NextToList(), 2);
    capped.Found(2);
    EXPECT_EQ(capped.NextToList(), std::nullopt) << "List Up's cap";
    EXPECT_TRUE(capped.Over());

    OpenSeriesPlan resumed(0, 3, 1, 1000);
    resumed.Listed(0);
    resumed.Listed(1);
    resumed.Found(0);
    EXPECT_EQ(resumed.NextToList(), 2) << "numbers listed before are not listed again";
}

TEST(OpenSeriesPlan, AnswersFromMarksAndStatus) {
    using M = JobList::Mark;
    const struct {
        M mark;
        int status;
        bool whole;
        SeriesAnswer answer;
    } cases[] = {
        {M::Done, 200, true, SeriesAnswer::Found},
        {M::Skipped, 0, false, SeriesAnswer::Found},
        {M::Failed, 404, false, SeriesAnswer::Missing},
        {M::Failed, 410, false, SeriesAnswer::Missing},
        // A web page where a picture was asked for: the check of the saved file.
        {M::Failed, 200, true, SeriesAnswer::Missing},
        // A 200 cut short, or a 206 refused: the file may well be there.
        {M::Failed, 200, false, SeriesAnswer::Failed},
        {M::Failed, 206, false, SeriesAnswer::Failed},
        {M::Failed, 403, false, SeriesAnswer::Failed},
        {M::Failed, 0, false, SeriesAnswer::Failed},
        {M::GivenUp, 503, false, SeriesAnswer::Failed},
        {M::Small, 200, true, SeriesAnswer::None},
        {M::Requested, 0, false, SeriesAnswer::None},
        {M::None, 0, false, SeriesAnswer::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AnswerOf(c.mark, c.status, c.whole), c.answer)
            << int(c.mark) << " " << c.status << " " << c.whole;
}

} // namespace

namespace {

// The open series the window's inputs give: the pattern its run reads back,
// and the names a closed series of the same inputs would have.
struct InputsCase {
    const char* name;
    const char* base;
    const char* head;
    int digits;
    qint64 start;
    const char* tail;
    const char* pattern;
    const char* nameTemplate;
    const char* url3;  ///< the URL of the third number
    const char* file3; ///< and its file
};

const InputsCase kInputs[] = {
    {"PaddedAsTheInputsPadIt", "http://h/g/", "img_", 3, 7, ".jpg", "http://h/g/img_[007-].jpg",
     "img_#1.jpg", "http://h/g/img_009.jpg", "/s/img_009.jpg"},
    {"NoDigitsNoPadding", "http://h/g/", "p", 0, 98, ".png", "http://h/g/p[98-].png", "p#1.png",
     "http://h/g/p100.png", "/s/p100.png"},
    {"ABaseWithoutSlashIsGluedAsTheSeriesGluesIt", "http://h/g/pre", "x", 2, 1, "",
     "http://h/g/prex[01-]", "x#1", "http://h/g/prex03", "/s/x03"},
    {"BracketsInTheInputsStandForThemselves", "http://[::1]:8080/a[1]/", "{v}", 1, 1, "].jpg",
     "http://\\[::1\\]:8080/a\\[1\\]/\\{v\\}[1-]\\].jpg", "{v}#1].jpg",
     "http://[::1]:8080/a[1]/{v}3].jpg", "/s/{v}3].jpg"},
    {"AHashWithoutDigitsStaysInTheName", "http://h/g/", "p", 1, 1, ".jpg#top",
     "http://h/g/p[1-].jpg#top", "p#1.jpg#top", "http://h/g/p3.jpg#top", "/s/p3.jpg#top"},
};

class OpenSeriesOfInputs : public ::testing::TestWithParam<InputsCase> {};

} // namespace

TEST_P(OpenSeriesOfInputs, ListsTheNumbersAsTheClosedSeriesWould) {
    const InputsCase& c = GetParam();
    const OpenSeries open = OpenSeriesOf(c.base, c.head, c.digits, c.start, c.tail, "/s", 4);
    EXPECT_EQ(open.pattern, c.pattern);
    EXPECT_EQ(open.name, c.nameTemplate);
    EXPECT_EQ(open.folder, "/s/");
    EXPECT_EQ(open.misses, 4);
    ASSERT_EQ(OpenSeriesProblem(open), "");
    const UrlPattern pattern = UrlPattern::Parse(open.pattern);
    EXPECT_EQ(pattern.UrlAt(2), c.url3);
    EXPECT_EQ(open.folder +
                  (open.name.isEmpty() ? pattern.RelativePath(2) : pattern.FileName(2, open.name)),
              c.file3);
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenSeriesOfInputs, ::testing::ValuesIn(kInputs),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OpenSeriesProblem, NamesWhatCannotBeFetched) {
    EXPECT_TRUE(OpenSeriesProblem({"http://h/p[3-].jpg", "/s/"}).isEmpty());
    EXPECT_TRUE(OpenSeriesProblem({"http://h/p[3-9].jpg", "/s/"}).contains("its last range"));
    EXPECT_TRUE(OpenSeriesProblem({"http://h/p[3-", "/s/"}).contains("Column"));
    EXPECT_TRUE(OpenSeriesProblem({"http://h/{a/b,c}[1-].jpg", "/s/"}).contains("/"));
    EXPECT_TRUE(OpenSeriesProblem({"http://h/{a/b,c}[1-].jpg", "/s/", "#1-#2"}).isEmpty());
}
