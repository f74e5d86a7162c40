#include "app/series.h"

#include <gtest/gtest.h>
#include <limits>

namespace {

constexpr qint32 kInt32Max = std::numeric_limits<qint32>::max();
constexpr qint32 kInt32Min = std::numeric_limits<qint32>::min();

SeriesSpec Spec(qint32 start, qint32 end, int digits = 2) {
    SeriesSpec s;
    s.baseUrl = QStringLiteral("http://127.0.0.1/pics/");
    s.saveDir = QStringLiteral("/tmp/save/");
    s.head = QStringLiteral("name");
    s.digits = digits;
    s.start = start;
    s.end = end;
    s.tail = QStringLiteral(".jpg");
    return s;
}

} // namespace

TEST(SeriesNumber, NormalisationKeepsOnlyDigitsAndTurnsEmptyIntoZero) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"a1b2c", "12"}, {"1ab2", "12"},  {"", "0"},    {"x", ""}, {"007", "007"},
        {"-5", "5"},     {" 1 2 ", "12"}, {"１２", ""}, // full-width digits are not digits here
    };
    for (const auto& c : cases) {
        const QString once = NormaliseSeriesNumber(QString::fromUtf8(c.in));
        EXPECT_EQ(once, QString::fromUtf8(c.out)) << c.in;
        // Writing the text back runs the rule again; a non-empty result
        // must not change any more.
        if (!once.isEmpty()) {
            EXPECT_EQ(NormaliseSeriesNumber(once), once) << c.in;
        }
    }
}

