#include "http/ex_string_list.h"

#include <gtest/gtest.h>

namespace {

TExStringList listOf(std::initializer_list<const char*> lines, bool sorted = false) {
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
    TExStringList list = listOf({"b: 2", "a: 1"}, true);
    list.SetHeader("c", "3");
    list.SetHeader("A", "9");
    EXPECT_EQ(list.Text(), "A: 9\r\nb: 2\r\nc: 3\r\n");
    for (const char* name : {"a", "B", "c"})
        EXPECT_GE(list.IndexOfHeader(name), 0) << name;
}
