#include "app/series.h"
#include "app/url_pattern.h"
#include "platform/int_to_str_l.h"

#include <gtest/gtest.h>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr qint64 kCap = 1'000'000;

struct Expansion {
    const char* pattern;
    qint64 count;
    std::vector<std::pair<qint64, const char*>> urls; // index -> URL
    const char* firstPath;                            // RelativePath(0)
    const char* lastPath;                             // RelativePath(count - 1)
};

} // namespace

// Each pattern's count, some URLs by index, the relative paths of the first
// and last job, and the cursor walking exactly the URLs the indexes give.
TEST(UrlPattern, ExpandsRangesAndListsLeftmostOutermost) {
    const Expansion cases[] = {
        {"http://h/img_[01-30].jpg",
         30,
         {{0, "http://h/img_01.jpg"}, {29, "http://h/img_30.jpg"}},
         "img_01.jpg",
         "img_30.jpg"},
        {"http://h/gallery/ch[01-10]/p[001-030].jpg",
         300,
         {{0, "http://h/gallery/ch01/p001.jpg"},
          {1, "http://h/gallery/ch01/p002.jpg"},
          {30, "http://h/gallery/ch02/p001.jpg"},
          {299, "http://h/gallery/ch10/p030.jpg"}},
         "ch01/p001.jpg",
         "ch10/p030.jpg"},
        {"http://h/p[001-100]", 100, {{8, "http://h/p009"}, {99, "http://h/p100"}}, "p001", "p100"},
        {"http://h/p[1-100]", 100, {{8, "http://h/p9"}, {99, "http://h/p100"}}, "p1", "p100"},
        {"http://h/p[0-10]", 11, {{0, "http://h/p0"}, {10, "http://h/p10"}}, "p0", "p10"},
        {"http://h/[1-40:2].png",
         20,
         {{1, "http://h/3.png"}, {19, "http://h/39.png"}},
         "1.png",
         "39.png"},
        {"http://h/[1-10:4]", 3, {{2, "http://h/9"}}, "1", "9"},
        {"http://h/[a-z:3].gif", 9, {{8, "http://h/y.gif"}}, "a.gif", "y.gif"},
        {"http://h/[A-C]{front,back}.jpg",
         6,
         {{0, "http://h/Afront.jpg"}, {1, "http://h/Aback.jpg"}, {5, "http://h/Cback.jpg"}},
         "Afront.jpg",
         "Cback.jpg"},
        {"http://h/d/pic{,_hd}.jpg",
         2,
         {{0, "http://h/d/pic.jpg"}, {1, "http://h/d/pic_hd.jpg"}},
         "pic.jpg",
         "pic_hd.jpg"},
        {"http://[::1]:8080/a[1-3].jpg", 3, {{0, "http://[::1]:8080/a1.jpg"}}, "a1.jpg", "a3.jpg"},
        {"http://u@[fe80::1%25eth0]/[7-9]", 3, {{2, "http://u@[fe80::1%25eth0]/9"}}, "7", "9"},
        {"http://img[1-3].h/a.jpg",
         3,
         {{1, "http://img2.h/a.jpg"}},
         "img1.h/a.jpg",
         "img3.h/a.jpg"},
        {R"(http://h/a\[1\]\{x\,y\}[1-2])",
         2,
         {{0, "http://h/a[1]{x,y}1"}},
         "a[1]{x,y}1",
         "a[1]{x,y}2"},
        {"http://h/{a,b}{,.}/x", 4, {{1, "http://h/a./x"}, {2, "http://h/b/x"}}, "a/x", "b./x"},
        {"http://h/view.php?page=[1-5]",
         5,
         {{4, "http://h/view.php?page=5"}},
         "view.php_1",
         "view.php_5"},
        {"http://h/ch[1-2]/v.php?p=[1-3]&s={a,b}#t",
         12,
         {{0, "http://h/ch1/v.php?p=1&s=a#t"}, {11, "http://h/ch2/v.php?p=3&s=b#t"}},
         "ch1/v.php_1_a",
         "ch2/v.php_3_b"},
        {"http://h/x[5-5]", 1, {{0, "http://h/x5"}}, "x5", "x5"},
        {"http://h/[9223372036854775807-9223372036854775807]",
         1,
         {{0, "http://h/9223372036854775807"}},
         "9223372036854775807",
         "9223372036854775807"},
        {"http://h/d/plain.jpg?v=2",
         1,
         {{0, "http://h/d/plain.jpg?v=2"}},
         "plain.jpg",
         "plain.jpg"},
    };
    for (const Expansion& c : cases) {
        SCOPED_TRACE(c.pattern);
        const UrlPattern p = UrlPattern::Parse(QString::fromUtf8(c.pattern));
        ASSERT_TRUE(p.IsValid()) << p.Error().toStdString();
        EXPECT_EQ(p.HasPattern(), c.count > 1 || p.GlobCount() > 0);
        EXPECT_FALSE(p.OpenEnd());
        EXPECT_EQ(p.Count(kCap), c.count);
        for (const auto& [index, url] : c.urls)
            EXPECT_EQ(p.UrlAt(index), QString::fromUtf8(url)) << index;
        EXPECT_EQ(p.RelativePathError(), QString());
        EXPECT_EQ(p.RelativePath(0), QString::fromUtf8(c.firstPath));
        EXPECT_EQ(p.RelativePath(c.count - 1), QString::fromUtf8(c.lastPath));
        qint64 walked = 0;
        for (UrlPattern::Cursor it(p); !it.AtEnd(); it.Next(), ++walked) {
            ASSERT_EQ(it.Index(), walked);
            ASSERT_EQ(it.Url(), p.UrlAt(walked));
        }
        EXPECT_EQ(walked, c.count);
    }
    EXPECT_FALSE(UrlPattern::Parse("http://h/d/plain.jpg").HasPattern());
}

