// A name with several addresses: each is tried in turn, one that does not
// answer is left after a short while, one that refuses at once, and the
// classic texts when none will do.
#include "net/powersock.h"
#include "platform/host_lookup.h"
#include "tests/net/net_test_util.h"
#include "tests/support/scripted_peer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

using namespace testsupport;
using nettest::thrownText;

namespace {

class NamedAddresses {
public:
    explicit NamedAddresses(QList<QHostAddress> addresses) {
        SetHostLookupForTesting([addresses](const QString&, QObject* context, HostLookupDone done) {
            QTimer::singleShot(0, context, [done, addresses] { done(0, addresses); });
        });
    }
    ~NamedAddresses() { SetHostLookupForTesting({}); }
};

} // namespace

TEST(ConnectAddresses, TriesEachInTurnAndKeepsTheClassicTexts) {
    ScriptedPeer peer(PeerScript().silent());
    const nettest::BlackHole hole(0x7f000002, peer.port());
    ASSERT_EQ(hole.port(), peer.port());
    const QHostAddress working("127.0.0.1"), silent("127.0.0.2"), refusing("127.0.0.3");
    struct Row {
        const char* name;
        QList<QHostAddress> addresses;
        const char* error;         ///< empty: connected to 127.0.0.1
        qint64 atLeastMs, belowMs; ///< how long the connect took
    };
    const Row rows[] = {
        {"unanswered first", {silent, working}, "", TPowersock::ConnectFallbackMs, 2000},
        {"refused first", {refusing, working}, "", 0, TPowersock::ConnectFallbackMs},
        {"only refusals",
         {refusing, QHostAddress("127.0.0.4")},
         "Connection Failed",
         0,
         TPowersock::ConnectFallbackMs},
        {"the last one gets the rest of the time-out",
         {refusing, silent},
         "Connection Timed out",
         600,
         3000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        NamedAddresses lookup(row.addresses);
        TPowersock s;
        s.SetTimeOut(600);
        s.Host = "gallery.example";
        s.Port = peer.port();
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(thrownText<ESockError>([&] { s.Connect(); }), row.error);
        EXPECT_GE(clock.elapsed(), row.atLeastMs);
        EXPECT_LT(clock.elapsed(), row.belowMs);
        EXPECT_EQ(s.RemoteAddresses, row.addresses);
        EXPECT_EQ(s.IsConnected, *row.error == '\0');
        if (s.IsConnected) {
            EXPECT_EQ(s.RemoteAddress, 0x7f000001u);
        }
        s.Disconnect();
    }
}
