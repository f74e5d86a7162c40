#include "net/powersock.h"
#include "tests/net/net_test_util.h"
#include "tests/support/test_env.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace testsupport;
using nettest::thrownText;

namespace {

class Transfer : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir;
    TPowersock s;
};

} // namespace

TEST_F(Transfer, WriteSendsEveryByteOfLongAndBinaryTexts) {
    QByteArray big = ScriptedPeer::pattern(0, 3 * 1024 * 1024);
    big[10] = '\0'; // a zero byte is data, not the end of the text
    ScriptedPeer peer(PeerScript().waitBytes(5 + big.size()).close());
    nettest::connectTo(s, peer);
    s.Writeln("abc");
    s.Write(big);
    ASSERT_TRUE(testenv::waitUntil([&] { return peer.received().size() >= 5 + big.size(); }));
    EXPECT_TRUE(peer.received() == "abc\r\n" + big);
}

TEST_F(Transfer, ReadLnReturnsOneLineAtATimeSentWholeOrDrippedAndLeavesTheRest) {
    ScriptedPeer peer(
        PeerScript().send("one\r\ntwo\n").drip("HTTP/1.0 200 OK\r\n").send("rest").close());
    nettest::connectTo(s, peer);
    EXPECT_EQ(s.ReadLn(), "one\r\n");
    EXPECT_EQ(s.ReadLn(), "two\n");
    EXPECT_EQ(s.ReadLn(), "HTTP/1.0 200 OK\r\n");
    QByteArray rest;
    s.CaptureString(rest, -1, 4);
    EXPECT_EQ(rest, "rest");
    EXPECT_EQ(s.ReadLn(), ""); // end of stream
}

TEST_F(Transfer, ReadLinesTakesTheLinesUpToTheEmptyOneAndNothingAfterIt) {
    struct Case {
        const char* name;
        PeerScript script;
        qint64 limit;
        QByteArray block;
        QByteArray after;         // what the next read still finds
        bool statusFirst = false; // the block opens with a status line
    };
    const QByteArray header = "A: 1\r\nB: 2\r\n\r\n";
    const QByteArray status = "HTTP/1.0 200 OK\r\n";
    const QByteArray longest =
        "HTTP/1.0 200 " + QByteArray(TPowersock::BufferSize - 15, 'x') + "\r\n";
    const Case cases[] = {
        {"in one piece", PeerScript().send(header + "BODY").close(), 1000, header, "BODY"},
        {"byte by byte", PeerScript().drip(header + "BODY", 1).close(), 1000, header, "BODY"},
        {"bare line feeds", PeerScript().send("A\n\nBODY").close(), 1000, "A\n\n", "BODY"},
        {"no fields", PeerScript().send("\r\nBODY").close(), 1000, "\r\n", "BODY"},
        {"a CR alone is no empty line", PeerScript().send("A\r\n\r\r\n\r\nBODY").close(), 1000,
         "A\r\n\r\r\n\r\n", "BODY"},
        {"the peer closes inside a line", PeerScript().send("A: 1\r\nB: pa").close(), 1000,
         "A: 1\r\n", ""},
        // One byte over the limit says that the block has not ended.
        {"no end within the limit", PeerScript().send("X: 12345678\r\n\r\n").close(), 8,
         "X: 123456", "78\r\n\r\n"},
        {"a status line first", PeerScript().send(status + header + "BODY").close(), 1000,
         status + header, "BODY", true},
        {"a status line first, byte by byte",
         PeerScript().drip(status + header + "BODY", 1).close(), 1000, status + header, "BODY",
         true},
        {"another protocol's first line is all that is taken",
         PeerScript().send("SSH-2.0-x\r\n" + header).close(), 1000, "SSH-2.0-x\r\n", header, true},
        {"a blank first line is no status line", PeerScript().send("\r\n" + header).close(), 1000,
         "\r\n", header, true},
        {"the peer closes inside the status line", PeerScript().send("HTTP/1.0 2").close(), 1000,
         "", "", true},
        {"a status line as long as the buffer", PeerScript().send(longest + "\r\nBODY").close(),
         1 << 20, longest + "\r\n", "BODY", true},
    };
    const auto isStatus = [](const QByteArray& line) { return line.startsWith("HTTP/"); };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPowersock session;
        ScriptedPeer peer(c.script);
        nettest::connectTo(session, peer);
        std::function<bool(const QByteArray&)> first;
        if (c.statusFirst)
            first = isStatus;
        Task<QByteArray> read = session.ReadLinesAsync(c.limit, first);
        read.Start();
        ASSERT_TRUE(testenv::waitUntil([&] { return read.Done(); }));
        EXPECT_EQ(read.Result(), c.block);
        QByteArray after;
        session.CaptureString(after);
        EXPECT_EQ(after, c.after);
    }
    // A first line is bounded by the buffer, as ReadLn's lines are, however
    // it arrives (at once, or a few bytes first and its end within one more
    // peek), and a refused one is answered at once, without waiting for an
    // empty line.
    for (const PeerScript& script :
         {PeerScript().send(QByteArray(TPowersock::BufferSize + 10, 'x')).silent(),
          PeerScript()
              .drip("HTTP")
              .send(QByteArray(TPowersock::BufferSize - 2, 'x') + "\n")
              .silent()}) {
        TPowersock session;
        ScriptedPeer peer(script);
        nettest::connectTo(session, peer);
        Task<QByteArray> longLine = session.ReadLinesAsync(1 << 20, isStatus);
        longLine.Start();
        ASSERT_TRUE(testenv::waitUntil([&] { return longLine.Done(); }));
        EXPECT_TRUE(
            thrownText<ESockError>([&] { longLine.Result(); }).startsWith("Line longer than"));
    }
    ScriptedPeer banner(PeerScript().send("SSH-2.0-OpenSSH_9.2\r\n").silent());
    TPowersock other;
    nettest::connectTo(other, banner);
    Task<QByteArray> refused = other.ReadLinesAsync(1 << 20, isStatus);
    refused.Start();
    ASSERT_TRUE(testenv::waitUntil([&] { return refused.Done(); }, 2000));
    EXPECT_EQ(refused.Result(), "SSH-2.0-OpenSSH_9.2\r\n");
}

