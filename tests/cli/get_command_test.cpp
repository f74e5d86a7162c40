// serifetch-cli get, run as a user runs it: the built binary, its exit code,
// what it prints, and the file it writes.
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/server_process.h"
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

TEST_F(CliGet, NotFoundExitsOneAndKeepsTheErrorPage) {
    const auto run = cli({"get", nginx->baseUrl() + "missing", "-o", target()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "HTTP/1.1 404 Not Found\n");
    EXPECT_TRUE(testenv::readFile(target()).contains("404"));
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
    } cases[] = {
        {QString("http://127.0.0.1:%1/").arg(closed), "Connection Failed\n"},
        // Two dots: refused by the resolver itself, without a query leaving
        // the machine.
        {"http://no..such.host/x", "Null Remote Address\n"},
        {"https://127.0.0.1/", "HTTP Secure Socket is not supported\n"},
        {"", "Empty URL\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url.toStdString());
        const auto run = cli({"get", c.url, "-o", target()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, c.text);
    }
}
