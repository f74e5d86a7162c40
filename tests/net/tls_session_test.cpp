// TLS on the session against real nginx with certificates made for the test,
// and against scripted peers that never finish a handshake.
#include "net/powersock.h"
#include "platform/host_lookup.h"
#include "tests/net/net_test_util.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/server_process.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"

#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

using namespace testsupport;
using nettest::thrownText;

namespace {

/// Every name is 127.0.0.1, so a certificate can be asked for under any name.
class LoopbackLookup {
public:
    LoopbackLookup() {
        SetHostLookupForTesting([](const QString&, QObject* context, HostLookupDone done) {
            QTimer::singleShot(0, context, [done] { done(0, {QHostAddress::LocalHost}); });
        });
    }
    ~LoopbackLookup() { SetHostLookupForTesting({}); }
};

class TlsSession : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        certs = std::make_unique<TestCertificates>();
        QString error;
        ASSERT_TRUE(certs->make(&error)) << error.toStdString();
        root = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(testenv::writeFile(root->filePath("big.bin"), body()));
        for (const auto kind :
             {TestCertificates::Good, TestCertificates::Expired, TestCertificates::Foreign}) {
            tlsPorts[kind] = freeLoopbackPort();
            servers[kind] = std::make_unique<NginxFixture>(
                root->path(), certs->nginxTlsConfig(tlsPorts[kind], kind));
            ASSERT_TRUE(servers[kind]->start(&error)) << error.toStdString();
        }
    }
    static void TearDownTestSuite() {
        for (auto& server : servers)
            server.reset();
        root.reset();
        certs.reset();
    }
    void SetUp() override {
        for (const auto& server : servers)
            if (!server)
                GTEST_FAIL() << "servers did not start";
    }

    // Larger than any buffer on the way, so records queue up inside OpenSSL.
    static const QByteArray& body() {
        static const QByteArray bytes = testenv::randomBytes(3 << 20, 77);
        return bytes;
    }

    static inline std::unique_ptr<TestCertificates> certs;
    static inline std::unique_ptr<QTemporaryDir> root;
    static inline std::unique_ptr<NginxFixture> servers[3];
    static inline quint16 tlsPorts[3] = {};
};

} // namespace

TEST_F(TlsSession, ChecksTheCertificateAndNamesWhyItIsRefused) {
    struct Row {
        const char* name;
        TestCertificates::Kind kind;
        const char* host;
        enum { NoCaFile, TestCa, MissingFile } caFile;
        const char* error; ///< how the failure starts; empty: the body arrives whole
    };
    const Row rows[] = {
        {"good certificate by address", TestCertificates::Good, "127.0.0.1", Row::TestCa, ""},
        {"good certificate by name", TestCertificates::Good, "localhost", Row::TestCa, ""},
        {"wrong host", TestCertificates::Good, "wrong.example", Row::TestCa,
         "Certificate of wrong.example refused: it is for another host (wrong host)"},
        {"issuer not trusted without the CA file", TestCertificates::Good, "localhost",
         Row::NoCaFile, "Certificate of localhost refused: its issuer is unknown (unknown issuer)"},
        {"expired", TestCertificates::Expired, "localhost", Row::TestCa,
         "Certificate of localhost refused: it has expired"},
        {"issued by an unknown CA", TestCertificates::Foreign, "localhost", Row::TestCa,
         "Certificate of localhost refused: its issuer is unknown (unknown issuer)"},
        {"CA file missing", TestCertificates::Good, "localhost", Row::MissingFile,
         "Cannot read the CA file \""},
    };
    LoopbackLookup lookup;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TPowersock s;
        s.SetTimeOut(5000);
        s.TlsCaFile = row.caFile == Row::TestCa        ? certs->caFile()
                      : row.caFile == Row::MissingFile ? root->filePath("no-such-ca.pem")
                                                       : QString();
        s.Host = row.host;
        s.Port = tlsPorts[row.kind];
        s.Connect();
        const QString error = thrownText<ESockError>([&] { s.StartTls(row.host, s.Port); });
        EXPECT_TRUE(*row.error ? error.startsWith(row.error) : error.isEmpty())
            << error.toStdString();
        EXPECT_EQ(s.TlsActive(), error.isEmpty());
        EXPECT_EQ(s.IsConnected, error.isEmpty()) << "a failed handshake closes";
        if (!error.isEmpty())
            continue;
        s.Write("GET /big.bin HTTP/1.0\r\n\r\n");
        QByteArray reply;
        s.CaptureString(reply);
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 200 OK\r\n")) << reply.left(200).constData();
        EXPECT_TRUE(reply.endsWith(body())) << "body differs, " << reply.size() << " bytes";
        s.Disconnect();
        EXPECT_FALSE(s.TlsActive());
    }
}

TEST_F(TlsSession, AHandshakeThatGoesNowhereEnds) {
    struct Row {
        const char* name;
        PeerScript script;
        const char* error;
    };
    const Row rows[] = {
        {"peer stalls: the idle time-out ends it", PeerScript().silent(),
         "TLS Handshake Timed out"},
        {"peer closes", PeerScript().waitBytes(1).close(),
         "TLS handshake with 127.0.0.1 failed: connection closed"},
        {"peer speaks plain HTTP", PeerScript().waitBytes(1).send("HTTP/1.0 400 Bad\r\n\r\n"),
         "TLS handshake with 127.0.0.1 failed: wrong version number"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer peer(row.script);
        TPowersock s;
        s.SetTimeOut(300);
        nettest::connectTo(s, peer);
        EXPECT_EQ(thrownText<ESockError>([&] { s.StartTls("127.0.0.1", peer.port()); }), row.error);
        s.Disconnect();
    }
}