TEST_F(Transfer, ReadLnEndsWithTheEmptyLineWhenThePeerClosesOrTheSocketIsGone) {
    ScriptedPeer peer(PeerScript().send("no line end").close());
    nettest::connectTo(s, peer);
    EXPECT_EQ(s.ReadLn(), "");

    // Once the close was noticed the session holds a fresh, unconnected socket.
    ASSERT_TRUE(testenv::waitUntil([&] { return !s.IsConnected; }));
    EXPECT_EQ(s.ReadLn(), "");
    EXPECT_EQ(s.LastErrorCode, 10057);
}

TEST_F(Transfer, ReadLnRefusesALineLongerThanTheBuffer) {
    ScriptedPeer peer(PeerScript().send(QByteArray(TPowersock::BufferSize + 10, 'x')).silent());
    nettest::connectTo(s, peer);
    const QString text = thrownText<ESockError>([&] { s.ReadLn(); });
    EXPECT_TRUE(text.startsWith("Line longer than")) << text.toStdString();
}

TEST_F(Transfer, APeerCloseWithUnreadDataDeliversTheDataFirst) {
    ScriptedPeer peer(PeerScript().send(QByteArray(300, 'd')).close());
    nettest::connectTo(s, peer);
    ASSERT_TRUE(testenv::waitUntil([&] { return nettest::peerHasClosed(s); }));
    EXPECT_TRUE(s.IsConnected);
    QByteArray text;
    s.CaptureString(text, 100); // the maximum is tested between blocks only
    EXPECT_EQ(text, QByteArray(300, 'd'));
    EXPECT_EQ(s.ReceivedBytes, 300);
}

