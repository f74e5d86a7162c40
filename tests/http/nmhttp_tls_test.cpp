// https: URLs against real nginx, directly and through CONNECT tunnels of real
// tinyproxy and squid, and against scripted proxies that refuse the tunnel.
#include "http/nmhttp.h"
#include "tests/http/http_test_support.h"
#include "tests/net/net_test_util.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/squid_fixture.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"
#include "tests/support/tinyproxy_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

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
    EXPECT_EQ(log.count("\"GET /m10.bin HTTP/1.1\" 200"), 3) << log.constData();
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

TEST_F(Https, ABodyFramedByTheCloseIsWholeOnlyWithTheClosingAlert) {
    // A bare TCP close can come from anyone on the path; only the server's
    // close_notify says a body that the close frames is all there.
    const QByteArray ok = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked = ok + "Transfer-Encoding: chunked\r\n\r\n";
    const struct {
        const char* name;
        QByteArray reply;
        bool notify; ///< close_notify before the close
        std::optional<QByteArray> file;
        const char* reason;
    } rows[] = {
        {"close-framed, close_notify", ok + "\r\nwhole body", true, "whole body", ""},
        {"close-framed, bare close", ok + "\r\nwhole body", false, std::nullopt,
         "Connection closed before the end of the reply"},
        {"length, then a bare close", ok + "Content-Length: 10\r\n\r\nwhole body", false,
         "whole body", ""},
        {"length, cut by a bare close", ok + "Content-Length: 20\r\n\r\nwhole body", false,
         std::nullopt, "Connection closed after 10 of 20 bytes"},
        {"chunked, close_notify", chunked + "a\r\nwhole body\r\n0\r\n\r\n", true, "whole body", ""},
        {"chunked, then a bare close", chunked + "a\r\nwhole body\r\n0\r\n\r\n", false,
         "whole body", ""},
        {"chunked, cut by a bare close", chunked + "14\r\nwhole body", false, std::nullopt,
         "Connection closed inside a chunk after 10 bytes"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        for (const bool toFile : {true, false}) {
            SCOPED_TRACE(toFile ? "into a file" : "into memory");
            PeerScript script = PeerScript()
                                    .tls(certs->certFile(TestCertificates::Good),
                                         certs->keyFile(TestCertificates::Good))
                                    .waitFor("\r\n\r\n")
                                    .send(row.reply);
            ScriptedPeer peer(row.notify ? script.close() : script.cut());
            const QString target = out.filePath("f.bin");
            QFile::remove(target);
            {
                TNMHTTP http;
                secure(http);
                http.InputFileMode = toFile;
                http.Body = QFile::encodeName(target);
                const auto outcome = record(
                    http, [&] { http.Get(QString("https://127.0.0.1:%1/f").arg(peer.port())); });
                EXPECT_EQ(outcome.error, "");
                EXPECT_EQ(outcome.successes, row.file ? 1 : 0);
                EXPECT_EQ(http.FailureReason, QString::fromUtf8(row.reason));
                if (toFile) {
                    EXPECT_EQ(testenv::readFile(target), row.file.value_or(""));
                    EXPECT_EQ(QFile::exists(target), row.file.has_value());
                    EXPECT_EQ(http.SavedBytes, row.file ? row.file->size() : -1);
                } else if (row.file) {
                    EXPECT_EQ(http.Body, *row.file);
                }
            }
            ASSERT_TRUE(httptest::peerDone(peer));
            // HTTP/1.1, so that the server may send chunks instead of closing.
            EXPECT_TRUE(peer.received().startsWith(
                "GET /f HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(peer.port()) +
                "\r\nConnection: close\r\n"))
                << peer.received().constData();
        }
    }
}

TEST_F(Https, AKeptConnectionTheServerEndedWhileIdleIsOnlyStale) {
    const QByteArray ok1 = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none";
    const QByteArray ok2 = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\ntwo";
    for (const bool notify : {true, false}) {
        SCOPED_TRACE(notify ? "close_notify" : "bare close");
        const auto tls = [] {
            return PeerScript().tls(certs->certFile(TestCertificates::Good),
                                    certs->keyFile(TestCertificates::Good));
        };
        PeerScript first = tls().waitFor("GET /1 ").send(ok1);
        ScriptedPeer peer(
            {notify ? first.close() : first.cut(), tls().waitFor("GET /2 ").send(ok2)});
        {
            TNMHTTP http;
            secure(http);
            http.KeepAlive = true;
            const QString url = QString("https://127.0.0.1:%1/").arg(peer.port());
            const auto one = record(http, [&] { http.Get(url + "1"); });
            EXPECT_EQ(http.Body, "one");
            ASSERT_TRUE(testenv::waitUntil([&] { return nettest::peerHasClosed(http); }));
            const auto two = record(http, [&] { http.Get(url + "2"); });
            EXPECT_EQ(one.successes + two.successes, 2) << two.error.toStdString();
            EXPECT_EQ(http.Body, "two");
        }
        ASSERT_TRUE(httptest::peerDone(peer, 2));
        EXPECT_EQ(peer.connections(), 2);
        EXPECT_FALSE(peer.received(0).contains("GET /2")) << "not sent into the ended connection";
    }
}
