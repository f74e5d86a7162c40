// Requests started with Start(): each ends with exactly one `finished`,
// whatever ends it, and nothing waits in a loop of its own.
#include "tests/http/http_test_support.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace httptest;
using testsupport::PeerScript;
using testsupport::ScriptedPeer;
using Status = TNMHTTP::Result::Status;

namespace {

/// Where a case cancels its request.
enum class CancelAt {
    Never,
    AtStart,     ///< right after Start(), while the connect (or the lookup) is under way
    InHeader,    ///< once the server has the request and says nothing
    InBody,      ///< at the first block of the body
    InBodyTwice, ///< the same, twice
    AfterTheEnd, ///< once `finished` came
};

struct Finished {
    std::vector<TNMHTTP::Result> results;
};

void Follow(TNMHTTP& http, Finished& seen) {
    QObject::connect(&http, &TNMHTTP::finished,
                     [&seen](const TNMHTTP::Result& r) { seen.results.push_back(r); });
}

TEST(AsyncRequest, EndsWithOneFinishedForEveryOutcome) {
    const QByteArray header = "HTTP/1.0 200 OK\r\nContent-Length: 3000\r\n\r\n";
    const struct {
        const char* name;
        std::optional<PeerScript> script; ///< none: nothing listens on the port
        const char* host;
        CancelAt cancel;
        Status status;
        int replyCode;
        QString reason; ///< what the reason starts with
        SockErrorCode error;
        bool bodyKept; ///< the body file holds the reply afterwards
    } cases[] = {
        {"success",
         PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nhello"),
         "127.0.0.1",
         CancelAt::Never,
         Status::Succeeded,
         200,
         {},
         SockErrorCode::Other,
         true},
        {"error status", PeerScript().reply("HTTP/1.0 404 Not Found\r\n\r\ngone"), "127.0.0.1",
         CancelAt::Never, Status::HttpError, 404, "HTTP/1.0 404 Not Found", SockErrorCode::Other,
         false},
        {"not HTTP", PeerScript().reply("SSH-2.0-OpenSSH\r\n"), "127.0.0.1", CancelAt::Never,
         Status::BadReply, 0, "No HTTP status line", SockErrorCode::Other, false},
        {"cut body", PeerScript().waitFor("\r\n\r\n").send(header + "abc").close(), "127.0.0.1",
         CancelAt::Never, Status::BadReply, 200, "Connection closed after 3 of 3000 bytes",
         SockErrorCode::Other, false},
        {"refused", std::nullopt, "127.0.0.1", CancelAt::Never, Status::Error, 0,
         "Connection Failed", SockErrorCode::ConnectFailed, false},
        {"time-out in the header", PeerScript().waitFor("\r\n\r\n").silent(), "127.0.0.1",
         CancelAt::Never, Status::Error, 0, "Socket readln aborted", SockErrorCode::TimedOut,
         false},
        {"cancel during the lookup", PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"), "localhost",
         CancelAt::AtStart, Status::Cancelled, 0, "Host Lookup Canceled", SockErrorCode::Cancelled,
         false},
        {"cancel during the connect", PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"), "127.0.0.1",
         CancelAt::AtStart, Status::Cancelled, 0, "Connection Canceled", SockErrorCode::Cancelled,
         false},
        {"cancel during the header", PeerScript().waitFor("\r\n\r\n").silent(), "127.0.0.1",
         CancelAt::InHeader, Status::Cancelled, 0, "Socket readln aborted",
         SockErrorCode::Cancelled, false},
        {"cancel during the body", PeerScript().waitFor("\r\n\r\n").send(header + "abc").silent(),
         "127.0.0.1", CancelAt::InBody, Status::Cancelled, 200, "Socket send aborted",
         SockErrorCode::Cancelled, false},
        {"cancel twice", PeerScript().waitFor("\r\n\r\n").send(header + "abc").silent(),
         "127.0.0.1", CancelAt::InBodyTwice, Status::Cancelled, 200, "Socket send aborted",
         SockErrorCode::Cancelled, false},
        {"cancel after the end",
         PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nhello"),
         "127.0.0.1",
         CancelAt::AfterTheEnd,
         Status::Succeeded,
         200,
         {},
         SockErrorCode::Other,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        std::optional<ScriptedPeer> peer;
        quint16 port = 0;
        if (c.script) {
            peer.emplace(*c.script);
            port = peer->port();
        } else {
            // A port that was free a moment ago: nothing answers there.
            port = ScriptedPeer(PeerScript()).port();
        }
        TNMHTTP http;
        http.InputFileMode = true;
        const QString path = dir.filePath("body");
        http.Body = QFile::encodeName(path);
        http.SetTimeOut(c.cancel == CancelAt::Never ? 300 : 10'000);
        Finished seen;
        Follow(http, seen);
        int blocks = 0;
        http.OnPacketRecvd = [&](QObject*) {
            if (++blocks > 1)
                return;
            if (c.cancel == CancelAt::InBody || c.cancel == CancelAt::InBodyTwice)
                http.cancel();
            if (c.cancel == CancelAt::InBodyTwice)
                http.cancel();
        };

        http.Start(cmdGet, QStringLiteral("http://%1:%2/f").arg(c.host).arg(port));
        EXPECT_TRUE(http.Busy());
        EXPECT_TRUE(seen.results.empty()) << "told inside Start";
        if (c.cancel == CancelAt::AtStart)
            http.cancel();
        if (c.cancel == CancelAt::InHeader) {
            ASSERT_TRUE(testenv::waitUntil([&] { return peer->received(0).endsWith("\r\n\r\n"); }));
            http.cancel();
        }
        ASSERT_TRUE(testenv::waitUntil([&] { return !seen.results.empty(); }, 10'000));
        if (c.cancel == CancelAt::AfterTheEnd)
            http.cancel();
        // Nothing more comes, not even for a cancel after the end.
        testenv::waitUntil([] { return false; }, 50);
        ASSERT_EQ(seen.results.size(), 1u);
        const TNMHTTP::Result& r = seen.results.front();
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.replyCode, c.replyCode);
        EXPECT_TRUE(r.reason.startsWith(c.reason)) << r.reason.toStdString();
        EXPECT_EQ(r.error, c.error);
        EXPECT_FALSE(http.Busy());
        EXPECT_EQ(QFileInfo::exists(path), c.bodyKept);
        EXPECT_FALSE(QFileInfo::exists(path + ".part"));
    }
}

TEST(AsyncRequest, TwoSessionsTransferAtOnceOnOneThread) {
    // Each body trickles in over about half a second: one after the other
    // they would take twice as long as side by side, and the first block of
    // each arrives before the other has ended.
    const QByteArray body(25, 'x');
    const auto script = [&] {
        return PeerScript()
            .waitFor("\r\n\r\n")
            .send("HTTP/1.0 200 OK\r\nContent-Length: 25\r\n\r\n")
            .drip(body, 20)
            .close();
    };
    ScriptedPeer first(script());
    ScriptedPeer second(script());
    TNMHTTP a;
    TNMHTTP b;
    Finished seenA;
    Finished seenB;
    Follow(a, seenA);
    Follow(b, seenB);
    bool overlapped = false;
    a.OnPacketRecvd = [&](QObject*) {
        overlapped = overlapped || (b.Busy() && b.ReceivedBytes > 0);
    };
    b.OnPacketRecvd = [&](QObject*) {
        overlapped = overlapped || (a.Busy() && a.ReceivedBytes > 0);
    };

    a.Start(cmdGet, local(first.port(), "/a"));
    b.Start(cmdGet, local(second.port(), "/b"));
    ASSERT_TRUE(testenv::waitUntil([&] { return !seenA.results.empty() && !seenB.results.empty(); },
                                   10'000));
    EXPECT_TRUE(overlapped);
    for (const auto* seen : {&seenA, &seenB}) {
        ASSERT_EQ(seen->results.size(), 1u);
        EXPECT_EQ(seen->results.front().status, Status::Succeeded);
    }
    EXPECT_EQ(a.Body, body);
    EXPECT_EQ(b.Body, body);
}

TEST(AsyncRequest, StartWhileARequestRunsIsRefusedAndLeavesItAlone) {
    ScriptedPeer peer(PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nfine"));
    TNMHTTP http;
    Finished seen;
    Follow(http, seen);
    http.Start(cmdGet, local(peer.port()));
    EXPECT_THROW(http.Start(cmdGet, local(peer.port(), "/other")), std::logic_error);
    EXPECT_THROW(http.Get(local(peer.port(), "/other")), std::logic_error);
    ASSERT_TRUE(testenv::waitUntil([&] { return !seen.results.empty(); }, 10'000));
    EXPECT_EQ(seen.results.front().status, Status::Succeeded);
    EXPECT_EQ(http.Body, "fine");
    EXPECT_EQ(peer.received(0).left(6), "GET / ");
}

} // namespace
