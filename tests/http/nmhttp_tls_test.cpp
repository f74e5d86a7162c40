// https: URLs against real nginx, directly and through CONNECT tunnels of real
// tinyproxy and squid, and against scripted proxies that refuse the tunnel.
#include "http/nmhttp.h"
#include "tests/http/http_test_support.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/squid_fixture.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"
#include "tests/support/tinyproxy_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace testsupport;
using httptest::record;

namespace {

class Https : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        certs = std::make_unique<TestCertificates>();
        QString error;
        ASSERT_TRUE(certs->make(&error)) << error.toStdString();
        served = std::make_unique<QTemporaryDir>();
        small = testenv::randomBytes(1024, 1);
        large = testenv::randomBytes(10 << 20, 2);
        ASSERT_TRUE(testenv::writeFile(served->filePath("k1.bin"), small));
        ASSERT_TRUE(testenv::writeFile(served->filePath("m10.bin"), large));
        // Each redirect names the other server, so the plain one starts first.
        tlsPort = freeLoopbackPort();
        plain = std::make_unique<NginxFixture>(
            served->path(), QString("location = /to-tls { return 302 %1k1.bin; }").arg(tlsBase()));
        ASSERT_TRUE(plain->start(&error)) << error.toStdString();
        // The same server on [::1], plain and with TLS.
        v6Port = freeLoopbackPort();
        v6TlsPort = freeLoopbackPort();
        nginx = std::make_unique<NginxFixture>(
            served->path(),
            certs->nginxTlsConfig(tlsPort, TestCertificates::Good) +
                QString("listen [::1]:%1;\nlisten [::1]:%2 ssl;\n").arg(v6Port).arg(v6TlsPort) +
                QString("location = /to-plain { return 302 %1k1.bin; }\n"
                        "location = /here { absolute_redirect off; return 302 /k1.bin; }\n")
                    .arg(plainBase()));
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
        plain.reset();
        served.reset();
        certs.reset();
    }
    void SetUp() override {
        if (!nginx || !tinyproxy || !squid)
            GTEST_FAIL() << "servers did not start";
        ASSERT_TRUE(out.isValid());
    }

    static QString tlsBase() { return QString("https://127.0.0.1:%1/").arg(tlsPort); }
    static QString plainBase() { return QString("http://127.0.0.1:%1/").arg(plain->port()); }

    static void secure(TNMHTTP& http) {
        http.TLS = true;
        http.TlsCaFile = certs->caFile();
        http.SetTimeOut(5000);
    }

    static inline std::unique_ptr<TestCertificates> certs;
    static inline std::unique_ptr<QTemporaryDir> served;
    static inline std::unique_ptr<NginxFixture> plain;
    static inline std::unique_ptr<NginxFixture> nginx; ///< TLS on tlsPort
    static inline std::unique_ptr<TinyproxyFixture> tinyproxy;
    static inline std::unique_ptr<SquidFixture> squid;
    static inline quint16 tlsPort = 0;
    static inline quint16 v6Port = 0, v6TlsPort = 0;
    static inline QByteArray small, large;
    QTemporaryDir out;
};

} // namespace

TEST_F(Https, FilesArriveWholeDirectAndThroughTunnels) {
    struct Route {
        const char* name;
        quint16 proxyPort; ///< 0: direct
    };
    const Route routes[] = {
        {"direct", 0}, {"tinyproxy", tinyproxy->port()}, {"squid", squid->port()}};
    for (const Route& route : routes) {
        TNMHTTP http; // one client for every file, as a download run uses it
        secure(http);
        http.InputFileMode = true;
        http.Proxy = route.proxyPort ? "127.0.0.1" : "";
        http.ProxyPort = route.proxyPort;
        for (const auto& [name, bytes] : {std::pair{"k1.bin", small}, {"m10.bin", large}}) {
            SCOPED_TRACE(std::string(route.name) + " " + name);
            const QString target = out.filePath(QString(route.name) + "-" + name);
            http.Body = QFile::encodeName(target);
            const auto outcome = record(http, [&] { http.Get(tlsBase() + name); });
            EXPECT_EQ(outcome.error, "");
            EXPECT_EQ(outcome.successes, 1);
            EXPECT_EQ(http.ReplyCode, 200);
            EXPECT_EQ(http.ReceivedBytes, bytes.size());
            EXPECT_TRUE(testenv::readFile(target) == bytes) << "file differs";
        }
    }
    // Inside the tunnel the request names the path, as it does to a server.
    const QByteArray log = testenv::readFile(nginx->dir() + "/access.log");
    EXPECT_EQ(log.count("\"GET /m10.bin HTTP/1.0\" 200"), 3) << log.constData();
}

