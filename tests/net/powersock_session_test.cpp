#include "net/powersock.h"
#include "platform/host_lookup.h"
#include "platform/socket_error_numbers.h"
#include "tests/net/net_test_util.h"
#include "tests/support/server_process.h"
#include "tests/support/test_env.h"

#include <QTimer>
#include <cerrno>
#include <gtest/gtest.h>

using namespace testsupport;
using nettest::thrownText;

namespace {

/// Installs a lookup stand-in for one test.
class FakeLookup {
public:
    explicit FakeLookup(HostLookupFunction f) { SetHostLookupForTesting(std::move(f)); }
    ~FakeLookup() { SetHostLookupForTesting({}); }
};

/// A lookup that answers only when told to.
struct StalledLookup {
    std::vector<HostLookupDone> pending;
    FakeLookup install{[this](const QString&, QObject*, HostLookupDone done) {
        pending.push_back(std::move(done));
    }};
};

/// Every name fails, the way a name under .invalid does.
HostLookupFunction notFound(int* calls) {
    return [calls](const QString&, QObject* context, HostLookupDone done) {
        ++*calls;
        QTimer::singleShot(0, context, [done] { done(SocketErrorNumbers::HostNotFound, {}); });
    };
}

} // namespace

TEST(Session, ConnectsDisconnectsAndReconnectsOnAFreshSocket) {
    ScriptedPeer peer(PeerScript().silent());
    TPowersock s;
    int connects = 0, disconnects = 0;
    s.OnConnect = [&](QObject* sender) {
        EXPECT_EQ(sender, &s);
        ++connects;
    };
    s.OnDisconnect = [&](QObject*) { ++disconnects; };

    nettest::connectTo(s, peer);
    EXPECT_TRUE(s.IsConnected);
    EXPECT_EQ(connects, 1);
    EXPECT_EQ(s.RemoteAddress, 0x7f000001u);
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Already connected");

    s.Disconnect();
    EXPECT_FALSE(s.IsConnected);
    EXPECT_EQ(disconnects, 1);
    EXPECT_GE(s.SocketHandle(), 0); // a fresh socket is ready

    s.Connect();
    EXPECT_TRUE(s.IsConnected);
    EXPECT_EQ(connects, 2);
    EXPECT_TRUE(testenv::waitUntil([&] { return peer.connections() == 2; }));
}

TEST(Session, ConnectUsesTheProxyNameAndPortWhenSet) {
    ScriptedPeer peer(PeerScript().silent());
    TPowersock s;
    s.Host = QStringLiteral("host.invalid");
    s.Port = freeLoopbackPort();
    s.Proxy = QStringLiteral("127.0.0.1");
    s.ProxyPort = peer.port();
    s.Connect();
    EXPECT_TRUE(s.IsConnected);
    EXPECT_EQ(s.RemotePort, peer.port());
}

TEST(Session, RefusedConnectFailsAndTheSessionRecovers) {
    TPowersock s;
    int failed = 0;
    s.OnConnectionFailed = [&](QObject*) { ++failed; };
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = freeLoopbackPort();
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Connection Failed");
    EXPECT_EQ(failed, 1);
    EXPECT_FALSE(s.IsConnected);

    ScriptedPeer peer(PeerScript().silent());
    s.Disconnect();
    nettest::connectTo(s, peer);
    EXPECT_TRUE(s.IsConnected);
}

TEST(Session, LooksUpNamesAndUsesDottedAddressesAsTheyStand) {
    ScriptedPeer peer(PeerScript().silent());
    TPowersock s;
    int resolved = 0;
    s.OnHostResolved = [&](QObject*) { ++resolved; };
    s.Host = QStringLiteral("localhost"); // answered from the hosts file
    s.Port = peer.port();
    s.Connect();
    EXPECT_EQ(resolved, 1);
    EXPECT_EQ(s.RemoteAddress, 0x7f000001u);
    s.Disconnect();
    s.Host.clear();
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Null Remote Address");

    int lookups = 0;
    FakeLookup fake(notFound(&lookups));
    s.Host = QStringLiteral("127.0.0.1");
    s.Connect();
    EXPECT_EQ(lookups, 0);
    EXPECT_EQ(resolved, 1);
    s.Disconnect();

    // The broadcast address reads as "no address" and goes to the lookup.
    s.Host = QStringLiteral("255.255.255.255");
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Null Remote Address");
    EXPECT_EQ(lookups, 1);
}

