// Replies as a scripted peer sends them: status, header, body, redirects,
// cookies, events, the pass bound, and connections that end badly.
#include "tests/http/http_test_support.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using namespace httptest;
using testsupport::PeerScript;
using testsupport::ScriptedPeer;

namespace {

class Reply : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        http.InputFileMode = true;
        http.Body = QFile::encodeName(bodyPath());
    }
    QString bodyPath() const { return dir.filePath("body.bin"); }
    QByteArray body() const { return testenv::readFile(bodyPath()); }
    Outcome get(quint16 port, const QString& path = "/") {
        return record(http, [&] { http.Get(local(port, path)); });
    }

    QTemporaryDir dir;
    TNMHTTP http;
};

} // namespace

TEST_F(Reply, OkStoresHeaderAndBodyAndReportsOnce) {
    const QByteArray header = "HTTP/1.0 200 OK\r\nContent-Type: image/jpeg\r\nContent-Length: "
                              "7\r\n\r\n";
    const QByteArray bodyBytes("a\0b\r\n\nc", 7);
    auto peer = ScriptedPeer::replying(header + bodyBytes);
    const Outcome outcome = get(peer->port(), "/a.jpg");
    EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(outcome.statuses.count("Transaction Completed"), 1);
    EXPECT_EQ(http.ReplyCode, 200);
    EXPECT_EQ(http.ExpectedBytes, 7);
    EXPECT_EQ(http.ReceivedBytes, 7);
    EXPECT_EQ(http.Header, header);
    EXPECT_EQ(body(), bodyBytes);

    // The same reply into memory: Body holds the bytes, zero bytes included.
    http.InputFileMode = false;
    get(peer->port(), "/a.jpg");
    EXPECT_EQ(http.Body, bodyBytes);
    EXPECT_EQ(http.Header, header);
}

TEST_F(Reply, BodyEndsAtTheAnnouncedLengthOnAnOpenConnection) {
    // Like a proxy that keeps the connection: the bytes, then nothing.
    for (const QByteArray& lengthLine :
         {QByteArray("Content-Length: 5120"), QByteArray("Content-Length:5120"),
          QByteArray("content-length:\t 5120 "), QByteArray("CONTENT-LENGTH: 5120")}) {
        SCOPED_TRACE(lengthLine.constData());
        ScriptedPeer peer(PeerScript()
                              .waitFor("\r\n\r\n")
                              .send("HTTP/1.0 200 OK\r\n" + lengthLine + "\r\n\r\n")
                              .sendPattern(5120)
                              .silent());
        http.SetTimeOut(10000);
        const Outcome outcome = get(peer.port(), "/f");
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        EXPECT_EQ(outcome.successes, 1);
        EXPECT_EQ(http.ExpectedBytes, 5120);
        EXPECT_EQ(body(), ScriptedPeer::pattern(0, 5120));
    }
}

TEST_F(Reply, HeadAndNotModifiedCarryNoBody) {
    ScriptedPeer peer(PeerScript()
                          .waitFor("\r\n\r\n")
                          .send("HTTP/1.0 200 OK\r\nContent-Length: 99\r\n\r\n")
                          .silent());
    http.SetTimeOut(10000);
    const Outcome outcome = record(http, [&] { http.Head(local(peer.port(), "/f")); });
    EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(http.ExpectedBytes, 99);
    EXPECT_EQ(body(), "");
}

TEST_F(Reply, AnErrorStatusFailsAndNeverReachesThePath) {
    // The error page is read (into memory it is kept), but the path holds
    // what it held before: nothing, or the earlier whole file.
    const struct {
        const char* name;
        QByteArray reply;
        int code;
    } cases[] = {
        {"404, closed", "HTTP/1.0 404 Not Found\r\n\r\n<h1>missing</h1>", 404},
        {"404, bare status line", "HTTP/1.1 404\r\nContent-Length: 16\r\n\r\n<h1>missing</h1>",
         404},
        {"500 with a length",
         "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 16\r\n\r\n<h1>missing</h1>", 500},
        {"429 chunked, with Retry-After",
         "HTTP/1.1 429 Too Many Requests\r\nRetry-After: 5\r\nTransfer-Encoding: "
         "chunked\r\n\r\n10\r\n<h1>missing</h1>\r\n0\r\n\r\n",
         429},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const std::optional<QByteArray>& earlier :
             {std::optional<QByteArray>(), std::optional<QByteArray>("the old, whole file")}) {
            SCOPED_TRACE(earlier ? "over an earlier file" : "nothing there");
            QFile::remove(bodyPath());
            if (earlier) {
                ASSERT_TRUE(testenv::writeFile(bodyPath(), *earlier));
            }
            http.InputFileMode = true;
            http.Body = QFile::encodeName(bodyPath());
            auto peer = ScriptedPeer::replying(c.reply);
            const Outcome outcome = get(peer->port(), "/x");
            EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
            EXPECT_EQ(outcome.successes, 0);
            EXPECT_EQ(outcome.failures, 1);
            EXPECT_EQ(http.ReplyCode, c.code);
            EXPECT_EQ(http.ReceivedBytes, 16) << "the page is read off the connection";
            EXPECT_EQ(http.SavedBytes, -1);
            EXPECT_EQ(QFile::exists(bodyPath()), earlier.has_value());
            EXPECT_EQ(body(), earlier.value_or(QByteArray()));
            EXPECT_TRUE(QDir(dir.path()).entryList({"*.part"}, QDir::Files).isEmpty());

            http.InputFileMode = false;
            get(peer->port(), "/x");
            EXPECT_EQ(http.Body, "<h1>missing</h1>");
        }
    }
}

