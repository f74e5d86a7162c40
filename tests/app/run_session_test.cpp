// The run as both front ends assemble it: every client set up by one value.
#include "app/run_session.h"
#include "http/nmhttp.h"
#include "tests/app/run_marks.h"
#include "tests/support/test_env.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ClientConfig EveryFieldSet() {
    ClientConfig config;
    config.proxyHost = QStringLiteral("proxy.example");
    config.proxyPort = 3128;
    config.tls = true;
    config.caFile = QStringLiteral("/etc/ca.pem");
    config.keepAlive = true;
    config.header.LocalProgram = "Agent/1";
    config.header.Referer = "http://r/";
    config.extraHeaders = {"Accept: */*"};
    config.timeOutMs = 1234;
    config.lowSpeedLimit = 99;
    config.refererFromBaseUrl = true;
    return config;
}

TEST(RunSession, AConfigGoesIntoAClientAndComesBackWhole) {
    const ClientConfig config = EveryFieldSet();
    TNMHTTP http;
    config.ApplyTo(http);
    EXPECT_TRUE(http.InputFileMode);
    const ClientConfig back = ClientConfig::Of(http, true);
    EXPECT_EQ(back.proxyHost, config.proxyHost);
    EXPECT_EQ(back.proxyPort, config.proxyPort);
    EXPECT_EQ(back.tls, config.tls);
    EXPECT_EQ(back.caFile, config.caFile);
    EXPECT_EQ(back.keepAlive, config.keepAlive);
    EXPECT_EQ(back.header.LocalProgram, config.header.LocalProgram);
    EXPECT_EQ(back.header.Referer, config.header.Referer);
    EXPECT_EQ(back.extraHeaders, config.extraHeaders);
    EXPECT_EQ(back.timeOutMs, config.timeOutMs);
    EXPECT_EQ(back.lowSpeedLimit, config.lowSpeedLimit);
    EXPECT_EQ(back.refererFromBaseUrl, config.refererFromBaseUrl);
}

// The proxy a front end names per URL reaches every client, not only the
// first: here it refuses each URL, so each job fails with its words before
// any connection is made.
TEST(RunSession, EveryClientAsksTheProxyForEachUrl) {
    QTemporaryDir dir;
    JobGrid grid;
    std::vector<Job> jobs;
    for (int n = 1; n <= 6; ++n)
        jobs.push_back(Job{{},
                           QStringLiteral("http://h%1.invalid/f").arg(n),
                           dir.filePath(QStringLiteral("f%1").arg(n))});
    grid.Append(std::move(jobs));
    RunSession session(grid);
    ClientConfig config = ClientConfig::Of(session.Http(), false);
    QStringList asked;
    config.proxyForUrl = [&asked](const QString& url,
                                  QString* problem) -> std::optional<ClientConfig::Proxy> {
        asked << url;
        *problem = QStringLiteral("no proxy for ") + url;
        return std::nullopt;
    };
    session.Prepare(config, 3);
    ASSERT_EQ(session.Run().Parallel(), 3);
    int started = 0;
    QObject::connect(&session.Run(), &DownloadRun::jobStarted, [&] { ++started; });
    bool ended = false;
    QObject::connect(&session.Run(), &DownloadRun::runFinished, [&] { ended = true; });
    session.Run().SetTickInterval(0);
    session.Run().GoButtonClick();
    ASSERT_TRUE(testenv::waitUntil([&] { return ended; }, 10'000));
    EXPECT_EQ(started, 6);
    EXPECT_EQ(asked.size(), 6);
    EXPECT_EQ(MarksOf(grid), QStringList(6, kFailed));
    EXPECT_EQ(grid.Reason(4), "no proxy for http://h4.invalid/f");

    // Prepared again for one client, the run has one lane.
    session.Prepare(config, 1);
    EXPECT_EQ(session.Run().Parallel(), 1);
}

} // namespace
