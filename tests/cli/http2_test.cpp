// HTTP/2 against real nginx with TLS: a series with gaps fetched as streams of
// one connection ends with the marks and bytes HTTP/1.1 gives it, directly and
// through squid's CONNECT; a server that closes its connection with GOAWAY
// every ten requests still gets every job right; a server without HTTP/2 and
// --no-http2 fall back to HTTP/1.1.
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/squid_fixture.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int kFiles = 40;
const QSet<int> kGaps{7, 23};

QString FileName(int n) {
    return QString("f%1.bin").arg(n, 2, 10, QLatin1Char('0'));
}

// nginx's "connections" log: which connection carried each request, in which
// protocol.
struct Logged {
    QSet<QString> connections;
    QSet<QString> protocols;
    int requests = 0;
};

Logged ReadLog(const QString& path) {
    Logged logged;
    for (const QByteArray& line : testenv::readFile(path).split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 2)
            continue;
        logged.connections << QString::fromLatin1(fields[0]);
        logged.protocols << QString::fromLatin1(fields[1]);
        ++logged.requests;
    }
    return logged;
}

class Http2 : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        certs = std::make_unique<TestCertificates>();
        QString error;
        ASSERT_TRUE(certs->make(&error)) << error.toStdString();
        www = std::make_unique<QTemporaryDir>();
        for (int n = 1; n <= kFiles; ++n) {
            if (!kGaps.contains(n)) {
                ASSERT_TRUE(testenv::writeFile(www->filePath(FileName(n)),
                                               testenv::randomBytes(1000 + n * 517, quint32(n))));
            }
        }
        const auto tls = [](const char* listen, quint16 port) {
            return QString("listen 127.0.0.1:%1 %2;\n").arg(port).arg(listen);
        };
        ASSERT_TRUE(QDir(www->path()).mkdir("slow"));
        ASSERT_TRUE(
            testenv::writeFile(www->filePath("slow/big.bin"), testenv::randomBytes(6 << 20, 99)));
        h2Port = freeLoopbackPort();
        h1Port = freeLoopbackPort();
        const QString keys = QString("ssl_certificate \"%1\";\nssl_certificate_key \"%2\";\n")
                                 .arg(certs->certFile(TestCertificates::Good),
                                      certs->keyFile(TestCertificates::Good));
        // One server, with HTTP/2 on one TLS port and without it on the other.
        nginx = std::make_unique<NginxFixture>(
            www->path(), tls("ssl http2", h2Port) + tls("ssl", h1Port) + keys +
                             "access_log connections.log connections;");
        // Ten requests a connection, then GOAWAY.
        goawayPort = freeLoopbackPort();
        goaway = std::make_unique<NginxFixture>(www->path(),
                                                tls("ssl http2", goawayPort) + keys +
                                                    "keepalive_requests 10;\n"
                                                    "access_log connections.log connections;");
        for (NginxFixture* server : {nginx.get(), goaway.get()}) {
            ASSERT_TRUE(server->start(&error)) << error.toStdString();
        }
        squid = std::make_unique<SquidFixture>();
        ASSERT_TRUE(squid->start(&error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        squid.reset();
        goaway.reset();
        nginx.reset();
        www.reset();
        certs.reset();
    }

    static inline std::unique_ptr<TestCertificates> certs;
    static inline std::unique_ptr<QTemporaryDir> www;
    static inline std::unique_ptr<NginxFixture> nginx;
    static inline std::unique_ptr<NginxFixture> goaway;
    static inline std::unique_ptr<SquidFixture> squid;
    static inline quint16 h2Port = 0, h1Port = 0, goawayPort = 0;
};

} // namespace

