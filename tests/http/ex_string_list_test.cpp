#include "http/ex_string_list.h"

#include <gtest/gtest.h>
#include <utility>
#include <vector>

namespace {

TExStringList listOf(const std::vector<const char*>& lines, bool sorted = false) {
    TExStringList list;
    for (const char* line : lines)
        list.Add(line);
    list.SetSorted(sorted);
    return list;
}

} // namespace

TEST(ExStringList, IndexOfHeaderMatchesWholeNameIgnoringCase) {
    for (const bool sorted : {false, true}) {
        SCOPED_TRACE(sorted ? "sorted" : "unsorted");
        const TExStringList list = listOf({"GET http://h/ HTTP/1.0", "Host: h", "Cookie: a=1",
                                           "Accept: x", "Accept-Language: y", "no colon"},
                                          sorted);
        EXPECT_EQ(list.Strings(list.IndexOfHeader("cookie")), "Cookie: a=1");
        EXPECT_EQ(list.Strings(list.IndexOfHeader("HOST")), "Host: h");
        // A name that is the start of another sorts before it.
        ASSERT_GE(list.IndexOfHeader("accept"), 0);
        EXPECT_EQ(list.Strings(list.IndexOfHeader("accept")), "Accept: x");
        EXPECT_EQ(list.Strings(list.IndexOfHeader("Accept-language")), "Accept-Language: y");
        EXPECT_EQ(list.IndexOfHeader("GET"), -1);
        // The request line's "name" is the text before its first colon.
        ASSERT_GE(list.IndexOfHeader("get HTTP"), 0);
        EXPECT_EQ(list.Strings(list.IndexOfHeader("get HTTP")), "GET http://h/ HTTP/1.0");
        EXPECT_EQ(list.IndexOfHeader("Cook"), -1);
        EXPECT_EQ(list.IndexOfHeader("Referer"), -1);
        EXPECT_EQ(list.IndexOfHeader("no colon"), -1);
    }
    EXPECT_EQ(TExStringList().IndexOfHeader("Host"), -1);
    TExStringList emptySorted;
    emptySorted.SetSorted(true);
    EXPECT_EQ(emptySorted.IndexOfHeader(""), -1);
}

TEST(ExStringList, SetHeaderReplacesInPlaceAppendsOrDeletes) {
    TExStringList list = listOf({"GET / HTTP/1.0", "host: x", "Accept: a"});
    list.SetHeader("Host", "y");
    EXPECT_EQ(list.Text(), "GET / HTTP/1.0\r\nHost: y\r\nAccept: a\r\n");
    list.SetHeader("Cookie", "c=1");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Strings(3), "Cookie: c=1");
    list.SetHeader("HOST", "");
    EXPECT_EQ(list.Text(), "GET / HTTP/1.0\r\nAccept: a\r\nCookie: c=1\r\n");
    list.SetHeader("Host", "");
    EXPECT_EQ(list.Count(), 3);
}

TEST(ExStringList, SortedListKeepsOrderThroughEdits) {
    const struct {
        std::vector<const char*> lines;
        std::vector<std::pair<const char*, const char*>> edits;
        const char* text;
    } cases[] = {
        {{"b: 2", "a: 1"}, {{"c", "3"}, {"A", "9"}}, "A: 9\r\nb: 2\r\nc: 3\r\n"},
        // Sorted by name, not by whole line: "Accept-Language: y" < "Accept: x".
        {{"Accept-Language: y", "Accept: x"},
         {{"Accept", "z"}, {"Accept-Encoding", "e"}},
         "Accept: z\r\nAccept-Encoding: e\r\nAccept-Language: y\r\n"},
        {{"X-B: 1", "X: 2", "X-A: 3"}, {{"x", ""}, {"X-A", ""}}, "X-B: 1\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TExStringList list = listOf(c.lines, true);
        for (const auto& [name, value] : c.edits)
            list.SetHeader(name, value);
        EXPECT_EQ(list.Text(), c.text);
        for (qsizetype i = 0; i < list.Count(); ++i) {
            const QByteArray& line = list.Strings(i);
            EXPECT_EQ(list.IndexOfHeader(line.left(line.indexOf(':'))), i) << line.constData();
        }
    }
}
