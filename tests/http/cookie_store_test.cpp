// The run's cookies: cookies.txt as browsers' add-ons, curl and wget write
// it, Set-Cookie by RFC 6265, and which request gets which cookie.
#include "http/cookie_store.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 kNow = 1'800'000'000; // 2027-01-15

TEST(CookieStore, ReadsCookieDatesInTheFormsServersSend) {
    const struct {
        const char* text;
        qint64 expected;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
        {"Fri, 15-Jan-2027 08:00:00 GMT", kNow},
        {"15 Jan 2027 08:00:00", kNow},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 0},
        {"Fri, 31 Feb 2025 08:00:00 GMT", -1}, // no such day
        {"Fri, 01 Foo 2025 08:00:00 GMT", -1}, // no month
        {"Fri, 01 Jan 2025", -1},              // no time
        {"Fri, 01 Jan 2025 25:00:00 GMT", -1},
        {"", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CookieStore::ParseCookieDate(c.text), c.expected) << c.text;
}

TEST(CookieStore, MatchesDomainsAndPathsAsRfc6265Says) {
    const struct {
        const char* host;
        const char* domain;
        bool matches;
    } domains[] = {
        {"example.com", "example.com", true},     {"www.example.com", "example.com", true},
        {"wwwexample.com", "example.com", false}, {"example.com", "www.example.com", false},
        {"192.168.0.1", "168.0.1", false}, // no suffix match on an address
        {"192.168.0.1", "192.168.0.1", true},
    };
    for (const auto& d : domains)
        EXPECT_EQ(CookieStore::DomainMatches(d.host, d.domain), d.matches)
            << d.host << " in " << d.domain;
    const struct {
        const char* request;
        const char* cookie;
        bool matches;
    } paths[] = {
        {"/gallery", "/gallery", true},
        {"/gallery/p1.jpg", "/gallery", true},
        {"/gallery/p1.jpg", "/gallery/", true},
        {"/gallery2/p1.jpg", "/gallery", false},
        {"/", "/gallery", false},
        {"/anything", "/", true},
    };
    for (const auto& p : paths)
        EXPECT_EQ(CookieStore::PathMatches(p.request, p.cookie), p.matches)
            << p.request << " under " << p.cookie;
    EXPECT_EQ(CookieStore::DefaultPath("/gallery/vol1/p1.jpg?x=/y"), "/gallery/vol1");
    EXPECT_EQ(CookieStore::DefaultPath("/p1.jpg"), "/");
    EXPECT_EQ(CookieStore::DefaultPath("p1.jpg"), "/");
}