TEST(SeriesNumber, ConversionIsStrict32Bit) {
    EXPECT_EQ(ParseSeriesNumber("12"), 12);
    EXPECT_EQ(ParseSeriesNumber("0000000000000012"), 12);
    EXPECT_EQ(ParseSeriesNumber("2147483647"), kInt32Max);
    EXPECT_EQ(ParseSeriesNumber("-2147483648"), kInt32Min);
    EXPECT_EQ(ParseSeriesNumber(""), std::nullopt);
    EXPECT_EQ(ParseSeriesNumber("2147483648"), std::nullopt);
    EXPECT_EQ(ParseSeriesNumber("99999999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseSeriesNumber("12x"), std::nullopt);
}

TEST(SeriesPreview, ShowsFirstAndLastNameWithTheSeparator) {
    EXPECT_EQ(SeriesPreview("hampic", 1, 12, 2, ".jpg"), QString("hampic01.jpg  -  hampic12.jpg"));
    EXPECT_EQ(SeriesPreview("hampic", 1, 12, 0, ".jpg"), QString("hampic.jpg  -  hampic.jpg"));
    EXPECT_EQ(SeriesPreview("a", 100, 5, 2, ""), QString("a100  -  a05")); // no cutting, no sorting
    EXPECT_EQ(SeriesPreview("a", 1, 2, -3, ""), QString("a1  -  a2"));
    const auto widest = SeriesPreview("", 7, 7, kMaxSeriesDigits, "");
    ASSERT_TRUE(widest.has_value());
    EXPECT_EQ(widest->size(), 2 * kMaxSeriesDigits + 5);
    EXPECT_EQ(SeriesPreview("", 7, 7, kMaxSeriesDigits + 1, ""), std::nullopt);
    EXPECT_EQ(SeriesPreview("", 7, 7, 1'000'000'000, ""), std::nullopt);
}

TEST(SeriesExpansion, OneJobPerNumberWithPaddedNamesTheUrlGluedOnAsTyped) {
    const JobList jobs = ExpandSeries(Spec(1, 3));
    ASSERT_EQ(jobs.size(), 3u);
    EXPECT_EQ(jobs[0], (Job{"", "http://127.0.0.1/pics/name01.jpg", "/tmp/save/name01.jpg"}));
    EXPECT_EQ(jobs[2], (Job{"", "http://127.0.0.1/pics/name03.jpg", "/tmp/save/name03.jpg"}));

    SeriesSpec glued = Spec(9, 10);
    glued.baseUrl = "http://127.0.0.1/dir";
    glued.saveDir = "/tmp/nodir";
    const JobList g = ExpandSeries(glued);
    ASSERT_EQ(g.size(), 2u);
    EXPECT_EQ(g[0].url, "http://127.0.0.1/dirname09.jpg");
    EXPECT_EQ(g[1].path, "/tmp/nodir/name10.jpg");

    // A head with a folder in it and texts beyond ASCII.
    SeriesSpec deeper = Spec(1, 1);
    deeper.head = QString::fromUtf8("画像/第");
    deeper.tail = QString::fromUtf8("話.jpg");
    EXPECT_EQ(ExpandSeries(deeper)[0],
              (Job{"", QString::fromUtf8("http://127.0.0.1/pics/画像/第01話.jpg"),
                   QString::fromUtf8("/tmp/save/画像/第01話.jpg")}));
}

// A save folder is a folder, typed with its "/" or without; the base URL
// stays as typed, since the user may mean a prefix of the names.
TEST(SeriesExpansion, TheSaveFolderIsNeverGluedToTheFileName) {
    const struct {
        const char* saveDir;
        const char* folder; // FolderWithSlash
        const char* path;   // of the first job
    } rows[] = {
        {"/srv/vol01", "/srv/vol01/", "/srv/vol01/pic001.jpg"},
        {"/srv/vol01/", "/srv/vol01/", "/srv/vol01/pic001.jpg"},
        {"/", "/", "/pic001.jpg"},
        {"", "", "pic001.jpg"}, // the working folder, as typed
        {"rel/dir", "rel/dir/", "rel/dir/pic001.jpg"},
        {"/srv/画像 1", "/srv/画像 1/", "/srv/画像 1/pic001.jpg"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.saveDir);
        EXPECT_EQ(FolderWithSlash(QString::fromUtf8(row.saveDir)), QString::fromUtf8(row.folder));
        SeriesSpec spec;
        spec.baseUrl = "http://127.0.0.1/vol01";
        spec.saveDir = QString::fromUtf8(row.saveDir);
        spec.head = "pic";
        spec.digits = 3;
        spec.start = spec.end = 1;
        spec.tail = ".jpg";
        const JobList jobs = ExpandSeries(spec);
        ASSERT_EQ(jobs.size(), 1u);
        EXPECT_EQ(jobs[0].path, QString::fromUtf8(row.path));
        EXPECT_EQ(jobs[0].url, "http://127.0.0.1/vol01pic001.jpg");
        const ListedSeries listed = ListUpSeries(spec, 0, [](const Job&) { return false; });
        ASSERT_EQ(listed.jobs.size(), 1u);
        EXPECT_EQ(listed.jobs[0].path, QString::fromUtf8(row.path));
    }
}

TEST(SeriesExpansion, DigitCountEdges) {
    const JobList zero = ExpandSeries(Spec(1, 3, 0));
    ASSERT_EQ(zero.size(), 3u);
    for (const Job& j : zero)
        EXPECT_EQ(j.url, "http://127.0.0.1/pics/name.jpg");

    // Fewer than none (no input gives it, a caller might): the bare number.
    const JobList negative = ExpandSeries(Spec(1, 3, -512));
    ASSERT_EQ(negative.size(), 3u);
    EXPECT_EQ(negative[2].url, "http://127.0.0.1/pics/name3.jpg");

    const JobList longer = ExpandSeries(Spec(99, 100, 2));
    ASSERT_EQ(longer.size(), 2u);
    EXPECT_EQ(longer[1].path, "/tmp/save/name100.jpg");
}

TEST(SeriesExpansion, ReversedRangeGivesNothingAndIsNotRefused) {
    EXPECT_TRUE(ExpandSeries(Spec(5, 3)).empty());
    EXPECT_EQ(SeriesJobCount(5, 3), 0);
    // Nothing is generated, so not even an absurd digit count matters.
    EXPECT_EQ(CheckSeries(Spec(5, 3, 1'000'000'000), 0), SeriesError::None);
}

TEST(SeriesExpansion, EndAtTheLargest32BitNumberEnds) {
    const JobList jobs = ExpandSeries(Spec(kInt32Max - 2, kInt32Max, 0));
    ASSERT_EQ(jobs.size(), 3u);
    const JobList last = ExpandSeries(Spec(kInt32Max, kInt32Max, 12));
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].url, "http://127.0.0.1/pics/name002147483647.jpg");
    const JobList bottom = ExpandSeries(Spec(kInt32Min, kInt32Min + 1, 0));
    EXPECT_EQ(bottom.size(), 2u);
}

TEST(SeriesLimits, HugeRangesAndDigitCountsAreRefusedPlausibleOnesAccepted) {
    EXPECT_EQ(SeriesJobCount(kInt32Min, kInt32Max), qint64(1) << 32);
    EXPECT_EQ(CheckSeries(Spec(1, 1'000'000), 0), SeriesError::None);
    EXPECT_EQ(CheckSeries(Spec(0, 1'000'000), 0), SeriesError::TooManyJobs);
    EXPECT_EQ(CheckSeries(Spec(kInt32Min, kInt32Max), 0), SeriesError::TooManyJobs);
    EXPECT_EQ(CheckSeries(Spec(1, 2, kMaxSeriesDigits), 0), SeriesError::None);
    EXPECT_EQ(CheckSeries(Spec(1, 2, kMaxSeriesDigits + 1), 0), SeriesError::TooManyDigits);
    EXPECT_EQ(CheckSeries(Spec(1, 2, 1'000'000'000), 0), SeriesError::TooManyDigits);
    EXPECT_EQ(CheckSeries(Spec(1, 10), kMaxJobsInList - 10), SeriesError::None);
    EXPECT_EQ(CheckSeries(Spec(1, 11), kMaxJobsInList - 10), SeriesError::ListFull);
}

TEST(SeriesLimits, RefusalsSayWhatAndTheBound) {
    const QString digits = SeriesErrorMessage(SeriesError::TooManyDigits, Spec(1, 2, 300));
    EXPECT_TRUE(digits.contains("300")) << digits.toStdString();
    EXPECT_TRUE(digits.contains("255")) << digits.toStdString();
    const QString jobs = SeriesErrorMessage(SeriesError::TooManyJobs, Spec(0, 2'000'000));
    EXPECT_TRUE(jobs.contains("2000001")) << jobs.toStdString();
    EXPECT_TRUE(jobs.contains("1000000")) << jobs.toStdString();
    const QString start = SeriesErrorMessage(SeriesError::StartNotInteger, {}, "99999999999");
    EXPECT_TRUE(start.contains("開始番号") && start.contains("99999999999")) << start.toStdString();
}
