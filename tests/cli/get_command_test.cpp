// serifetch-cli get, run as a user runs it: the built binary, its exit code,
// what it prints, and the file it writes.
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/server_process.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"
#include "tests/support/tinyproxy_fixture.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class CliGet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(testenv::writeFile(served->filePath("f.bin"),
                                       testsupport::ScriptedPeer::pattern(0, 300000)));
        ASSERT_TRUE(testenv::writeFile(served->filePath("t.txt"), "a text body\n"));
        nginx = std::make_unique<NginxFixture>(served->path());
        QString error;
        ASSERT_TRUE(nginx->start(&error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        nginx.reset();
        served.reset();
    }
    void SetUp() override {
        if (!nginx)
            GTEST_FAIL() << "nginx did not start";
    }
    QString target() const { return out.filePath("out.bin"); }
    CliProcess::Result cli(const QStringList& args) { return CliProcess(out.path()).run(args); }

    static inline std::unique_ptr<QTemporaryDir> served;
    static inline std::unique_ptr<NginxFixture> nginx;
    QTemporaryDir out;
};

} // namespace

TEST_F(CliGet, SuccessPrintsStatusLineAndWritesTheFile) {
    const auto run = cli({"get", nginx->baseUrl() + "f.bin", "-o", target()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "HTTP/1.1 200 OK\n");
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(testenv::readFile(target()) == testsupport::ScriptedPeer::pattern(0, 300000));
}

TEST_F(CliGet, ThroughAProxyWithTimeOutVerboseAndTrace) {
    TinyproxyFixture proxy;
    QString error;
    ASSERT_TRUE(proxy.start(&error)) << error.toStdString();
    const QString url = nginx->baseUrl() + "f.bin";
    const QString through = QString("--proxy=127.0.0.1:%1").arg(proxy.port());
    // -v: one line for the request, none of the socket layer's texts.
    auto run = cli({"get", url, "-v", "-o", target(), through, "--timeout", "2.5"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "HTTP/1.1 200 OK\n");
    EXPECT_TRUE(run.err.startsWith("GET " + url + "  HTTP/1.1 200 OK  300000 bytes  "))
        << run.err.toStdString();
    EXPECT_EQ(run.err.count('\n'), 1) << run.err.toStdString();
    // --trace: the status texts, then the reply header with its blank line.
    run = cli({"get", url, "--trace", "-o", target(), through});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Connecting\n")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("Transaction Completed\n"));
    EXPECT_TRUE(run.err.contains("HTTP/1.1 200 OK\r\n"));
    EXPECT_TRUE(run.err.contains("Content-Length: 300000\r\n"));
    EXPECT_TRUE(testenv::readFile(target()) == testsupport::ScriptedPeer::pattern(0, 300000));
}

TEST_F(CliGet, DashWritesTheBodyToStandardOutput) {
    const auto run = cli({"get", nginx->baseUrl() + "t.txt", "-o", "-"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "a text body\n");
    EXPECT_EQ(run.err, "HTTP/1.1 200 OK\n") << "the status line moves out of the body's way";
    EXPECT_FALSE(QFile::exists("-"));
}

TEST_F(CliGet, NotFoundExitsOneAndSavesNothing) {
    const auto run = cli({"get", nginx->baseUrl() + "missing", "-o", target()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "HTTP/1.1 404 Not Found\n");
    EXPECT_FALSE(QFile::exists(target())) << "an error page is no file of the series";
}

TEST_F(CliGet, RedirectLoopExitsOneAndSaysWhy) {
    auto peer = testsupport::ScriptedPeer::replying("HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n");
    const auto run =
        cli({"get", QString("http://127.0.0.1:%1/").arg(peer->port()), "-o", target()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "HTTP/1.0 302 Found\n");
    EXPECT_TRUE(run.err.contains("20")) << run.err.toStdString();
}

TEST_F(CliGet, RequestErrorsExitTwoWithTheErrorText) {
    const quint16 closed = freeLoopbackPort();
    const struct {
        QString url;
        const char* text;
        QStringList options = {};
    } cases[] = {
        {QString("http://127.0.0.1:%1/").arg(closed), "Connection Failed\n"},
        // Two dots: refused by the resolver itself, without a query leaving
        // the machine.
        {"http://no..such.host/x", "Null Remote Address\n"},
        {"https://127.0.0.1/", "HTTP Secure Socket is not supported\n", {"--no-tls"}},
        {QString("https://127.0.0.1:%1/").arg(closed), "Connection Failed\n"},
        {"", "Empty URL\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const auto run = cli(QStringList{"get", c.url, "-o", target()} + c.options);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.text);
    }
}

TEST_F(CliGet, HttpsTrustsTheGivenCaAndRefusesAnUnknownOne) {
    TestCertificates certs;
    QString error;
    ASSERT_TRUE(certs.make(&error)) << error.toStdString();
    const quint16 tlsPort = freeLoopbackPort();
    NginxFixture tls(served->path(), certs.nginxTlsConfig(tlsPort, TestCertificates::Good));
    ASSERT_TRUE(tls.start(&error)) << error.toStdString();
    const QString url = QString("https://127.0.0.1:%1/f.bin").arg(tlsPort);
    const struct {
        const char* name;
        QStringList options;
        int exitCode;
        QString out, err;
    } cases[] = {
        {"trusted CA file", {"--cacert", certs.caFile()}, 0, "HTTP/1.1 200 OK\n", ""},
        {"system store only",
         {},
         2,
         "",
         "Certificate of 127.0.0.1 refused: its issuer is unknown (unknown issuer)\n"},
        {"TLS turned off",
         {"--no-tls", "--cacert", certs.caFile()},
         2,
         "",
         "HTTP Secure Socket is not supported\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(target());
        const auto run = cli(QStringList{"get", url, "-o", target()} + c.options);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.err, c.err);
        EXPECT_EQ(testenv::readFile(target()) == testsupport::ScriptedPeer::pattern(0, 300000),
                  c.exitCode == 0);
    }
}

TEST_F(CliGet, TheProxyComesFromTheEnvironmentAsForCurl) {
    auto proxy =
        testsupport::ScriptedPeer::replying("HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nproxy");
    const QString at = QString("127.0.0.1:%1").arg(proxy->port());
    const struct {
        const char* name;
        QList<std::pair<const char*, QString>> environment;
        QStringList options;
        bool viaProxy;
    } cases[] = {
        {"none set", {}, {}, false},
        {"http_proxy", {{"http_proxy", at}}, {}, true},
        {"with scheme and slash", {{"http_proxy", "http://" + at + "/"}}, {}, true},
        {"HTTP_PROXY is not read", {{"HTTP_PROXY", at}}, {}, false},
        {"https_proxy is for https only", {{"https_proxy", at}}, {}, false},
        {"all_proxy", {{"ALL_PROXY", at}}, {}, true},
        {"no_proxy names the host",
         {{"http_proxy", at}, {"no_proxy", "x.example,127.0.0.1"}},
         {},
         false},
        {"NO_PROXY by range", {{"http_proxy", at}, {"NO_PROXY", "127.0.0.0/8"}}, {}, false},
        {"no_proxy star", {{"http_proxy", at}, {"no_proxy", "*"}}, {}, false},
        {"no_proxy for others", {{"http_proxy", at}, {"no_proxy", "example.com"}}, {}, true},
        {"--proxy '' turns it off", {{"http_proxy", at}}, {"--proxy", ""}, false},
    };
    const QString url = nginx->baseUrl() + "f.bin";
    int proxied = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& [name, value] : c.environment)
            qputenv(name, value.toUtf8());
        const auto run = cli(QStringList{"get", url, "-o", target()} + c.options);
        for (const auto& [name, value] : c.environment)
            qunsetenv(name);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        EXPECT_EQ(testenv::readFile(target()) == "proxy", c.viaProxy);
        if (c.viaProxy) {
            ASSERT_TRUE(testenv::waitUntil([&] { return proxy->finished() > proxied; }));
            EXPECT_TRUE(
                proxy->received(proxied++).startsWith("GET " + url.toUtf8() + " HTTP/1.0\r\n"));
        }
    }

    qputenv("http_proxy", "socks5://127.0.0.1:1080");
    const auto run = cli({"get", url, "-o", target()});
    qunsetenv("http_proxy");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "http_proxy must name an http:// proxy as HOST:PORT, not "
                       "\"socks5://127.0.0.1:1080\"\n");
}

TEST_F(CliGet, RequestLinesAreAddedOnlyWhenAsked) {
    auto peer = testsupport::ScriptedPeer::replying("HTTP/1.0 200 OK\r\n\r\n");
    const QString url = QString("http://127.0.0.1:%1/g/p1.jpg").arg(peer->port());
    const struct {
        const char* name;
        QStringList options;
        QList<QByteArray> lines; ///< each must be in the request
    } cases[] = {
        {"nothing asked", {}, {}},
        {"user agent", {"--user-agent", "Serifetch/2.0"}, {"User-Agent: Serifetch/2.0"}},
        {"fixed referer", {"--referer", "http://g.example/"}, {"Referer: http://g.example/"}},
        {"referer from the base URL",
         {"--referer-base"},
         {"Referer: " + url.toUtf8().replace("p1.jpg", "")}},
        {"two extra lines",
         {"--header", "Cookie: a=1", "--header", "X-Test:two"},
         {"Cookie: a=1", "X-Test: two"}},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto run = cli(QStringList{"get", url, "-o", target()} + c.options);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        ASSERT_TRUE(testenv::waitUntil([&] { return peer->finished() > index; }));
        const QByteArray request = peer->received(index++);
        const QByteArray head = request.left(request.indexOf("\r\n\r\n") + 2);
        EXPECT_EQ(head.count("\r\n"), 5 + c.lines.size()) << request.constData();
        for (const QByteArray& line : c.lines)
            EXPECT_TRUE(head.contains("\r\n" + line + "\r\n")) << request.constData();
    }
    // An empty value takes a line of the request away.
    const auto run = cli({"get", url, "-o", target(), "--header", "Content-type:"});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    ASSERT_TRUE(testenv::waitUntil([&] { return peer->finished() > index; }));
    EXPECT_FALSE(peer->received(index).contains("Content-type"))
        << peer->received(index).constData();
}

// -O names the file after the URL's last path segment, as curl does, in the
// folder the command runs in; a URL naming no file is refused.
TEST_F(CliGet, RemoteNameSavesUnderTheUrlsFileName) {
    const struct {
        QString url;
        QStringList options;
        int exitCode;
        const char* saved; ///< or what is said on standard error
    } cases[] = {
        {nginx->baseUrl() + "t.txt", {"-O"}, 0, "t.txt"},
        {nginx->baseUrl() + "f.bin?size=1#top", {"--remote-name"}, 0, "f.bin"},
        {nginx->baseUrl(), {"-O"}, 2, "names no file for -O"},
        {nginx->baseUrl() + "a/..", {"-O"}, 2, "names no file for -O"},
        {nginx->baseUrl() + "t.txt", {"-O", "-o", "x"}, 2, "not both"},
        {nginx->baseUrl() + "t.txt", {}, 2, "-o FILE or -O is required"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const auto run =
            CliProcess(out.path(), out.path()).run(QStringList{"get", c.url} + c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err.toStdString();
        if (c.exitCode == 0)
            EXPECT_TRUE(QFile::exists(out.filePath(c.saved))) << c.saved;
        else
            EXPECT_TRUE(run.err.contains(c.saved)) << run.err.toStdString();
    }
}