// Set-Cookie lines from a server, then the Cookie line each request gets.
TEST(CookieStore, SendsEachCookieOnlyWhereAndWhileItApplies) {
    struct Set {
        const char* line;
        const char* host;
        const char* path;
        bool https;
        bool taken;
    };
    struct Ask {
        const char* host;
        const char* path;
        bool https;
        qint64 at;
        const char* cookieLine;
    };
    const struct {
        const char* name;
        std::vector<Set> sets;
        std::vector<Ask> asks;
    } cases[] = {
        {"host-only cookie goes to its host alone, under its default path",
         {{"sid=1", "gallery.example", "/vol1/p01.jpg", false, true}},
         {{"gallery.example", "/vol1/p02.jpg", false, kNow, "sid=1"},
          {"GALLERY.example", "/vol1/", false, kNow, "sid=1"},
          {"www.gallery.example", "/vol1/p02.jpg", false, kNow, ""},
          {"gallery.example", "/vol2/p02.jpg", false, kNow, ""}}},
        {"Domain reaches the subdomains; a neighbour's Domain is refused",
         {{"a=1; Domain=.example.com; Path=/", "www.example.com", "/", false, true},
          {"b=2; Domain=other.com", "www.example.com", "/", false, false},
          {"c=3; Domain=com", "example.com", "/", false, false}},
         {{"img.example.com", "/x", false, kNow, "a=1"}, {"other.com", "/", false, kNow, ""}}},
        {"Secure goes over https only, and plain http cannot set it",
         {{"s=1; Secure; Path=/", "h.example", "/", true, true},
          {"t=2; Secure", "h.example", "/", false, false}},
         {{"h.example", "/", true, kNow, "s=1"}, {"h.example", "/", false, kNow, ""}}},
        {"Max-Age beats Expires; an expired cookie deletes its namesake",
         {{"m=1; Max-Age=60; Expires=Wed, 01 Jan 2020 00:00:00 GMT", "h", "/", false, true},
          {"e=1; Expires=Wed, 01 Jan 2020 00:00:00 GMT", "h", "/", false, true},
          {"k=1", "h", "/", false, true},
          {"k=gone; Max-Age=0", "h", "/", false, true}},
         {{"h", "/", false, kNow + 59, "m=1"}, {"h", "/", false, kNow + 60, ""}}},
        {"a Max-Age past any clock is kept, not wrapped round into the past",
         {{"far=1; Max-Age=9223372036854775807", "h", "/", false, true}},
         {{"h", "/", false, kNow + qint64(86400) * 365 * 100, "far=1"}}},
        {"longer paths first, then older cookies; a cookie set again keeps its place",
         {{"a=1; Path=/", "h", "/", false, true},
          {"b=2; Path=/g", "h", "/", false, true},
          {"c=3; Path=/", "h", "/", false, true},
          {"a=4; Path=/", "h", "/", false, true}},
         {{"h", "/g/p.jpg", false, kNow, "b=2; a=4; c=3"}}},
        {"malformed lines and control bytes are refused",
         {{"novalue", "h", "/", false, false},
          {"=v", "h", "/", false, false},
          {"x=1\r\nEvil: yes", "h", "/", false, false}},
         {{"h", "/", false, kNow, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CookieStore store;
        for (const Set& s : c.sets)
            EXPECT_EQ(store.SetFromReply(s.line, s.host, s.path, s.https, kNow), s.taken) << s.line;
        for (const Ask& a : c.asks)
            EXPECT_EQ(store.CookieLineFor(a.host, a.path, a.https, a.at), QByteArray(a.cookieLine))
                << a.host << a.path << " at +" << a.at - kNow;
    }
}

TEST(CookieStore, ReadsAndWritesCookiesTxt) {
    const QByteArray file =
        "# Netscape HTTP Cookie File\n"
        "# written by an export add-on\n"
        "\n"
        ".example.com\tTRUE\t/\tFALSE\t0\tsession\tabc\n"
        "#HttpOnly_gallery.example\tFALSE\t/vol1\tTRUE\t1900000000\tsid\tx y\r\n"
        "old.example\tFALSE\t/\tFALSE\t1000\tgone\t1\n"
        "broken.example\tFALSE\t/\tFALSE\t0\tonly-six\n"
        "bad.example\tMAYBE\t/\tFALSE\t0\tn\tv\n"
        "bad.example\tFALSE\t/\tFALSE\tsoon\tn\tv\n"
        "bad.example\tFALSE\tnoslash\tFALSE\t0\tn\tv\n";
    CookieStore store;
    const std::vector<CookieStore::Problem> problems = store.LoadNetscape(file, kNow);
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].line, 7);
    EXPECT_EQ(problems[0].text, "6 fields where 7 are expected, split by tabs");
    EXPECT_EQ(problems[1].line, 8);
    EXPECT_EQ(problems[2].line, 9);
    EXPECT_EQ(problems[3].line, 10);

    ASSERT_EQ(store.Cookies().size(), 2u) << "the expired cookie is skipped";
    EXPECT_EQ(store.CookieLineFor("www.example.com", "/a", false, kNow), "session=abc");
    EXPECT_EQ(store.CookieLineFor("gallery.example", "/vol1/p.jpg", false, kNow), "")
        << "the Secure cookie stays off plain http";
    EXPECT_EQ(store.CookieLineFor("gallery.example", "/vol1/p.jpg", true, kNow), "sid=x y");
    EXPECT_TRUE(store.Cookies()[1].httpOnly);

    const QByteArray written = store.ToNetscape(kNow);
    EXPECT_EQ(written, "# Netscape HTTP Cookie File\n"
                       ".example.com\tTRUE\t/\tFALSE\t0\tsession\tabc\n"
                       "#HttpOnly_gallery.example\tFALSE\t/vol1\tTRUE\t1900000000\tsid\tx y\n");
    CookieStore again;
    EXPECT_TRUE(again.LoadNetscape(written, kNow).empty());
    EXPECT_EQ(again.Cookies(), store.Cookies());
    EXPECT_EQ(store.ToNetscape(1'900'000'000),
              "# Netscape HTTP Cookie File\n.example.com\tTRUE\t/\tFALSE\t0\tsession\tabc\n")
        << "an expired cookie is not written back";
}

} // namespace
