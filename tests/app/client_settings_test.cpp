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

TEST(ClientSettings, TheClientGetsWhatTheSettingsSayAndNothingMore) {
    TNMHTTP http;
    Settings s;
    s.proxyHost = "proxy.lan";
    s.proxyPort = 3128;
    ApplySettingsToClient(s, http);
    // Defaults: TLS on, no proxy without Proxy=Yes, no request line added.
    EXPECT_TRUE(http.TLS);
    EXPECT_EQ(http.Proxy, "");
    EXPECT_EQ(http.HeaderInfo.LocalProgram, "");
    EXPECT_EQ(http.HeaderInfo.Referer, "");
    EXPECT_TRUE(http.ExtraHeaders.isEmpty());

    s.proxyEnabled = true;
    s.request = {false,       "/ca.pem", "UA/1",
                 "http://r/", false,     {"Cookie:a=1", "not a line", "X-Bad: \x01", "X-Ok:  2 "}};
    ApplySettingsToClient(s, http);
    EXPECT_FALSE(http.TLS);
    EXPECT_EQ(http.Proxy, "proxy.lan");
    EXPECT_EQ(http.ProxyPort, 3128);
    EXPECT_EQ(http.TlsCaFile, "/ca.pem");
    EXPECT_EQ(http.HeaderInfo.LocalProgram, "UA/1");
    EXPECT_EQ(http.HeaderInfo.Referer, "http://r/");
    EXPECT_EQ(http.ExtraHeaders, (QList<QByteArray>{"Cookie: a=1", "X-Ok: 2"}));

    // The Referer from each job's base URL is not a fixed one.
    s.request.refererIsBaseUrl = true;
    ApplySettingsToClient(s, http);
    EXPECT_EQ(http.HeaderInfo.Referer, "");
}
