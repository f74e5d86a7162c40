// The window's client options between the settings file, the dialog and a run.
#include "app/job_grid.h"
#include "app/run_session.h"
#include "app/window_client_options.h"
#include "http/nmhttp.h"
#include "tests/support/test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

Settings FileWith(bool proxyEnabled) {
    Settings s;
    s.proxyEnabled = proxyEnabled;
    s.proxyHost = "proxy.lan";
    s.proxyPort = 8080;
    s.request.userAgent = "UA/1";
    s.request.refererIsBaseUrl = true;
    s.request.parallel = 3;
    s.request.retries = 5;
    s.request.intervalMs = 1500;
    return s;
}

TEST(WindowClientOptions, WhatWasReadGoesBackAtTheNextStoreWithTheProxyOnlyOnYes) {
    const struct {
        bool proxyEnabled;
        QString host;
        int port;
    } rows[] = {{true, "proxy.lan", 8080}, {false, "", 0}};
    for (const auto& row : rows) {
        JobGrid grid;
        RunSession session(grid);
        WindowClientOptions options(session);
        options.Apply(FileWith(row.proxyEnabled));
        EXPECT_TRUE(session.Http().InputFileMode);
        EXPECT_TRUE(session.Client().RefererFromBaseUrl());
        EXPECT_EQ(session.Run().TickInterval(), 1500);
        Settings stored;
        options.Read(stored);
        EXPECT_EQ(stored.proxyHost, row.host) << row.proxyEnabled;
        EXPECT_EQ(stored.proxyPort, row.port) << row.proxyEnabled;
        EXPECT_EQ(stored.request, FileWith(row.proxyEnabled).request);
    }
}

TEST(WindowClientOptions, AnAcceptedEditReachesTheClientTheRunAndTheNextStore) {
    JobGrid grid;
    RunSession session(grid);
    WindowClientOptions options(session);
    options.Apply(FileWith(false));
    options.Edit([](QString& proxy, int& port, RequestSettings& request, ProxyLogin& login) {
        login = {"bob", "pw", true};
        proxy = "other.lan";
        port = 3128;
        request.userAgent = "UA/2";
        request.refererIsBaseUrl = false;
        request.parallel = 2;
        request.retries = 0;
        request.intervalMs = 0;
        return true;
    });
    EXPECT_EQ(session.Run().TickInterval(), 0);
    EXPECT_EQ(session.Http().Proxy, "other.lan");
    EXPECT_EQ(session.Http().HeaderInfo.LocalProgram, "UA/2");
    EXPECT_FALSE(session.Client().RefererFromBaseUrl());
    options.PrepareRun();
    EXPECT_EQ(session.Run().Parallel(), 2);
    EXPECT_EQ(session.Run().Retries(), 0);
    Settings stored;
    options.Read(stored);
    EXPECT_EQ(stored.proxyPort, 3128);
    EXPECT_EQ(stored.request, options.Request());
    EXPECT_EQ(session.Http().ProxyUser, "bob");
    EXPECT_EQ(session.Http().ProxyPassword, "pw");
    EXPECT_EQ(stored.proxyUser, "bob");
    EXPECT_EQ(stored.proxyPassword, "pw");
    EXPECT_TRUE(stored.rememberProxyPassword);
}

TEST(WindowClientOptions, EachRunStartsFromTheCookieFileWithItsCapAndTheListedLogins) {
    QTemporaryDir dir;
    const QString cookies = dir.filePath("cookies.txt");
    ASSERT_TRUE(testenv::writeFile(cookies, "h.example\tFALSE\t/\tFALSE\t0\ts\t42\nbad\n"));
    JobGrid grid;
    RunSession session(grid);
    WindowClientOptions options(session);
    Settings s = FileWith(false);
    s.request.cookieFile = cookies;
    s.request.limitRate = 200 * 1024;
    options.Apply(s);

    QStringList warnings = options.PrepareRun();
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].startsWith(cookies + " line 2 skipped"));
    EXPECT_EQ(session.Http().Cookies->CookieLineFor("h.example", "/", false, 1), "s=42");
    ASSERT_TRUE(session.Http().Pace);
    // What a reply set in one run is not sent in the next.
    session.Http().Cookies->SetFromReply("r=1", "h.example", "/", false, 1);
    options.PrepareRun();
    EXPECT_EQ(session.Http().Cookies->CookieLineFor("h.example", "/", false, 1), "s=42");

    // A login typed into the URL is the window's, for that server alone.
    EXPECT_EQ(options.TakeLoginFromUrl("http://alice:pw@nas.local/g/"), "http://nas.local/g/");
    EXPECT_EQ(options.LoginFor("http://nas.local/g/p01.jpg"), (BasicLogin{"alice", "pw"}));
    EXPECT_EQ(options.LoginFor("http://other.local/g/p01.jpg"), std::nullopt);

    // A login given when a server asked: written back only when remembered.
    options.KeepLogin("https://g.example/a/p01.jpg", {"dan", "pw"}, false);
    options.KeepLogin("http://nas.local/b/", {"carol", "pw2"}, true);
    EXPECT_EQ(options.LoginFor("https://g.example/x"), (BasicLogin{"dan", "pw"}));
    EXPECT_EQ(options.LoginFor("http://nas.local/g/p01.jpg"), (BasicLogin{"carol", "pw2"}));
    Settings stored;
    options.Read(stored);
    const QList<ServerLogin> remembered{{"http://nas.local:80", "carol", "pw2"}};
    EXPECT_EQ(stored.serverLogins, remembered);
    // Unticked the next time: forgotten by the file.
    options.KeepLogin("http://nas.local/", {"carol", "pw3"}, false);
    options.Read(stored);
    EXPECT_TRUE(stored.serverLogins.isEmpty());

    s.request.cookieFile.clear();
    s.request.limitRate = 0;
    options.Apply(s);
    EXPECT_TRUE(options.PrepareRun().isEmpty());
    EXPECT_EQ(session.Http().Cookies->CookieLineFor("h.example", "/", false, 1), "");
    EXPECT_FALSE(session.Http().Pace);
}

} // namespace
