// The window's client options between the settings file, the dialog and a run.
#include "app/job_grid.h"
#include "app/run_session.h"
#include "app/window_client_options.h"
#include "http/nmhttp.h"

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
    options.Edit([](QString& proxy, int& port, RequestSettings& request) {
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
}

} // namespace