TEST(UrlPattern, RefusesWhatItCannotReadNamingTheColumn) {
    const struct {
        const char* pattern;
        int column;
        const char* error;
    } cases[] = {
        {"http://h/a[1-3.jpg", 11, "the \"[\" is not closed by a \"]\"."},
        {"http://[::1/a", 8, "the \"[\" is not closed by a \"]\"."},
        {"http://h/{a,b.jpg", 10, "the \"{\" is not closed by a \"}\"."},
        {"http://h/{a,{b}}", 13, "lists do not nest."},
        {"http://h/{a,[1-2]}", 13,
         "a list item cannot hold a range; write \\[ for the character itself."},
        {"http://h/a]", 11, "\"]\" closes nothing; write \\] for the character itself."},
        {"http://h/[30-01]", 11, "the range starts after it ends (30 > 01)."},
        {"http://h/[z-a]", 11, "the range starts after it ends (z > a)."},
        {"http://h/[1-5:0]", 15, "the step must be 1 or more."},
        {"http://h/[1-5:-2]", 15, "the step must be 1 or more."},
        {"http://h/[1-99999999999999999999]", 13,
         "99999999999999999999 is past the largest 64-bit number."},
        {"http://h/[9223372036854775808-]", 11,
         "9223372036854775808 is past the largest 64-bit number."},
        {"http://h/[1-5:9223372036854775808]", 15,
         "9223372036854775808 is past the largest 64-bit number."},
        {"http://h/[a-Z]", 11, "a range of letters keeps to one case (a-Z)."},
        {"http://h/[a-9]", 11, "a range is of letters or of numbers, not both (a-9)."},
        {"http://h/[1-z]", 11, "a range is of letters or of numbers, not both (1-z)."},
        {"http://h/[a-]", 11, "a range of letters cannot be open-ended."},
        {"http://h/[1-]/[1-3]", 10, "only the last range may be open-ended."},
        {"http://h/[1-]{a,b}", 10, "only the last range may be open-ended."},
        {"http://h/[x]", 10, "a range is written as [01-30], [a-z], [1-40:2] or [001-]."},
        {"http://h/[]", 10, "a range is written as [01-30], [a-z], [1-40:2] or [001-]."},
        {"http://h/[1-5:]", 10, "a range is written as [01-30], [a-z], [1-40:2] or [001-]."},
        {"http://h/[aa-zz]", 10, "a range is written as [01-30], [a-z], [1-40:2] or [001-]."},
        {"http://h/{a}{a}{a}{a}{a}{a}{a}{a}{a}{a}", 37, "at most 9 ranges and lists in one URL."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const UrlPattern p = UrlPattern::Parse(QString::fromUtf8(c.pattern));
        EXPECT_FALSE(p.IsValid());
        EXPECT_EQ(p.ErrorColumn(), c.column);
        EXPECT_EQ(p.Error(), QStringLiteral("Column %1: %2").arg(c.column).arg(c.error));
        EXPECT_EQ(p.RelativePathError(), p.Error());
    }
    EXPECT_TRUE(UrlPattern::Parse("http://h/{a}{a}{a}{a}{a}{a}{a}{a}{a}").IsValid());
}

// Saving under the URL's own path is refused where jobs would share a file
// or leave their folder; the URLs themselves are fine.
TEST(UrlPattern, RefusesRelativePathsThatNameNoFile) {
    const struct {
        const char* pattern;
        int column;
        const char* error;
    } cases[] = {
        {"http://h/{a/b,c}.jpg", 10,
         "the list item \"a/b\" holds a \"/\": name the files with a template instead."},
        {"http://h/v?d={x,../..}", 14,
         "the list item \"../..\" holds a \"/\": name the files with a template instead."},
        {"http://h/{x,}/[1-3].jpg", 10,
         "the path segment can be empty, which is no folder or file name."},
        {"http://h/{,.}{,.}/[1-3]", 10,
         "the path segment can be empty, which is no folder or file name."},
        {"http://h/{.,..}/[1-3].jpg", 10,
         "the path segment can be \"..\", which is no folder or file name."},
        {"http://h/.{x,.}/[1-3]", 11,
         "the path segment can be \"..\", which is no folder or file name."},
        {"http://h/{a,.}/[1-3]", 10,
         "the path segment can be \".\", which is no folder or file name."},
        {"http://h/[1-3]/", 16, "the path segment can be empty, which is no folder or file name."},
        {"http://h/[1-3]//x", 16,
         "the path segment can be empty, which is no folder or file name."},
        {"http://h/[1-3]/../x.jpg", 16,
         "the path segment can be \"..\", which is no folder or file name."},
        {"http://h/?page=[1-3]", 10,
         "the path segment can be empty, which is no folder or file name."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const UrlPattern p = UrlPattern::Parse(QString::fromUtf8(c.pattern));
        ASSERT_TRUE(p.IsValid()) << p.Error().toStdString();
        EXPECT_EQ(p.RelativePathError(),
                  QStringLiteral("Column %1: %2").arg(c.column).arg(c.error));
    }
}

TEST(UrlPattern, FileNamesFromATemplateAsCurlNumbersThem) {
    const struct {
        const char* pattern;
        qint64 index;
        const char* outputTemplate;
        const char* name;
    } cases[] = {
        {"http://h/ch[01-10]/p[001-030].jpg", 31, "#1-#2.jpg", "02-002.jpg"},
        {"http://h/ch[01-10]/p[001-030].jpg", 31, "##1_#3_#0_#12_#", "#02_#3_#0_#12_#"},
        {"http://h/{front,back}_[a-c]", 5, "#2#1#2", "cbackc"},
        {"http://h/{,_hd}", 0, "x#1.jpg", "x.jpg"},
        {"http://h/p[001-]", 4, "p#1.jpg", "p005.jpg"},
        {"http://h/p.jpg", 0, "#1.jpg", "#1.jpg"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        const UrlPattern p = UrlPattern::Parse(QString::fromUtf8(c.pattern));
        EXPECT_EQ(p.FileName(c.index, QString::fromUtf8(c.outputTemplate)),
                  QString::fromUtf8(c.name));
    }
    EXPECT_EQ(UrlPattern::Parse("http://h/[a-c]/{x,y}/[8-10]").ValuesAt(11),
              QStringList({"b", "y", "10"}));
}

// With an open end the outer globs count series; the open range runs on
// until the largest 64-bit number.
TEST(UrlPattern, OpenEndCountsTheOuterGlobsAndRunsOn) {
    const UrlPattern p = UrlPattern::Parse("http://h/ch[01-03]/p[001-:2]");
    ASSERT_TRUE(p.IsValid());
    EXPECT_TRUE(p.OpenEnd());
    EXPECT_EQ(p.Count(kCap), 3);
    EXPECT_EQ(p.UrlAt(0), "http://h/ch01/p001");
    EXPECT_EQ(p.UrlAt(1000, 2), "http://h/ch03/p2001");
    EXPECT_EQ(p.RelativePath(4, 1), "ch02/p009");

    UrlPattern::Cursor it(p);
    it.Next();
    it.Next();
    EXPECT_EQ(it.Url(), "http://h/ch01/p005");
    it.NextSeries();
    EXPECT_EQ(it.Url(), "http://h/ch02/p001");
    EXPECT_EQ(std::pair(it.Series(), it.Index()), std::pair(qint64(1), qint64(0)));
    it.NextSeries();
    it.NextSeries();
    EXPECT_TRUE(it.AtEnd());

    const UrlPattern last = UrlPattern::Parse("http://h/[9223372036854775806-]");
    EXPECT_EQ(last.Count(kCap), 1);
    EXPECT_EQ(last.UrlAt(1), "http://h/9223372036854775807");
    EXPECT_EQ(last.UrlAt(2), QString());
    UrlPattern::Cursor end(last);
    end.Next();
    EXPECT_FALSE(end.AtEnd());
    end.Next();
    EXPECT_TRUE(end.AtEnd());

    // Without an open end, NextSeries skips the rest of the last glob.
    const UrlPattern two = UrlPattern::Parse("http://h/c[1-3]/p[1-5]");
    UrlPattern::Cursor closed(two);
    closed.Next();
    closed.NextSeries();
    EXPECT_EQ(closed.Url(), "http://h/c2/p1");
    EXPECT_EQ(closed.Index(), 5);
}

TEST(UrlPattern, CountIsRefusedPastTheCapWithoutOverflowing) {
    const struct {
        const char* pattern;
        qint64 cap;
        std::optional<qint64> count;
    } cases[] = {
        {"http://h/[1-1000]/[1-1000]", 1'000'000, 1'000'000},
        {"http://h/[1-1000]/[1-1000]", 999'999, std::nullopt},
        {"http://h/[0-9223372036854775806]", std::numeric_limits<qint64>::max(),
         std::numeric_limits<qint64>::max()},
        {"http://h/[0-9223372036854775806][0-1]", std::numeric_limits<qint64>::max(), std::nullopt},
        {"http://h/{a,b}[1-9]{c,d}[1-9]{e,f}[1-9]{g,h}[1-9]{i,j}", 5'000'000, 209'952},
        {"http://h/{a,b}[1-9]{c,d}[1-9]{e,f}[1-9]{g,h}[1-9]{i,j}", 200'000, std::nullopt},
        {"http://h/p[1-1000001]/[1-]", kCap, std::nullopt},
        {"http://h/p.jpg", 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        QString error;
        EXPECT_EQ(UrlPattern::Parse(c.pattern).Count(c.cap, &error), c.count);
        EXPECT_EQ(error,
                  c.count
                      ? QString()
                      : QStringLiteral("The ranges and lists make more than %1 jobs.").arg(c.cap));
    }
}

// The window's single series is the one-range pattern: where the series'
// digit count and the width of the start text agree, both list up the same
// URLs, and the series' files are the pattern's relative paths.
TEST(UrlPattern, OneRangeListsUpAsTheSeriesDoes) {
    const struct {
        const char* head;
        int digits;
        qint32 start;
        qint32 end;
        qint32 step;
        const char* tail;
    } cases[] = {
        {"pic", 2, 1, 12, 1, ".jpg"},  {"pic", 3, 1, 100, 1, ".jpg"}, {"", 1, 1, 15, 1, ""},
        {"a_", 2, 5, 40, 3, ".png"},   {"x", 3, 100, 120, 1, ".gif"}, {"img", 4, 0, 11, 1, ".jpg"},
        {"p", 1, 9, 11, 1, ".jpg"},    {"p", 2, 10, 12, 1, ""},       {"p", 1, 0, 0, 1, ".jpg"},
        {"t", 2, 7, 1000, 7, ".webp"},
    };
    for (const auto& c : cases) {
        SeriesSpec spec;
        spec.baseUrl = QStringLiteral("http://127.0.0.1:8080/pics/");
        spec.saveDir = QStringLiteral("/tmp/save/");
        spec.head = QString::fromUtf8(c.head);
        spec.digits = c.digits;
        spec.start = c.start;
        spec.end = c.end;
        spec.step = c.step;
        spec.tail = QString::fromUtf8(c.tail);
        const QString text = spec.baseUrl + spec.head + "[" + IntToStrL(c.start, c.digits) + "-" +
                             QString::number(c.end) +
                             (c.step == 1 ? QString() : ":" + QString::number(c.step)) + "]" +
                             spec.tail;
        SCOPED_TRACE(text.toStdString());
        const UrlPattern p = UrlPattern::Parse(text);
        const JobList jobs = ExpandSeries(spec);
        ASSERT_EQ(p.Count(kCap), qint64(jobs.size()));
        for (size_t i = 0; i < jobs.size(); ++i) {
            ASSERT_EQ(p.UrlAt(qint64(i)), jobs.url(i)) << i;
            ASSERT_EQ(spec.saveDir + p.RelativePath(qint64(i)), jobs.path(i)) << i;
        }
    }
}