TEST_F(Https, RedirectsBetweenHttpAndHttpsAreFollowedAndADowngradeIsReported) {
    struct Row {
        const char* name;
        QString url;
        QString finalUrl;
        bool downgrade;
    };
    const Row rows[] = {
        {"http to https", plainBase() + "to-tls", tlsBase() + "k1.bin", false},
        {"https to http", tlsBase() + "to-plain", plainBase() + "k1.bin", true},
        {"https to a path stays https", tlsBase() + "here", tlsBase() + "k1.bin", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TNMHTTP http;
        secure(http);
        const auto outcome = record(http, [&] { http.Get(row.url); });
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(outcome.redirects, 1);
        EXPECT_EQ(outcome.successes, 1);
        EXPECT_EQ(http.URL, row.finalUrl.toUtf8());
        EXPECT_TRUE(http.Body == small);
        EXPECT_EQ(outcome.statuses.contains("Redirected from https: to plain http: " + plainBase() +
                                            "k1.bin"),
                  row.downgrade)
            << outcome.statuses.join('|').toStdString();
    }
}

TEST_F(Https, WithTlsOffTheUrlIsRefusedAsBefore) {
    TNMHTTP http;
    EXPECT_FALSE(http.TLS);
    const auto outcome = record(http, [&] { http.Get(tlsBase() + "k1.bin"); });
    EXPECT_EQ(outcome.error, "HTTP Secure Socket is not supported");
}

TEST_F(Https, AProxyThatRefusesTheTunnelFailsWithItsStatusLine) {
    struct Row {
        const char* name;
        QByteArray answer;
        const char* error;
    };
    const Row rows[] = {
        {"forbidden", "HTTP/1.0 403 Forbidden\r\nContent-Length: 0\r\n\r\n",
         "Proxy refused CONNECT: HTTP/1.0 403 Forbidden"},
        {"authentication wanted",
         "HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
         "Proxy refused CONNECT: HTTP/1.1 407 Proxy Authentication Required"},
        {"not HTTP at all", "SSH-2.0-OpenSSH\r\n\r\n", "Proxy refused CONNECT: SSH-2.0-OpenSSH"},
        {"closes at once", "", "Proxy refused CONNECT: it closed the connection"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer proxy(PeerScript().reply(row.answer));
        TNMHTTP http;
        secure(http);
        http.Proxy = "127.0.0.1";
        http.ProxyPort = proxy.port();
        const auto outcome = record(http, [&] { http.Get("https://gallery.example/a.jpg"); });
        EXPECT_EQ(outcome.error, row.error);
        EXPECT_EQ(outcome.successes + outcome.failures, 0);
        ASSERT_TRUE(httptest::peerDone(proxy));
        EXPECT_EQ(proxy.received(),
                  "CONNECT gallery.example:443 HTTP/1.0\r\nHost: gallery.example:443\r\n\r\n");
    }
}

TEST_F(Https, Ipv6LiteralsWorkInUrlsAndAsTheProxy) {
    struct Row {
        const char* name;
        QString url;
        QString proxy;
    };
    const Row rows[] = {
        {"plain", QString("http://[::1]:%1/k1.bin").arg(v6Port), ""},
        {"TLS, the address checked against the certificate",
         QString("https://[::1]:%1/k1.bin").arg(v6TlsPort), ""},
        // nginx serves a full-URL request line itself, as a proxy would.
        {"as the proxy", "http://gallery.example/k1.bin", "[::1]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TNMHTTP http;
        secure(http);
        http.Proxy = row.proxy;
        http.ProxyPort = v6Port;
        const auto outcome = record(http, [&] { http.Get(row.url); });
        EXPECT_EQ(outcome.error, "");
        EXPECT_EQ(outcome.successes, 1);
        EXPECT_EQ(http.RemoteAddresses, QList<QHostAddress>{QHostAddress::LocalHostIPv6});
        EXPECT_TRUE(http.Body == small);
    }
}