TEST(Session, AnUnknownHostGetsExactlyOneSecondChance) {
    int lookups = 0;
    FakeLookup fake(notFound(&lookups));
    TPowersock s;
    s.Host = QStringLiteral("nothing.invalid");
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Null Remote Address");
    EXPECT_EQ(lookups, 1);

    int asked = 0;
    s.OnInvalidHost = [&](bool& handled) {
        ++asked;
        handled = true; // still the same bad name
    };
    lookups = 0;
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Null Remote Address");
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(lookups, 2);

    ScriptedPeer peer(PeerScript().silent());
    s.Port = peer.port();
    s.OnInvalidHost = [&](bool& handled) {
        s.Host = QStringLiteral("127.0.0.1");
        handled = true;
    };
    s.Host = QStringLiteral("nothing.invalid");
    s.Connect();
    EXPECT_TRUE(s.IsConnected);
}

TEST(Session, LookupTimesOutOrIsCancelledAndALateAnswerOnlyRaisesTheFlag) {
    StalledLookup lookup;
    TPowersock s;
    s.Host = QStringLiteral("slow.invalid");
    s.SetTimeOut(50);
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Host Lookup Timed Out");
    EXPECT_TRUE(s.TimedOut);
    ASSERT_EQ(lookup.pending.size(), 1u);

    s.EventArrived = false;
    lookup.pending[0](0, {QHostAddress(0x0a000001u)}); // far too late
    EXPECT_TRUE(s.EventArrived);
    EXPECT_EQ(s.RemoteAddress, 0u);

    s.SetTimeOut(0);
    QTimer::singleShot(10, &s, [&] { s.Cancel(); });
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Host Lookup Canceled");
    EXPECT_FALSE(s.TimedOut);
    EXPECT_THROW(s.SetTimeOut(-1), std::invalid_argument);
}

TEST(Session, ConnectTimesOutOrIsCancelledWhileThePeerNeverAnswers) {
    nettest::BlackHole hole;
    TPowersock s;
    int failed = 0;
    s.OnConnectionFailed = [&](QObject*) { ++failed; };
    s.Host = QStringLiteral("127.0.0.1");
    s.Port = hole.port();
    s.SetTimeOut(100);
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Connection Timed out");
    EXPECT_TRUE(s.TimedOut);
    EXPECT_TRUE(s.Cancelled); // stays set until the next Connect
    EXPECT_FALSE(s.IsConnected);

    s.Disconnect();
    s.SetTimeOut(0);
    QTimer::singleShot(10, &s, [&] { s.Abort(); });
    EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), "Connection Canceled");
    EXPECT_EQ(failed, 2);
}

TEST(Session, ErrorTextsFollowTheClassicTable) {
    TPowersock s;
    EXPECT_EQ(s.ErrorText(10057), "10057:Socket is not connected");
    EXPECT_EQ(s.ErrorText(10061), "10061:Connection refused");
    EXPECT_EQ(s.ErrorText(11004), "11004:Valid name, no data record of requested type");
    EXPECT_EQ(s.ErrorText(12345), "Unknown Error No. 12345");
    EXPECT_EQ(s.ErrorText(0), "");

    EXPECT_EQ(SocketErrorNumbers::fromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorNumbers::fromErrno(EWOULDBLOCK), 10035);
    EXPECT_EQ(SocketErrorNumbers::fromErrno(ENOTCONN), 10057);
    // Every number the errno table can produce has its own text.
    for (int e = 1; e < 134; ++e) {
        const int classic = SocketErrorNumbers::fromErrno(e);
        if (classic < 20000)
            EXPECT_FALSE(s.ErrorText(classic).startsWith("Unknown")) << "errno " << e;
        else
            EXPECT_EQ(classic, 20000 + e);
    }
}

