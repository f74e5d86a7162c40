// The client against servers nobody here wrote: real nginx, and real
// tinyproxy and squid in front of it. Every fetch runs with a time-out set,
// so a download that waited for the connection to close instead of ending at
// the announced length would end in an abort, not in success.
#include "http/nmhttp.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/squid_fixture.h"
#include "tests/support/test_env.h"
#include "tests/support/tinyproxy_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

enum class Route { Direct, Tinyproxy, Squid };

const char* routeName(Route route) {
    switch (route) {
    case Route::Direct:
        return "direct";
    case Route::Tinyproxy:
        return "tinyproxy";
    case Route::Squid:
        return "squid";
    }
    return "?";
}

struct Fetch {
    int successes = 0;
    int failures = 0;
    int packets = 0;
    qint64 expectedSeen = 0;
    QString error;
};

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = std::make_unique<QTemporaryDir>();
        files = {{"empty.bin", QByteArray()},
                 {"k1.bin", testenv::randomBytes(1024, 1024)},
                 {"m10.bin", testenv::randomBytes(10 << 20, 10 << 20)}};
        for (const auto& [name, bytes] : files)
            ASSERT_TRUE(testenv::writeFile(served->filePath(name), bytes));
        nginx = std::make_unique<NginxFixture>(
            served->path(), "location = /old { return 302 /k1.bin; }\n"
                            "location = /rel { absolute_redirect off; return 301 /k1.bin; }\n");
        QString error;
        ASSERT_TRUE(nginx->start(&error)) << error.toStdString();
        tinyproxy = std::make_unique<TinyproxyFixture>();
        ASSERT_TRUE(tinyproxy->start(&error)) << error.toStdString();
        squid = std::make_unique<SquidFixture>();
        ASSERT_TRUE(squid->start(&error)) << error.toStdString();
    }

    static void TearDownTestSuite() {
        squid.reset();
        tinyproxy.reset();
        nginx.reset();
        served.reset();
    }

    void SetUp() override {
        if (!nginx || !tinyproxy || !squid)
            GTEST_FAIL() << "servers did not start";
        ASSERT_TRUE(out.isValid());
    }

    static void route(TNMHTTP& http, Route via) {
        http.Proxy = via == Route::Direct ? QString() : QStringLiteral("127.0.0.1");
        http.ProxyPort = via == Route::Tinyproxy ? tinyproxy->port()
                         : via == Route::Squid   ? squid->port()
                                                 : 0;
    }

    Fetch get(TNMHTTP& http, const QString& path) {
        Fetch fetch;
        http.SetTimeOut(5000);
        http.OnSuccess = [&](CmdType) { ++fetch.successes; };
        http.OnFailure = [&](CmdType) { ++fetch.failures; };
        http.OnPacketRecvd = [&](QObject*) {
            ++fetch.packets;
            fetch.expectedSeen = http.ExpectedBytes;
        };
        try {
            http.Get(nginx->baseUrl() + path);
        } catch (const std::exception& e) {
            fetch.error = QString::fromUtf8(e.what());
        }
        return fetch;
    }

    static inline std::unique_ptr<QTemporaryDir> served;
    static inline std::unique_ptr<NginxFixture> nginx;
    static inline std::unique_ptr<TinyproxyFixture> tinyproxy;
    static inline std::unique_ptr<SquidFixture> squid;
    static inline QList<std::pair<QString, QByteArray>> files;
    QTemporaryDir out;
};

} // namespace

TEST_F(EndToEnd, FilesArriveByteForByteDirectAndThroughProxies) {
    for (const Route via : {Route::Direct, Route::Tinyproxy, Route::Squid}) {
        TNMHTTP http; // one client for all files, as the download run uses it
        route(http, via);
        http.InputFileMode = true;
        for (const auto& [name, bytes] : files) {
            SCOPED_TRACE(std::string(routeName(via)) + " " + name.toStdString());
            const QString target = out.filePath(QString(routeName(via)) + "-" + name);
            http.Body = QFile::encodeName(target);
            const Fetch fetch = get(http, name);
            EXPECT_TRUE(fetch.error.isEmpty()) << fetch.error.toStdString() << "\n"
                                               << http.Header.constData();
            EXPECT_EQ(fetch.successes, 1);
            EXPECT_EQ(fetch.failures, 0);
            EXPECT_FALSE(http.TimedOut);
            EXPECT_EQ(http.ReplyCode, 200);
            EXPECT_EQ(http.ExpectedBytes, bytes.size());
            EXPECT_EQ(http.ReceivedBytes, bytes.size());
            if (!bytes.isEmpty()) {
                EXPECT_EQ(fetch.expectedSeen, bytes.size());
            }
            EXPECT_TRUE(testenv::readFile(target) == bytes) << "file differs";
            EXPECT_TRUE(http.Header.startsWith("HTTP/1.")) << http.Header.constData();
            EXPECT_TRUE(http.Header.endsWith("\r\n\r\n"));
        }
    }
}

TEST_F(EndToEnd, BodyInMemoryThroughSquidKeepingTheConnection) {
    TNMHTTP http;
    route(http, Route::Squid);
    const Fetch fetch = get(http, "k1.bin");
    EXPECT_TRUE(fetch.error.isEmpty()) << fetch.error.toStdString();
    EXPECT_EQ(fetch.successes, 1);
    EXPECT_TRUE(http.Body == files[1].second);
    // The proxy did keep the connection open: only the length ended the body.
    EXPECT_TRUE(http.Header.toLower().contains("connection: keep-alive"))
        << http.Header.constData();
}

TEST_F(EndToEnd, RedirectsConfiguredInNginxAreFollowed) {
    for (const Route via : {Route::Direct, Route::Squid}) {
        for (const char* path : {"old", "rel"}) {
            SCOPED_TRACE(std::string(routeName(via)) + " " + path);
            TNMHTTP http;
            route(http, via);
            http.InputFileMode = true;
            const QString target =
                out.filePath(QString("redirect-%1-%2").arg(routeName(via), path));
            http.Body = QFile::encodeName(target);
            int redirects = 0;
            http.OnRedirect = [&](bool&) { ++redirects; };
            const Fetch fetch = get(http, path);
            EXPECT_TRUE(fetch.error.isEmpty()) << fetch.error.toStdString();
            EXPECT_EQ(redirects, 1);
            EXPECT_EQ(fetch.successes, 1);
            EXPECT_EQ(http.ReplyCode, 200);
            EXPECT_EQ(http.URL, (nginx->baseUrl() + "k1.bin").toUtf8());
            EXPECT_TRUE(testenv::readFile(target) == files[1].second);
        }
    }
}

TEST_F(EndToEnd, MissingFileFailsAndLeavesNothingAtThePath) {
    for (const Route via : {Route::Direct, Route::Tinyproxy, Route::Squid}) {
        SCOPED_TRACE(routeName(via));
        TNMHTTP http;
        route(http, via);
        http.InputFileMode = true;
        const QString target = out.filePath(QString("missing-%1").arg(routeName(via)));
        http.Body = QFile::encodeName(target);
        const Fetch fetch = get(http, "no-such-file");
        EXPECT_TRUE(fetch.error.isEmpty()) << fetch.error.toStdString();
        EXPECT_EQ(fetch.successes, 0);
        EXPECT_EQ(fetch.failures, 1);
        EXPECT_EQ(http.ReplyCode, 404);
        EXPECT_EQ(http.ReceivedBytes, http.ExpectedBytes) << "the page is read all the same";
        EXPECT_FALSE(QFile::exists(target));
        EXPECT_FALSE(QFile::exists(target + ".part"));
    }
}