TEST_F(Http2, ASeriesEndsAsOverHttp11OnOneConnectionPerServer) {
    ASSERT_TRUE(nginx && goaway && squid) << "servers did not start";
    const struct {
        const char* name;
        NginxFixture* server;
        quint16 port;
        QStringList options;
        const char* protocol; ///< as nginx logs it
        int connections;      ///< 0: one a request or so, not counted
    } routes[] = {
        {"HTTP/2", nginx.get(), h2Port, {}, "HTTP/2.0", 1},
        {"HTTP/2 through squid",
         nginx.get(),
         h2Port,
         {"--proxy", QString("127.0.0.1:%1").arg(squid->port())},
         "HTTP/2.0",
         1},
        {"--no-http2", nginx.get(), h2Port, {"--no-http2"}, "HTTP/1.1", 0},
        {"a server without HTTP/2", nginx.get(), h1Port, {}, "HTTP/1.1", 0},
        // Streams beyond the tenth of a connection are refused and go again.
        {"GOAWAY every ten requests", goaway.get(), goawayPort, {}, "HTTP/2.0", -4},
    };
    for (const auto& route : routes) {
        SCOPED_TRACE(route.name);
        QTemporaryDir home, out;
        ASSERT_TRUE(home.isValid() && out.isValid());
        const QString log = route.server->dir() + "/connections.log";
        QFile::resize(log, 0);
        const QString url =
            QString("https://127.0.0.1:%1/f[01-%2].bin").arg(route.port).arg(kFiles);
        const CliProcess::Result r =
            CliProcess(home.path())
                .run(QStringList{"fetch", "-q", "--cacert", certs->caFile(), "-d", out.path(),
                                 "--interval", "0", "--parallel", "16", url} +
                         route.options,
                     60000);
        EXPECT_EQ(r.exitCode, 1) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QString("%1 jobs: ○ %2, ▼ %3")
                                       .arg(kFiles)
                                       .arg(kFiles - kGaps.size())
                                       .arg(kGaps.size())))
            << r.out.toStdString();
        for (int n = 1; n <= kFiles; ++n) {
            const QString saved = out.filePath(FileName(n));
            if (kGaps.contains(n))
                EXPECT_FALSE(QFile::exists(saved)) << n;
            else
                EXPECT_TRUE(testenv::readFile(saved) ==
                            testenv::readFile(www->filePath(FileName(n))))
                    << n << " differs";
        }
        EXPECT_FALSE(QDir(out.path()).entryList(QDir::Files).join(' ').contains(".part"));
        const Logged logged = ReadLog(log);
        EXPECT_EQ(logged.protocols, QSet<QString>{route.protocol});
        if (route.connections > 0) {
            EXPECT_EQ(logged.requests, kFiles);
            EXPECT_EQ(logged.connections.size(), route.connections);
        } else if (route.connections < 0) {
            // Every request processed once: refused streams leave no line.
            EXPECT_EQ(logged.requests, kFiles);
            EXPECT_GE(logged.connections.size(), -route.connections);
        }
    }
}

TEST_F(Http2, VerboseGetShowsTheProtocolWithTheStatus) {
    ASSERT_TRUE(nginx) << "servers did not start";
    QTemporaryDir home, out;
    const struct {
        quint16 port;
        QStringList options;
        const char* status;
    } rows[] = {
        {h2Port, {}, "HTTP/2 200\n"},
        {h2Port, {"--no-http2"}, "HTTP/1.1 200 OK\n"},
        {h1Port, {}, "HTTP/1.1 200 OK\n"},
    };
    for (const auto& row : rows) {
        const QString url = QString("https://127.0.0.1:%1/%2").arg(row.port).arg(FileName(1));
        const CliProcess::Result r = CliProcess(home.path())
                                         .run(QStringList{"get", "--cacert", certs->caFile(), "-o",
                                                          out.filePath("f.bin"), url} +
                                              row.options);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, row.status) << url.toStdString();
        EXPECT_TRUE(testenv::readFile(out.filePath("f.bin")) ==
                    testenv::readFile(www->filePath(FileName(1))));
    }
}

TEST_F(Http2, StopPressedTwiceResetsTheStreamAndTheNextRunAsksForTheRest) {
    ASSERT_TRUE(nginx) << "servers did not start";
    QTemporaryDir home, out;
    const QString url = QString("https://127.0.0.1:%1/slow/big.bin").arg(h2Port);
    const QStringList fetch{"fetch", "--cacert", certs->caFile(), "-d", out.path(), url};
    const QString part = out.filePath("big.bin.part");
    CliProcess go(home.path());
    // Paced by the client (nginx's own limit_rate lets an HTTP/2 stream
    // out in bursts), so that the stop comes long before the end.
    go.start(QStringList(fetch) << "--limit-rate"
                                << "1m");
    ASSERT_TRUE(testenv::waitUntil([&] { return QFileInfo(part).size() > (1 << 20); }, 20000))
        << go.finish().err.toStdString();
    // The second Ctrl-C only once the first is seen: two sent at once can
    // arrive as one.
    go.signal(SIGINT);
    ASSERT_TRUE(testenv::waitUntil(
        [&] {
            const auto& lines = go.lines();
            return std::any_of(lines.begin(), lines.end(), [](const CliProcess::Line& line) {
                return line.text.startsWith("Stopping");
            });
        },
        20000));
    go.signal(SIGINT);
    const CliProcess::Result stopped = go.finish(10000);
    EXPECT_EQ(stopped.exitCode, 130) << stopped.out.toStdString();
    EXPECT_FALSE(QFile::exists(out.filePath("big.bin")));
    ASSERT_TRUE(QFile::exists(part + ".resume"));

    const QString log = nginx->dir() + "/connections.log";
    QFile::resize(log, 0);
    const CliProcess::Result resumed = CliProcess(home.path()).run(fetch, 30000);
    EXPECT_EQ(resumed.exitCode, 0) << resumed.out.toStdString() << resumed.err.toStdString();
    EXPECT_TRUE(testenv::readFile(out.filePath("big.bin")) ==
                testenv::readFile(www->filePath("slow/big.bin")));
    // One request: the rest, asked for on a stream.
    const QByteArray line = testenv::readFile(log).trimmed();
    EXPECT_EQ(line.count('\n'), 0) << line.constData();
    EXPECT_TRUE(line.endsWith(" HTTP/2.0 \"GET /slow/big.bin HTTP/2.0\" 206")) << line.constData();
}