TEST_F(Reply, RetryAfterIsReadAsSecondsOrADateAndOtherwiseIgnored) {
    const QByteArray inNinety = QLocale::c()
                                    .toString(QDateTime::currentDateTimeUtc().addSecs(90),
                                              QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"))
                                    .toLatin1();
    const struct {
        QByteArray line;
        qint64 seconds; // -1: none; for the date, give or take two
    } cases[] = {
        {"Retry-After: 30", 30},
        {"retry-after:   7  ", 7},
        {"Retry-After: " + inNinety, 90},
        {"Retry-After: Sun, 06 Nov 1994 08:49:37 GMT", 0}, // past
        {"Retry-After: 99999999999", 24 * 3600},
        {"Retry-After: soon", -1},
        {"Retry-After: -5", -1},
        {"Retry-After: Sunday, 06-Nov-94 08:49:37 GMT", 0}, // obsolete form, past
        {"X-Other: 1", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line.constData());
        auto peer = ScriptedPeer::replying("HTTP/1.1 503 Service Unavailable\r\n" + c.line +
                                           "\r\nContent-Length: 0\r\n\r\n");
        const Outcome outcome = get(peer->port(), "/x");
        EXPECT_EQ(outcome.failures, 1);
        if (c.seconds == 90)
            EXPECT_NEAR(double(http.RetryAfter), 90.0, 2.0);
        else
            EXPECT_EQ(http.RetryAfter, c.seconds);
    }
}

TEST_F(Reply, KeepAliveReusesAFramedConnectionAndFallsBackToANewOne) {
    const QByteArray ok1 = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none";
    const QByteArray ok2 = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\ntwo";
    const auto first = [] { return PeerScript().waitFor("GET /1 "); };
    const auto second = [] { return PeerScript().waitFor("GET /2 "); };
    const struct {
        const char* name;
        std::vector<PeerScript> scripts;
        int connections;
    } cases[] = {
        {"Content-Length", {first().send(ok1).waitFor("GET /2 ").send(ok2).silent()}, 1},
        {"chunked",
         {first()
              .send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\none\r\n0\r\n\r\n")
              .waitFor("GET /2 ")
              .send(ok2)
              .silent()},
         1},
        {"close-delimited",
         {first().send("HTTP/1.1 200 OK\r\n\r\none").close(), second().send(ok2).silent()},
         2},
        {"the reply asks to close",
         {first().send("HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\n\r\none"),
          second().send(ok2).silent()},
         2},
        {"an HTTP/1.0 reply without keep-alive",
         {first().send("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\none"),
          second().send(ok2).silent()},
         2},
        {"the server closes the kept connection between jobs",
         {first().send(ok1).close(), second().send(ok2).silent()},
         2},
        // Bytes that wait before the next request belong to no request: read
        // as its reply they would put one file's bytes into another's.
        {"the same reply comes twice",
         {first().send(ok1 + ok1).silent(), second().send(ok2).silent()},
         2},
        {"junk after the body",
         {first().send(ok1 + "\r\n\r\nxyz").silent(), second().send(ok2).silent()},
         2},
        {"keep-alive announced, then closed at the next request",
         {first()
              .send("HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 3\r\n\r\none")
              .waitFor("GET /2 ")
              .close(),
          second().send(ok2).silent()},
         2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TNMHTTP client;
        client.KeepAlive = true;
        client.InputFileMode = true;
        ScriptedPeer peer(c.scripts);
        const QString one = dir.filePath(QStringLiteral("1")), two = dir.filePath("2");
        client.Body = QFile::encodeName(one);
        const Outcome a = record(client, [&] { client.Get(local(peer.port(), "/1")); });
        client.Body = QFile::encodeName(two);
        const Outcome b = record(client, [&] { client.Get(local(peer.port(), "/2")); });
        EXPECT_EQ(a.successes + b.successes, 2) << a.error.toStdString() << b.error.toStdString();
        EXPECT_EQ(testenv::readFile(one), "one");
        EXPECT_EQ(testenv::readFile(two), "two");
        EXPECT_EQ(peer.connections(), c.connections);
        EXPECT_TRUE(peer.received(0).startsWith("GET /1 HTTP/1.1\r\n"));
        EXPECT_TRUE(peer.received(0).contains("\r\nConnection: keep-alive\r\n"));
        EXPECT_TRUE(peer.received(c.connections - 1).contains("GET /2 ")) << "on the last one";
    }
}

TEST_F(Reply, RedirectToAnotherPort) {
    ScriptedPeer target(PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nfinal"));
    const QByteArray location = local(target.port(), "/x").toLatin1();
    for (const int code : {300, 301, 302, 303, 307, 308}) {
        SCOPED_TRACE(code);
        auto first =
            ScriptedPeer::replying("HTTP/1.0 " + QByteArray::number(code) +
                                   " Moved\r\nLocation: " + location + "\r\n\r\nmoved page");
        const Outcome outcome = get(first->port(), "/a");
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        EXPECT_EQ(outcome.redirects, 1);
        EXPECT_EQ(outcome.successes, 1);
        EXPECT_EQ(first->connections(), 1);
        EXPECT_EQ(http.URL, location);
        EXPECT_EQ(body(), "final"); // the redirect's own page is overwritten
    }
    ASSERT_TRUE(peerDone(target, 6));
    const QByteArray head =
        "GET /x HTTP/1.0\r\nHost: 127.0.0.1:" + QByteArray::number(target.port()) + "\r\n";
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(target.received(i).startsWith(head)) << target.received(i).constData();
}

TEST_F(Reply, SeeOtherAndAMovedPostFollowWithAGetAndNoBody) {
    const struct {
        CmdType command;
        int code;
        QByteArray next; ///< the start of the request that follows
    } cases[] = {
        {cmdPost, 303, "GET /x HTTP/1.0\r\n"},  {cmdPost, 302, "GET /x HTTP/1.0\r\n"},
        {cmdPost, 301, "GET /x HTTP/1.0\r\n"},  {cmdPut, 303, "GET /x HTTP/1.0\r\n"},
        {cmdHead, 303, "HEAD /x HTTP/1.0\r\n"}, {cmdPost, 307, "POST /x HTTP/1.0\r\n"},
        {cmdPut, 302, "PUT /x HTTP/1.0\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((QByteArray::number(c.command) + " answered " + QByteArray::number(c.code))
                         .toStdString());
        ScriptedPeer peer({PeerScript().reply("HTTP/1.0 " + QByteArray::number(c.code) +
                                              " Moved\r\nLocation: /x\r\n\r\n"),
                           PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
        const QString url = local(peer.port(), "/form");
        const Outcome outcome = record(http, [&] {
            if (c.command == cmdPost)
                http.Post(url, "k=v");
            else if (c.command == cmdPut)
                http.Put(url, "k=v");
            else
                http.Head(url);
        });
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        ASSERT_TRUE(peerDone(peer, 2));
        const QByteArray next = peer.received(1);
        EXPECT_TRUE(next.startsWith(c.next)) << next.constData();
        const bool keepsBody = c.next.startsWith("POST") || c.next.startsWith("PUT");
        EXPECT_EQ(next.contains("Content-Length:"), keepsBody) << next.constData();
        EXPECT_EQ(next.endsWith("\r\n\r\n"), !keepsBody) << next.constData();
        EXPECT_EQ(outcome.codes,
                  QList<CmdType>{CmdType(next.startsWith("GET") ? cmdGet : c.command)});
    }
}

TEST_F(Reply, RelativeLocationsStayOnTheSameServer) {
    const QByteArray longPath = "/" + QByteArray(1000, 'L'); // followed whole
    // Relative references resolve against the request's folder (RFC 3986).
    const struct {
        QString from;
        QByteArray location;
        QByteArray path;
    } cases[] = {{"/start", "page.html", "/page.html"},
                 {"/start", longPath, longPath},
                 {"/start", "/dir/x", "/dir/x"},
                 {"/start", "dir/y", "/dir/y"},
                 {"/start", "/login?next=http://other/x", "/login?next=http://other/x"},
                 {"/start", "go?to=https://other/", "/go?to=https://other/"},
                 {"/a/b/c?q=/x/y", "d", "/a/b/d"},
                 {"/a/b/", "sub/x", "/a/b/sub/x"},
                 {"/a/b/c", "../d?up=../e", "/a/d?up=../e"},
                 {"/a/b/c", "./../../../d/.", "/d/"},
                 {"/a/b/c", "/x/./y/../z", "/x/z"},
                 {"/a/b/c?old", "?new", "/a/b/c?new"}};
    for (const auto& c : cases) {
        SCOPED_TRACE((c.from + " + " + c.location.left(40)).toStdString());
        ScriptedPeer peer(
            {PeerScript().reply("HTTP/1.0 302 Found\r\nLocation: " + c.location + "\r\n\r\n"),
             PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nhere")});
        const Outcome outcome = get(peer.port(), c.from);
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        EXPECT_EQ(outcome.successes, 1);
        ASSERT_TRUE(peerDone(peer, 2));
        EXPECT_TRUE(peer.received(1).startsWith("GET " + c.path + " HTTP/1.0\r\n"))
            << peer.received(1).constData();
        EXPECT_EQ(http.URL, local(peer.port(), QString::fromLatin1(c.path)).toLatin1());
        EXPECT_EQ(body(), "here");
    }
}

TEST_F(Reply, RelativeLocationThroughAProxyBecomesAFullUrl) {
    const struct {
        const char* location;
        const char* url;
    } cases[] = {{"/b", "http://example.host:8080/b"}, {"//other.host/c", "http://other.host/c"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        ScriptedPeer proxy({PeerScript().reply(QByteArray("HTTP/1.0 302 Found\r\nLocation: ") +
                                               c.location + "\r\n\r\n"),
                            PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
        http.Proxy = "127.0.0.1";
        http.ProxyPort = proxy.port();
        record(http, [&] { http.Get("http://example.host:8080/a"); });
        ASSERT_TRUE(peerDone(proxy, 2));
        EXPECT_TRUE(proxy.received(1).startsWith(QByteArray("GET ") + c.url + " HTTP/1.0\r\n"))
            << proxy.received(1).constData();
    }
}

TEST_F(Reply, CookieOfARedirectGoesBackOnlyToTheServerThatSetIt) {
    const QByteArray value = "id=" + QByteArray(400, 'c');
    ScriptedPeer other(PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"));
    ScriptedPeer peer({PeerScript().reply("HTTP/1.0 302 Found\r\nSet-Cookie: " + value +
                                          "; path=/\r\nLocation: /next\r\n\r\n"),
                       PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
    get(peer.port());
    get(peer.port(), "/later");
    record(http, [&] { http.Get(QString("http://localhost:%1/elsewhere").arg(other.port())); });
    ASSERT_TRUE(peerDone(peer, 3));
    ASSERT_TRUE(peerDone(other));
    EXPECT_TRUE(http.HeaderInfo.Cookie.isEmpty());
    EXPECT_FALSE(peer.received(0).contains("Cookie:"));
    // The attributes are the store's, never sent back.
    for (const int i : {1, 2})
        EXPECT_TRUE(peer.received(i).contains("\r\nCookie: " + value + "\r\n")) << i;
    EXPECT_FALSE(other.received().contains("Cookie:")) << "another host is another server";

    // A new run starts without it.
    http.ClearCookies();
    get(peer.port(), "/fresh");
    ASSERT_TRUE(peerDone(peer, 4));
    EXPECT_FALSE(peer.received(3).contains("Cookie:"));
}

TEST_F(Reply, CookiesOfAnyReplyGoWhereTheirDomainPathAndSchemeSay) {
    // A login page answering 200 sets them too; a Secure one never goes over
    // plain http, one for /g/ never to /other.
    ScriptedPeer peer({PeerScript().reply("HTTP/1.0 200 OK\r\nSet-Cookie: s=42\r\n"
                                          "Set-Cookie: g=1; Path=/g\r\n"
                                          "Set-Cookie: sec=1; Secure\r\n\r\n"),
                       PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"),
                       PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
    get(peer.port(), "/login");
    get(peer.port(), "/g/p01.jpg");
    get(peer.port(), "/other");
    ASSERT_TRUE(peerDone(peer, 3));
    EXPECT_TRUE(peer.received(1).contains("\r\nCookie: g=1; s=42\r\n"))
        << peer.received(1).constData();
    EXPECT_TRUE(peer.received(2).contains("\r\nCookie: s=42\r\n")) << peer.received(2).constData();
}

TEST_F(Reply, ALoginIsSentOnlyToTheSchemeHostAndPortTheRequestStartedAt) {
    const QByteArray line = "\r\nAuthorization: Basic " + QByteArray("alice:pw").toBase64();
    const struct {
        const char* name;
        const char* location; ///< "%1": the second peer's port
        bool sameServer;      ///< the redirect stays on the first peer
        bool carried;
    } rows[] = {
        {"a redirect on the same server keeps it", "/next", true, true},
        {"another port is another server", "http://127.0.0.1:%1/next", false, false},
        {"another host name is another server", "http://localhost:%1/next", false, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ScriptedPeer other(PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"));
        const QByteArray location =
            QByteArray(row.location).replace("%1", QByteArray::number(other.port()));
        std::vector<PeerScript> scripts{
            PeerScript().reply("HTTP/1.0 302 Found\r\nLocation: " + location + "\r\n\r\n")};
        if (row.sameServer)
            scripts.push_back(PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n"));
        ScriptedPeer peer(scripts);
        TNMHTTP client;
        client.HeaderInfo.UserId = "alice";
        client.HeaderInfo.Password = "pw";
        record(client, [&] { client.Get(local(peer.port(), "/first")); });
        ASSERT_TRUE(peerDone(peer, row.sameServer ? 2 : 1));
        EXPECT_TRUE(peer.received(0).contains(line)) << peer.received(0).constData();
        const QByteArray second = row.sameServer ? peer.received(1) : other.received();
        if (!row.sameServer) {
            ASSERT_TRUE(peerDone(other));
        }
        EXPECT_EQ(second.contains("Authorization"), row.carried) << second.constData();
    }
}

TEST_F(Reply, HandledRedirectEndsTheRun) {
    auto peer = ScriptedPeer::replying("HTTP/1.0 302 Found\r\nLocation: /x\r\n\r\n");
    int calls = 0;
    http.OnRedirect = [&](bool& handled) {
        ++calls;
        handled = true;
    };
    const Outcome outcome = get(peer->port());
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(outcome.successes + outcome.failures, 0);
    EXPECT_EQ(peer->connections(), 1);
    EXPECT_EQ(http.ReplyCode, 302);
}

TEST_F(Reply, UnauthorizedAsksForCredentialsOnce) {
    auto peer = ScriptedPeer::replying("HTTP/1.0 401 Unauthorized\r\n\r\n");
    const Outcome outcome = get(peer->port());
    EXPECT_EQ(outcome.authentications, 1);
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(peer->connections(), 1);
}

TEST_F(Reply, EndlessRedirectsAndRepeatsStopAtTheBound) {
    for (const QByteArray& reply : {QByteArray("HTTP/1.0 302 Found\r\nLocation: /again\r\n\r\n"),
                                    QByteArray("HTTP/1.0 305 Use Proxy\r\n\r\n")}) {
        SCOPED_TRACE(reply.constData());
        auto peer = ScriptedPeer::replying(reply);
        http.ReportLevel = 0;
        const Outcome outcome = get(peer->port());
        EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
        EXPECT_EQ(outcome.failures, 1);
        EXPECT_EQ(outcome.successes, 0);
        EXPECT_EQ(peer->connections(), TNMHTTP::MaxPasses);
        EXPECT_TRUE(http.FailureReason.contains("20")) << http.FailureReason.toStdString();
        EXPECT_EQ(http.StatusText, http.FailureReason);
    }
}

TEST_F(Reply, RedirectWithoutLocationFailsInsteadOfReusingAnOldOne) {
    ScriptedPeer peer({PeerScript().reply("HTTP/1.0 302 Found\r\nLocation: /first\r\n\r\n"),
                       PeerScript().reply("HTTP/1.0 302 Found\r\n\r\n")});
    const Outcome outcome = get(peer.port());
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(outcome.successes, 0);
    EXPECT_EQ(peer.connections(), 2);
    EXPECT_TRUE(http.FailureReason.contains("Location")) << http.FailureReason.toStdString();
}

TEST_F(Reply, ControlBytesInALocationOrCookieNeverReachTheNextRequest) {
    {
        ScriptedPeer peer({PeerScript().reply("HTTP/1.0 302 Found\r\nSet-Cookie: a=1\rX-Evil: 1"
                                              "\r\nLocation: /next\r\n\r\n"),
                           PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
        get(peer.port());
        ASSERT_TRUE(peerDone(peer, 2));
        EXPECT_FALSE(peer.received(1).contains("X-Evil")) << peer.received(1).constData();
        EXPECT_FALSE(peer.received(1).contains("Cookie:"));
    }
    {
        ScriptedPeer peer({PeerScript().reply(QByteArray(
                               "HTTP/1.0 302 Found\r\nLocation: /x\rX-Evil: 1\0\r\n\r\n", 47)),
                           PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
        const Outcome outcome = get(peer.port());
        EXPECT_EQ(outcome.failures, 1);
        EXPECT_EQ(peer.connections(), 1);
    }
}

TEST_F(Reply, HostileRepliesEndAsFailuresWithTheirReason) {
    // Each reply is sent whole, then the peer closes. `body` is the body read
    // whole (nullopt: none), found at the body's path only after a success;
    // `reason` a part of FailureReason, or of the status line for an error
    // status.
    const QByteArray garbage = testenv::randomBytes(100 * 1024, 7);
    const QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const struct {
        const char* name;
        QByteArray reply;
        bool success;
        std::optional<QByteArray> body;
        const char* reason;
    } cases[] = {
        {"nothing at all", "", false, std::nullopt, "No reply"},
        {"binary garbage", garbage, false, std::nullopt, "No HTTP status line"},
        {"an SSH banner", "SSH-2.0-OpenSSH_9.2p1 Debian-2\r\n", false, std::nullopt,
         "\"SSH-2.0-OpenSSH_9.2p1 Debian-2\""},
        {"HTTP/0.9, a bare body", "<html>hi</html>\r\n", false, std::nullopt,
         "No HTTP status line"},
        {"two blanks", "HTTP/1.0  404 Not Found\r\n\r\nx", false, std::nullopt, "No HTTP"},
        {"code 40400", "HTTP/1.0 40400 X\r\n\r\nx", false, std::nullopt, "No HTTP"},
        {"code -404", "HTTP/1.0 -404 X\r\n\r\nx", false, std::nullopt, "No HTTP"},
        {"code 65736", "HTTP/1.0 65736 X\r\n\r\nx", false, std::nullopt, "No HTTP"},
        {"code 600", "HTTP/1.0 600 X\r\n\r\nx", false, std::nullopt, "No HTTP"},
        {"100 Continue, then 404",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.0 404 Not Found\r\n\r\ngone", false, "gone",
         "HTTP/1.0 404 Not Found"},
        {"100 Continue, then 200", "HTTP/1.1 100 Continue\r\nX: 1\r\n\r\nHTTP/1.0 200 OK\r\n\r\nok",
         true, "ok", ""},
        {"a whole error page", "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", false,
         "gone", "HTTP/1.0 404 Not Found"},
        {"length -5", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nabc", false, std::nullopt,
         "Bad Content-Length"},
        {"length 1e3", "HTTP/1.0 200 OK\r\nContent-Length: 1e3\r\n\r\nabc", false, std::nullopt,
         "Bad Content-Length"},
        {"lengths 100 and 10",
         "HTTP/1.0 200 OK\r\nContent-Length: 100\r\nContent-Length: 10\r\n\r\n" +
             QByteArray(100, 'a'),
         false, std::nullopt, "Bad Content-Length"},
        {"length 3, 3", "HTTP/1.0 200 OK\r\nContent-Length: 3, 3\r\n\r\nabc", true, "abc", ""},
        {"cut short", "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + QByteArray(400, 'b'),
         false, std::nullopt, "400 of 1000"},
        {"no length: the close ends it", "HTTP/1.0 200 OK\r\n\r\n" + QByteArray(400, 'b'), true,
         QByteArray(400, 'b'), ""},
        {"chunked",
         chunked + "5\r\nhello\r\n6; ext=1\r\n world\r\nA\r\n0123456789\r\n0\r\nX-T: 1\r\n\r\n",
         true, "hello world0123456789", ""},
        {"chunked beats a length",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: "
         "Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
         true, "abc", ""},
        {"chunked, closed after the last chunk", chunked + "3\r\nabc\r\n0\r\n", true, "abc", ""},
        {"chunk cut", chunked + "5\r\nhel", false, std::nullopt, "inside a chunk"},
        {"no last chunk", chunked + "3\r\nabc\r\n", false, std::nullopt, "inside a chunk"},
        {"chunk size zz", chunked + "zz\r\nabc\r\n0\r\n\r\n", false, std::nullopt,
         "Malformed chunk size"},
        {"chunk longer than said", chunked + "3\r\nhello\r\n0\r\n\r\n", false, std::nullopt,
         "Chunk longer"},
        // RFC 9112 5.2: a line that begins with a blank continues the one before.
        {"chunked, folded onto the next line",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding:\r\n chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n", true,
         "abc", ""},
        {"a folded length", "HTTP/1.0 200 OK\r\nContent-Length:\r\n\t3\r\n\r\nabcdef", true, "abc",
         ""},
        {"gzip coding", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\nxx", false, std::nullopt,
         "Unsupported Transfer-Encoding: gzip"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const bool toFile : {true, false}) {
            SCOPED_TRACE(toFile ? "into a file" : "into memory");
            QFile::remove(bodyPath());
            http.InputFileMode = toFile;
            http.Body = QFile::encodeName(bodyPath());
            auto peer = ScriptedPeer::replying(c.reply);
            const Outcome outcome = get(peer->port(), "/pic01.jpg");
            EXPECT_TRUE(outcome.error.isEmpty()) << outcome.error.toStdString();
            EXPECT_EQ(outcome.successes, c.success ? 1 : 0);
            EXPECT_EQ(outcome.failures, c.success ? 0 : 1);
            const QString reason =
                http.FailureReason.isEmpty() ? QString(http.StatusLine()) : http.FailureReason;
            EXPECT_TRUE(reason.contains(QString::fromUtf8(c.reason))) << reason.toStdString();
            if (toFile) {
                const std::optional<QByteArray> file = c.success ? c.body : std::nullopt;
                EXPECT_EQ(QFile::exists(bodyPath()), file.has_value());
                if (file) {
                    EXPECT_EQ(body(), *file);
                }
                // What the run's small-result check takes for the file's size.
                EXPECT_EQ(http.SavedBytes, file ? file->size() : -1);
                EXPECT_FALSE(QFile::exists(bodyPath() + ".part"));
            } else if (c.body) {
                EXPECT_EQ(http.Body, *c.body);
            }
        }
    }
}

TEST_F(Reply, ACutTransferKeepsItsPartForTheRestOnlyWhenThatIsWorthIt) {
    const struct {
        const char* rule;
        qint64 length;
        const char* validator;
        bool kept;
    } rows[] = {
        {"a big file with a strong tag", 2 << 20, "ETag: \"v1\"\r\n", true},
        {"a small file starts again whole", 100000, "ETag: \"v1\"\r\n", false},
        {"a big file with a weak tag starts again", 2 << 20, "ETag: W/\"v1\"\r\n", false},
        {"a big file without a validator starts again", 2 << 20, "", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        QFile::remove(bodyPath() + ".part");
        QFile::remove(bodyPath() + ".part.resume");
        ScriptedPeer peer(
            PeerScript()
                .waitFor("\r\n\r\n")
                .send("HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(row.length) +
                      "\r\n" + row.validator + "\r\n" + QByteArray(5000, 'n'))
                .reset());
        const Outcome outcome = get(peer.port(), "/f");
        EXPECT_FALSE(outcome.error.isEmpty());
        EXPECT_FALSE(QFile::exists(bodyPath()));
        EXPECT_EQ(QFile::exists(bodyPath() + ".part"), row.kept);
        EXPECT_EQ(QFile::exists(bodyPath() + ".part.resume"), row.kept);
    }
}

TEST_F(Reply, AnInterruptedTransferLeavesTheOldFileAsItWas) {
    ASSERT_TRUE(testenv::writeFile(bodyPath(), "the old, whole file"));
    for (const bool reset : {false, true}) {
        SCOPED_TRACE(reset ? "reset" : "time-out");
        PeerScript script =
            PeerScript()
                .waitFor("\r\n\r\n")
                .send("HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + QByteArray(5000, 'n'));
        ScriptedPeer peer(reset ? script.reset() : script.silent());
        http.SetTimeOut(300);
        const Outcome outcome = get(peer.port(), "/f");
        EXPECT_FALSE(outcome.error.isEmpty());
        EXPECT_EQ(body(), "the old, whole file");
        EXPECT_FALSE(QFile::exists(bodyPath() + ".part"));
    }
}

TEST_F(Reply, TheBodyPathIsNeverWrittenThroughOrWaitedOn) {
    // A folder and a named pipe are failures with a text before anything is
    // sent; a symlink is replaced by the file, never followed.
    const QString folder = dir.filePath("folder.jpg");
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString fifo = dir.filePath("pipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString elsewhere = dir.filePath("elsewhere.txt");
    ASSERT_TRUE(testenv::writeFile(elsewhere, "keep me"));
    const QString link = dir.filePath("link.jpg");
    ASSERT_TRUE(QFile::link(elsewhere, link));
    const QString partLink = dir.filePath("viapart.jpg");
    ASSERT_TRUE(QFile::link(elsewhere, partLink + ".part"));
    // A pipe left where the part file goes is removed, not waited on.
    const QString partPipe = dir.filePath("viapipe.jpg");
    ASSERT_EQ(::mkfifo(QFile::encodeName(partPipe + ".part").constData(), 0600), 0);

    auto peer = ScriptedPeer::replying("HTTP/1.0 200 OK\r\n\r\nnew");
    const struct {
        QString path;
        const char* error;
    } cases[] = {{folder, "it is a folder"},
                 {fifo, "it is not a regular file"},
                 {link, ""},
                 {partLink, ""},
                 {partPipe, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        http.Body = QFile::encodeName(c.path);
        const Outcome outcome = get(peer->port(), "/x.jpg");
        EXPECT_TRUE(outcome.error.contains(QString::fromUtf8(c.error)))
            << outcome.error.toStdString();
        if (*c.error == '\0') {
            EXPECT_EQ(outcome.successes, 1);
            EXPECT_FALSE(QFileInfo(c.path).isSymLink());
            EXPECT_EQ(testenv::readFile(c.path), "new");
        }
    }
    EXPECT_EQ(testenv::readFile(elsewhere), "keep me");
    EXPECT_EQ(peer->connections(), 3) << "nothing is asked for a path that cannot take it";

    // A caller's word that nothing is there holds for one request, and a
    // wrong one still loses nothing: the rename over the folder fails.
    http.Body = QFile::encodeName(folder);
    http.BodyFileFree = true;
    const Outcome told = get(peer->port(), "/x.jpg");
    EXPECT_TRUE(told.error.contains("Cannot save to")) << told.error.toStdString();
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_FALSE(QFile::exists(folder + ".part"));
    EXPECT_EQ(http.SavedBytes, -1);
    EXPECT_FALSE(http.BodyFileFree);
    EXPECT_TRUE(get(peer->port(), "/x.jpg").error.contains("it is a folder"));
    // Nor does it outlive a request into memory.
    http.InputFileMode = false;
    http.BodyFileFree = true;
    get(peer->port(), "/x.jpg");
    http.InputFileMode = true;
    http.Body = QFile::encodeName(folder);
    EXPECT_TRUE(get(peer->port(), "/x.jpg").error.contains("it is a folder"));
    EXPECT_EQ(peer->connections(), 5);
}

TEST_F(Reply, ANameOfUpTo255BytesSavesAndALongerOneFailsBeforeAnyRequest) {
    auto peer = ScriptedPeer::replying("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\nnew");
    // "a.part" beside a 255-byte name would be 260 bytes: more than a file
    // system takes.
    const QString longest = dir.filePath(QString(251, 'x') + ".jpg");
    http.Body = QFile::encodeName(longest);
    const Outcome saved = get(peer->port(), "/x.jpg");
    EXPECT_TRUE(saved.error.isEmpty()) << saved.error.toStdString();
    EXPECT_EQ(saved.successes, 1);
    EXPECT_EQ(testenv::readFile(longest), "new");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QString(251, 'x') + ".jpg"});

    for (const bool told : {false, true}) {
        SCOPED_TRACE(told ? "the caller says the path is free" : "looked at");
        const QString tooLong = dir.filePath(QString(296, 'x') + ".jpg");
        http.Body = QFile::encodeName(tooLong);
        http.BodyFileFree = told;
        const Outcome refused = get(peer->port(), "/x.jpg");
        EXPECT_EQ(refused.error, "Cannot save to \"" + tooLong +
                                     "\": the file name is 300 bytes long, the limit is 255");
        EXPECT_EQ(refused.successes + refused.failures, 0);
    }
    EXPECT_EQ(peer->connections(), 1) << "nothing is asked for a name that cannot be saved";
}

TEST_F(Reply, RedirectsGoOnlyToHttpAndTravelEncoded) {
    for (const char* location :
         {"ftp://127.0.0.1/x", "gopher://127.0.0.1/x", "file:///etc/passwd"}) {
        SCOPED_TRACE(location);
        auto peer = ScriptedPeer::replying(QByteArray("HTTP/1.0 302 Found\r\nLocation: ") +
                                           location + "\r\n\r\n");
        const Outcome outcome = get(peer->port(), "/a");
        EXPECT_EQ(outcome.failures, 1);
        EXPECT_TRUE(http.FailureReason.contains("unsupported scheme"))
            << http.FailureReason.toStdString();
        EXPECT_EQ(peer->connections(), 1);
        EXPECT_FALSE(QFile::exists(bodyPath()));
    }
    ScriptedPeer peer(
        {PeerScript().reply("HTTP/1.0 302 Found\r\nLocation: /my pics/\xE5\x86\x99.jpg\r\n\r\n"),
         PeerScript().reply("HTTP/1.0 200 OK\r\n\r\n")});
    get(peer.port(), "/a");
    ASSERT_TRUE(peerDone(peer, 2));
    EXPECT_TRUE(peer.received(1).startsWith("GET /my%20pics/%E5%86%99.jpg HTTP/1.0\r\n"))
        << peer.received(1).constData();
}

TEST_F(Reply, ADripThatKeepsTheIdleTimeOutAwayStillFailsAsTooSlow) {
    ScriptedPeer peer(PeerScript()
                          .waitFor("\r\n\r\n")
                          .send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n")
                          .drip(QByteArray(1000, 'd'), 50));
    http.SetTimeOut(500);
    http.LowSpeedLimit = 64;
    const Outcome outcome = get(peer.port(), "/slow");
    EXPECT_TRUE(outcome.error.startsWith("Transfer too slow")) << outcome.error.toStdString();
    EXPECT_FALSE(QFile::exists(bodyPath()));
}

TEST_F(Reply, AResetIsAnErrorWhereverItCutsTheReply) {
    // In the header (a line without its end) and in a body without a length,
    // where an orderly close would end it.
    for (const QByteArray& before :
         {QByteArray("HTTP/1.0 200 OK\r\nServer: "), QByteArray("HTTP/1.0 200 OK\r\n\r\npart")}) {
        SCOPED_TRACE(before.constData());
        ScriptedPeer peer(PeerScript().waitFor("\r\n\r\n").send(before).drip("xy", 50).reset());
        const Outcome outcome = get(peer.port());
        EXPECT_TRUE(outcome.error.endsWith(":Connection reset by peer"))
            << outcome.error.toStdString();
        EXPECT_EQ(outcome.successes + outcome.failures, 0);
    }
}

TEST_F(Reply, AHeaderThatNeverEndsIsRefusedAtItsBound) {
    QByteArray lines;
    while (lines.size() <= TNMHTTP::MaxHeaderBytes)
        lines += "X-Filler: " + QByteArray(100, 'f') + "\r\n";
    ScriptedPeer peer(
        PeerScript().waitFor("\r\n\r\n").send("HTTP/1.0 200 OK\r\n" + lines).silent());
    const Outcome outcome = get(peer.port());
    EXPECT_EQ(outcome.error, "Reply header longer than 1048576 bytes");
    EXPECT_EQ(outcome.successes + outcome.failures, 0);
    EXPECT_LE(http.Header.size(), TNMHTTP::MaxHeaderBytes);
}

TEST_F(Reply, IdleTimeOutEndsAStallNotASlowBodyAndTheClientStaysUsable) {
    ScriptedPeer stalling(
        PeerScript().waitFor("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\npart").silent());
    http.SetTimeOut(300);
    const Outcome stalled = get(stalling.port());
    EXPECT_TRUE(stalled.aborted) << stalled.error.toStdString();
    EXPECT_TRUE(http.TimedOut);
    EXPECT_EQ(stalled.successes + stalled.failures, 0);
    EXPECT_FALSE(QFile::exists(bodyPath())) << "a cut body is never left at the path";

    // The time-out counts idle time: a body dripped over a second, a byte
    // every 100 ms, is whole under 300 ms.
    ScriptedPeer dripping(PeerScript()
                              .waitFor("\r\n\r\n")
                              .send("HTTP/1.0 200 OK\r\nContent-Length: 10\r\n\r\n")
                              .drip("0123456789", 100));
    const Outcome slow = get(dripping.port());
    EXPECT_TRUE(slow.error.isEmpty()) << slow.error.toStdString();
    EXPECT_EQ(slow.successes, 1);
    EXPECT_EQ(body(), "0123456789");

    auto good = ScriptedPeer::replying("HTTP/1.0 200 OK\r\n\r\nwhole");
    const Outcome next = get(good->port());
    EXPECT_TRUE(next.error.isEmpty()) << next.error.toStdString();
    EXPECT_EQ(next.successes, 1);
    EXPECT_EQ(body(), "whole");
}

TEST_F(Reply, AbortDuringTheBodyThrowsAndTheClientStaysUsable) {
    ScriptedPeer peer({PeerScript()
                           .waitFor("\r\n\r\n")
                           .send("HTTP/1.0 200 OK\r\n\r\n")
                           .sendPattern(1 << 20)
                           .silent(),
                       PeerScript().reply("HTTP/1.0 200 OK\r\n\r\nagain")});
    const Outcome aborted = record(http, [&] {
        http.OnPacketRecvd = [&](QObject*) { http.Abort(); };
        http.Get(local(peer.port(), "/"));
    });
    http.OnPacketRecvd = nullptr;
    EXPECT_TRUE(aborted.aborted) << aborted.error.toStdString();
    EXPECT_EQ(aborted.successes + aborted.failures, 0);
    EXPECT_FALSE(http.Cancelled);

    const Outcome next = get(peer.port());
    EXPECT_EQ(next.successes, 1) << next.error.toStdString();
    EXPECT_EQ(body(), "again");
}

TEST_F(Reply, ARequestStartedInsideAnotherIsRefusedAndLeavesItWhole) {
    const qint64 size = 1 << 20;
    ScriptedPeer peer(
        PeerScript().waitFor("\r\n\r\n").send("HTTP/1.0 200 OK\r\n\r\n").sendPattern(size).close());
    QString inner;
    http.OnPacketRecvd = [&](QObject*) {
        if (!inner.isEmpty())
            return;
        try {
            http.Get(local(peer.port(), "/inner"));
            inner = "ran";
        } catch (const std::exception& e) {
            inner = QString::fromUtf8(e.what());
        }
    };
    const Outcome outcome = get(peer.port(), "/outer");
    http.OnPacketRecvd = nullptr;
    EXPECT_EQ(inner, "A request is already under way");
    EXPECT_EQ(outcome.successes, 1) << outcome.error.toStdString();
    EXPECT_TRUE(body() == ScriptedPeer::pattern(0, size)) << body().size() << " bytes";
    EXPECT_EQ(http.URL, local(peer.port(), "/outer").toLatin1());
    EXPECT_EQ(peer.connections(), 1);
}

TEST_F(Reply, RefusedConnectionThrowsAndTheClientStaysUsable) {
    quint16 closedPort = 0;
    {
        auto gone = ScriptedPeer::replying("");
        closedPort = gone->port();
    }
    const Outcome refused = get(closedPort);
    EXPECT_EQ(refused.error, "Connection Failed");
    auto peer = ScriptedPeer::replying("HTTP/1.0 200 OK\r\n\r\nok");
    const Outcome next = get(peer->port());
    EXPECT_EQ(next.successes, 1) << next.error.toStdString();
}