TEST_F(Transfer, AConnectionIsReusableOnlyWhileNothingWaitsOnItAndTheLookTakesNothing) {
    const struct {
        const char* name;
        PeerScript script;
        bool reusable;      ///< at once, and for good
        QByteArray waiting; ///< bytes that make it unusable until they are read
    } rows[] = {
        {"silent peer", PeerScript().silent(), true, ""},
        {"a line waits", PeerScript().send("stale reply\n").silent(), false, "stale reply\n"},
        {"peer closed", PeerScript().close(), false, ""},
        {"peer reset", PeerScript().reset(), false, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TPowersock session;
        ScriptedPeer peer(row.script);
        nettest::connectTo(session, peer);
        if (row.reusable) {
            EXPECT_TRUE(session.ConnectionReusable());
            continue;
        }
        EXPECT_TRUE(testenv::waitUntil([&] { return !session.ConnectionReusable(); }));
        if (row.waiting.isEmpty())
            continue;
        EXPECT_EQ(session.ReadLn(), row.waiting);
        EXPECT_TRUE(session.ConnectionReusable());
    }
    EXPECT_FALSE(s.ConnectionReusable()) << "never connected";
}

TEST_F(Transfer, CaptureFileWritesEmptyAndSmallBodies) {
    {
        ScriptedPeer peer(PeerScript().close());
        nettest::connectTo(s, peer);
        s.CaptureFile(path("empty"));
        EXPECT_TRUE(QFile::exists(path("empty")));
        EXPECT_EQ(QFile(path("empty")).size(), 0);
        EXPECT_EQ(s.ReceivedBytes, 0);
        s.Disconnect();
    }
    ScriptedPeer peer(PeerScript().send("x").close());
    nettest::connectTo(s, peer);
    int packets = 0;
    s.OnPacketRecvd = [&](QObject*) { ++packets; };
    testenv::writeFile(path("small"), "old and longer content");
    s.CaptureFile(path("small"));
    EXPECT_EQ(testenv::readFile(path("small")), "x");
    EXPECT_EQ(s.ReceivedBytes, 1);
    EXPECT_EQ(packets, 1);
}

TEST_F(Transfer, CaptureFileOf100MiBCountsEveryByteAndFiresPerBlock) {
    const qint64 size = 100ll * 1024 * 1024;
    ScriptedPeer peer(PeerScript().sendPattern(size).close());
    nettest::connectTo(s, peer);
    qint64 packets = 0, last = 0, biggest = 0;
    bool shrank = false;
    s.OnPacketRecvd = [&](QObject*) {
        ++packets;
        shrank |= s.ReceivedBytes <= last;
        biggest = std::max(biggest, s.ReceivedBytes - last);
        last = s.ReceivedBytes;
    };
    s.CaptureFile(path("big"));
    EXPECT_EQ(s.ReceivedBytes, size);
    EXPECT_FALSE(shrank);
    EXPECT_LE(biggest, TPowersock::BufferSize);
    EXPECT_GE(packets, size / TPowersock::BufferSize);

    QFile f(path("big"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    ASSERT_EQ(f.size(), size);
    for (qint64 at = 0; at < size; at += 4 << 20) {
        const QByteArray chunk = f.read(4 << 20);
        ASSERT_TRUE(chunk == ScriptedPeer::pattern(at, chunk.size())) << "at " << at;
    }
}

TEST_F(Transfer, CaptureStopsAfterTheAnnouncedLengthWithoutReadingBeyond) {
    ScriptedPeer peer(PeerScript().send(ScriptedPeer::pattern(0, 100000) + "NEXT\r\n").silent());
    nettest::connectTo(s, peer);
    s.CaptureFile(path("body"), 100000); // the peer keeps the connection open
    EXPECT_EQ(s.ReceivedBytes, 100000);
    EXPECT_TRUE(testenv::readFile(path("body")) == ScriptedPeer::pattern(0, 100000));
    EXPECT_EQ(s.ReadLn(), "NEXT\r\n");

    s.CaptureFile(path("nothing"), 0);
    EXPECT_EQ(s.ReceivedBytes, 0);
}

TEST_F(Transfer, CapturesAndReadsTimeOutAgainstASilentPeer) {
    ScriptedPeer peer(PeerScript().send("partial").silent());
    nettest::connectTo(s, peer);
    s.SetTimeOut(50);
    EXPECT_EQ(thrownText<EAbortError>([&] { s.ReadLn(); }), "Socket readln aborted");
    EXPECT_TRUE(s.TimedOut);
    EXPECT_FALSE(s.Cancelled);
    EXPECT_EQ(thrownText<EAbortError>([&] { s.CaptureFile(path("f")); }), "Socket send aborted");
    EXPECT_TRUE(s.TimedOut);
    QByteArray text;
    EXPECT_EQ(thrownText<EAbortError>([&] { s.CaptureString(text); }), "Socket capture aborted");
    EXPECT_FALSE(s.Cancelled);
}

TEST_F(Transfer, CancelFromATimerEndsEveryKindOfWait) {
    ScriptedPeer peer(PeerScript().stall()); // never reads, never sends
    nettest::connectTo(s, peer);
    auto cancelSoon = [&] { QTimer::singleShot(10, &s, [&] { s.Cancel(); }); };

    cancelSoon();
    EXPECT_EQ(thrownText<EAbortError>([&] { s.ReadLn(); }), "Socket readln aborted");
    cancelSoon();
    EXPECT_EQ(thrownText<EAbortError>([&] { s.CaptureFile(path("f")); }), "Socket send aborted");
    QByteArray text;
    cancelSoon();
    EXPECT_EQ(thrownText<EAbortError>([&] { s.CaptureString(text); }), "Socket capture aborted");
    // Far more than the socket buffers hold, so the send has to wait.
    cancelSoon();
    EXPECT_EQ(thrownText<EAbortError>([&] { s.Write(QByteArray(64 << 20, 'w')); }),
              "Socket send aborted");
    EXPECT_FALSE(s.Cancelled);
}

TEST_F(Transfer, SendWaitsForWritabilityQuietlyUnderTheTimeOut) {
    // The peer's reply waits unread while the send is stuck: that must not
    // wake the wait round after round.
    ScriptedPeer peer(PeerScript().send("early reply").stall());
    nettest::connectTo(s, peer);
    ASSERT_TRUE(testenv::waitUntil([&] { return s.DataAvailable(); }));
    int readReady = 0;
    s.OnReadReady = [&](QObject*) { ++readReady; };
    s.SetTimeOut(100);
    EXPECT_EQ(thrownText<EAbortError>([&] { s.Write(QByteArray(64 << 20, 'w')); }),
              "Socket send aborted");
    EXPECT_TRUE(s.TimedOut);
    EXPECT_LE(readReady, 1);
    QByteArray reply;
    s.CaptureString(reply, -1, 11);
    EXPECT_EQ(reply, "early reply"); // still there to be read
}

TEST_F(Transfer, TransactionReadsTheReplyCode) {
    ScriptedPeer peer(PeerScript()
                          .waitFor("A\r\n")
                          .send("250 OK\r\n")
                          .waitFor("B\r\n")
                          .send("OK 250\r\n")
                          .waitFor("C\r\n")
                          .send("40000 too big\r\n")
                          .silent());
    nettest::connectTo(s, peer);
    EXPECT_EQ(s.Transaction("A"), "250 OK\r\n");
    EXPECT_EQ(s.ReplyCode, 250);
    EXPECT_EQ(s.Transaction("B"), "OK 250\r\n");
    EXPECT_EQ(s.ReplyCode, 0);
    EXPECT_THROW(s.Transaction("C"), std::out_of_range);
    EXPECT_EQ(peer.received(), "A\r\nB\r\nC\r\n");
}

TEST_F(Transfer, SendFileCountsSentBytesAcrossCalls) {
    const QByteArray content = ScriptedPeer::pattern(0, 200000);
    ASSERT_TRUE(testenv::writeFile(path("upload"), content));
    ScriptedPeer peer(PeerScript().waitBytes(2 * content.size()).close());
    nettest::connectTo(s, peer);
    int sent = 0;
    s.OnPacketSent = [&](QObject*) { ++sent; };
    s.SendFile(path("upload"));
    EXPECT_EQ(s.SentBytes, content.size());
    s.SendFile(path("upload"));
    EXPECT_EQ(s.SentBytes, 2 * content.size());
    EXPECT_GE(sent, 2 * 3); // at least one send per 64 KiB block
    ASSERT_TRUE(testenv::waitUntil([&] { return peer.received().size() == 2 * content.size(); }));
    EXPECT_TRUE(peer.received() == content + content);
    EXPECT_THROW(s.SendFile(path("missing")), std::runtime_error);
}

TEST_F(Transfer, ANestedEventLoopDoesNotSpinOnPendingData) {
    // A modal dialog opened from a transfer event runs its own event loop
    // while data waits unread; the session must stay quiet meanwhile.
    ScriptedPeer peer(PeerScript().waitBytes(1).sendPattern(4 << 20).close());
    nettest::connectTo(s, peer);
    s.Write("g");
    int readReady = 0, nestedReadReady = 0;
    bool nested = false, dialogShown = false;
    s.OnReadReady = [&](QObject*) {
        ++readReady;
        if (nested)
            ++nestedReadReady;
    };
    s.OnPacketRecvd = [&](QObject*) {
        if (dialogShown)
            return;
        dialogShown = true;
        nested = true;
        QEventLoop loop;
        QTimer spin;
        int rounds = 0;
        QObject::connect(&spin, &QTimer::timeout, [&] {
            if (++rounds == 500)
                loop.quit();
        });
        spin.start(0);
        loop.exec();
        nested = false;
    };
    s.CaptureFile(path("f"));
    EXPECT_TRUE(dialogShown);
    EXPECT_LE(nestedReadReady, 1);
    EXPECT_EQ(s.ReceivedBytes, 4 << 20);
}

TEST(TextHelpers, NthFieldAndNthCharPos) {
    EXPECT_EQ(TPowersock::NthField("a,b,c", ',', 1), "a");
    EXPECT_EQ(TPowersock::NthField("a,b,c", ',', 2), "b");
    EXPECT_EQ(TPowersock::NthField("a,b,c", ',', 3), "c");
    EXPECT_EQ(TPowersock::NthField("a,b,c", ',', 4), "");
    EXPECT_EQ(TPowersock::NthField("a,b,c", ',', 0), "");
    EXPECT_EQ(TPowersock::NthField("", ',', 1), "");
    EXPECT_EQ(TPowersock::NthField("a,,c", ',', 2), "");
    EXPECT_EQ(TPowersock::NthField("HTTP/1.0 404 Not Found", ' ', 2), "404");

    EXPECT_EQ(TPowersock::NthCharPos("a,b,c", ',', 1), 2);
    EXPECT_EQ(TPowersock::NthCharPos("a,b,c", ',', 2), 4);
    EXPECT_EQ(TPowersock::NthCharPos("a,b,c", ',', 3), 6);
    EXPECT_EQ(TPowersock::NthCharPos("a,b,", ',', 2), 5); // the last character
}

namespace {

// A pace that grants a fixed number of bytes per turn and then asks for a
// pause, counting what it was asked and told.
class CountingPace : public ReceivePace {
public:
    explicit CountingPace(qint64 grant)
        : grant_(grant) {}
    qint64 Allowance(qint64 wanted) override {
        // Every other ask must wait: a capture has to get through its pauses.
        if (++asks_ % 2 == 0)
            return 0;
        return qMin(wanted, grant_);
    }
    void Took(qint64 bytes) override {
        took_ += bytes;
        largest_ = qMax(largest_, bytes);
    }
    qint64 WaitMs() override {
        ++waits_;
        return 0;
    }
    qint64 grant_;
    int asks_ = 0;
    int waits_ = 0;
    qint64 took_ = 0;
    qint64 largest_ = 0;
};

} // namespace

TEST_F(Transfer, APacedCaptureReadsNoMoreAtOnceThanItsPaceGrantsAndGetsEveryByte) {
    const QByteArray body = ScriptedPeer::pattern(0, 20000);
    const auto pace = std::make_shared<CountingPace>(1000);
    for (const char* how : {"file", "text", "skip"}) {
        SCOPED_TRACE(how);
        ScriptedPeer peer(PeerScript().send(body).close());
        nettest::connectTo(s, peer);
        s.Pace = pace;
        pace->took_ = pace->largest_ = 0;
        QByteArray text;
        if (QByteArray(how) == "file") {
            s.CaptureFile(path("paced"));
            EXPECT_TRUE(testenv::readFile(path("paced")) == body);
        } else if (QByteArray(how) == "text") {
            s.CaptureString(text);
            EXPECT_TRUE(text == body);
        } else {
            EXPECT_EQ(s.Skip(-1), body.size());
        }
        EXPECT_EQ(pace->took_, body.size());
        EXPECT_EQ(pace->largest_, 1000);
        s.Pace = nullptr;
        s.Disconnect();
    }
    EXPECT_GE(pace->waits_, 3 * 20);

    // A cancel ends a paced wait as any other.
    ScriptedPeer peer(PeerScript().send(body).silent());
    nettest::connectTo(s, peer);
    struct Stalled : ReceivePace {
        qint64 Allowance(qint64) override { return 0; }
        void Took(qint64) override {}
        qint64 WaitMs() override { return 1000; }
    };
    s.Pace = std::make_shared<Stalled>();
    QTimer::singleShot(10, &s, [&] { s.Cancel(); });
    EXPECT_EQ(thrownText<EAbortError>([&] { s.CaptureFile(path("f")); }), "Socket send aborted");
}
