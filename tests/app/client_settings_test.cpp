#include "app/client_settings.h"
#include "http/nmhttp.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

TEST(ClientSettings, BaseUrlIsThePageAFileSitsIn) {
    const struct {
        const char* url;
        const char* base;
    } rows[] = {
        {"http://h.example/g/p001.jpg", "http://h.example/g/"},
        {"https://h.example:8443/a/b/c.png", "https://h.example:8443/a/b/"},
        {"http://h.example/p.jpg?from=/x/y", "http://h.example/"},
        {"http://h.example/", "http://h.example/"},
        {"http://h.example", "http://h.example"},
        {"h.example/g/p.jpg", "h.example/g/"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(BaseUrlOf(row.url), row.base) << row.url;
}

TEST(ClientSettings, TheClientGetsTheProxyOnlyOnYesAndOnlyWellFormedLines) {
    TNMHTTP http;
    Settings s;
    s.proxyHost = "proxy.lan";
    s.request = {false,       "/ca.pem", "UA/1",
                 "http://r/", false,     {"Cookie:a=1", "not a line", "X-Bad: \x01", "X-Ok:  2 "}};
    ApplySettingsToClient(s, http);
    EXPECT_EQ(http.Proxy, "");
    EXPECT_FALSE(http.TLS);
    EXPECT_EQ(http.TlsCaFile, "/ca.pem");
    EXPECT_EQ(http.HeaderInfo.LocalProgram, "UA/1");
    EXPECT_EQ(http.HeaderInfo.Referer, "http://r/");
    EXPECT_EQ(http.ExtraHeaders, (QList<QByteArray>{"Cookie: a=1", "X-Ok: 2"}));
    s.proxyEnabled = true;
    s.request.refererIsBaseUrl = true; // each job's own, set per request
    ApplySettingsToClient(s, http);
    EXPECT_EQ(http.Proxy, "proxy.lan");
    EXPECT_EQ(http.HeaderInfo.Referer, "");
}

TEST(ClientSettings, AValueThatWouldBreakARequestLineStopsTheRunNamingItsKey) {
    struct Row {
        RequestSettings request;
        QString problem;
    };
    const auto with = [](auto edit) {
        RequestSettings r;
        r.userAgent = "Serifetch/2.0";
        r.referer = "http://example.org/";
        r.extraHeaders = {"Cookie: a=1", "X-Two: 2"};
        edit(r);
        return r;
    };
    const std::vector<Row> rows = {
        {with([](RequestSettings&) {}), ""},
        {with([](RequestSettings& r) { r.userAgent = "x\r\nX-Injected: 1"; }),
         "The UserAgent in serifech.ini holds a line break (CR); nothing was fetched."},
        {with([](RequestSettings& r) { r.referer = "http://h/\x1b"; }),
         "The Referer in serifech.ini holds a control byte (0x1B); nothing was fetched."},
        {with([](RequestSettings& r) { r.extraHeaders[1] = "X-Two: 2\rX-Injected: 1"; }),
         "The Header2 in serifech.ini holds a line break (CR); nothing was fetched."},
        {with([](RequestSettings& r) { r.caFile = "/odd\tname.pem"; }), ""}, // never on the wire
    };
    for (const Row& row : rows)
        EXPECT_EQ(RequestSettingsProblem(row.request), row.problem);
}