TEST(Session, ASocketErrorIsReportedToItsHandlerThenThrown) {
    TPowersock s; // never connected
    quint16 number = 0;
    QString reported;
    s.OnSocketError = [&](QObject* sender, quint16 error, const QString& text) {
        EXPECT_EQ(sender, &s);
        number = error;
        reported = text;
    };
    const QString thrown = thrownText<ESockError>([&] { s.Write("data"); });
    EXPECT_GT(number, 10000);
    EXPECT_EQ(number, s.LastErrorCode);
    EXPECT_EQ(reported, thrown);
    EXPECT_EQ(thrown, s.ErrorText(number));
}

TEST(Session, StatusTextsPassTheReportLevelAndHandlerFailuresAreSwallowed) {
    ScriptedPeer peer(PeerScript().waitBytes(2).close());
    TPowersock s;
    QStringList seen;
    s.OnStatus = [&](QObject*, const QString& text) {
        seen << text;
        throw std::runtime_error("handler failure");
    };
    s.ReportLevel = 4;
    nettest::connectTo(s, peer);
    s.Write("hi");
    EXPECT_TRUE(seen.contains("Sending Buffer"));
    EXPECT_FALSE(seen.contains("Write")); // level 8
    EXPECT_FALSE(seen.contains("Connecting"));
    EXPECT_EQ(s.StatusText, "Sending Buffer");

    seen.clear();
    s.ReportLevel = 0;
    s.Disconnect();
    EXPECT_TRUE(seen.isEmpty());
}

TEST(Session, DestructionRunsNoHandler) {
    ScriptedPeer peer(PeerScript().silent());
    auto s = std::make_unique<TPowersock>();
    nettest::connectTo(*s, peer);
    s->ReportLevel = 8;
    int calls = 0;
    s->OnStatus = [&](QObject*, const QString&) { ++calls; };
    s->OnDisconnect = [&](QObject*) { ++calls; };
    s.reset();
    EXPECT_EQ(calls, 0);
    // The connection was reset at once, not left half open.
    EXPECT_TRUE(testenv::waitUntil([&] { return peer.finished() == 1; }));
}

TEST(Session, TwoSessionsShareOneStartUpAndOneCleanUp) {
    ASSERT_EQ(TPowersock::WinsockUsers(), 0);
    const int startups = TPowersock::StartupCount();
    const int cleanups = TPowersock::CleanupCount();
    auto a = std::make_unique<TPowersock>();
    auto b = std::make_unique<TPowersock>();
    EXPECT_EQ(TPowersock::WinsockUsers(), 2);
    EXPECT_EQ(TPowersock::StartupCount(), startups + 1);
    EXPECT_EQ(a->WinsockInfo.size(), 6);
    EXPECT_TRUE(b->WinsockInfo.isEmpty());
    a.reset();
    EXPECT_EQ(TPowersock::CleanupCount(), cleanups);
    b.reset();
    EXPECT_EQ(TPowersock::CleanupCount(), cleanups + 1);
    EXPECT_EQ(TPowersock::WinsockUsers(), 0);
}

TEST(Session, AcceptTakesAnIncomingConnectionWithoutHelpOrEndsOnCancel) {
    TPowersock s;
    const quint16 port = s.Listen();

    QTimer::singleShot(10, &s, [&] { s.Cancel(); });
    EXPECT_EQ(thrownText<ESockError>([&] { s.Accept(); }), "Accepting Canceled");
    s.Cancelled = false;

    TPowersock client;
    client.Host = QStringLiteral("127.0.0.1");
    client.Port = port;
    int accepted = -1;
    QTimer::singleShot(0, &s, [&] { client.Connect(); });
    accepted = s.Accept();
    ASSERT_GE(accepted, 0);
    EXPECT_EQ(s.RemoteAddress, 0x7f000001u);
    EXPECT_TRUE(testenv::waitUntil([&] { return client.IsConnected; }));
    const char byte = 'z';
    EXPECT_EQ(::send(accepted, &byte, 1, 0), 1);
    QByteArray got;
    client.CaptureString(got, 1);
    EXPECT_EQ(got, "z");
    ::close(accepted);
}
