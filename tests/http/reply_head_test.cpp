// The reply head as the client reads it, without a socket: one row per rule.
#include "http/reply_head.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

// Every field that differs from a default, in a fixed order, so that a row
// names all it expects and a fault in any other field shows as well.
std::string summary(const ReplyHead& head) {
    if (!head.error.isEmpty())
        return "error=" + head.error.toStdString();
    QByteArrayList out{"status=" + QByteArray::number(head.statusCode),
                       "HTTP/" + QByteArray::number(head.httpMajor) + '.' +
                           QByteArray::number(head.httpMinor)};
    switch (head.framing) {
    case ReplyHead::Framing::UntilClose:
        out << "close";
        break;
    case ReplyHead::Framing::Length:
        out << "length=" + QByteArray::number(head.contentLength);
        break;
    case ReplyHead::Framing::Chunked:
        out << "chunked";
        break;
    }
    if (!head.framingError.isEmpty())
        out << "framing-error=" + head.framingError.toUtf8();
    if (head.persists)
        out << "persists";
    if (!head.location.isEmpty())
        out << "location=" + head.location;
    for (const QByteArray& cookie : head.setCookies)
        out << "cookie=" + cookie;
    if (head.basicOffered)
        out << "basic";
    if (head.retryAfter)
        out << "retry-after=" + QByteArray::number(*head.retryAfter);
    if (!head.etag.isEmpty())
        out << (head.etagWeak ? "weak-etag=" : "etag=") + head.etag;
    if (!head.lastModified.isEmpty())
        out << "last-modified=" + head.lastModified;
    if (!head.date.isEmpty())
        out << "date=" + head.date;
    if (const auto& r = head.contentRange)
        out << "range=" +
                   (r->first < 0
                        ? QByteArray("*")
                        : QByteArray::number(r->first) + '-' + QByteArray::number(r->last)) +
                   '/' + (r->complete < 0 ? QByteArray("*") : QByteArray::number(r->complete));
    if (!head.contentType.isEmpty())
        out << "type=" + head.contentType;
    return out.join(' ').toStdString();
}

const QDateTime now(QDate(2024, 5, 1), QTime(12, 0, 0), QTimeZone::utc());

} // namespace

TEST(ReplyHead, ReadsEachRuleOfTheHead) {
    const struct {
        const char* rule;
        QByteArray head;
        std::string expected;
    } rows[] = {
        // Status line forms.
        {"HTTP/1.1 persists and is framed by the close without a length", "HTTP/1.1 200 OK\r\n\r\n",
         "status=200 HTTP/1.1 close persists"},
        {"LF line ends are read as CR LF", "HTTP/1.0 404 Not Found\nContent-Length: 4\n\n",
         "status=404 HTTP/1.0 length=4"},
        {"a status line without a reason phrase", "HTTP/1.1 204\r\n\r\n",
         "status=204 HTTP/1.1 close persists"},
        {"an interim reply is read like any other", "HTTP/1.1 100 Continue\r\n\r\n",
         "status=100 HTTP/1.1 close persists"},
        {"the closing empty line may be missing", "HTTP/1.0 200 OK\r\nContent-Length: 2",
         "status=200 HTTP/1.0 length=2"},
        {"two blanks after the version are not HTTP", "HTTP/1.0  200 OK\r\n\r\n",
         "error=No HTTP status line in the reply: \"HTTP/1.0  200 OK\""},
        {"a code beyond 599 is not HTTP", "HTTP/1.1 600 X\r\n\r\n",
         "error=No HTTP status line in the reply: \"HTTP/1.1 600 X\""},
        {"a lower-case protocol name is not HTTP", "http/1.1 200 OK\r\n\r\n",
         "error=No HTTP status line in the reply: \"http/1.1 200 OK\""},
        {"an SSH banner is not HTTP", "SSH-2.0-OpenSSH_9.2p1\r\n",
         "error=No HTTP status line in the reply: \"SSH-2.0-OpenSSH_9.2p1\""},
        {"binary bytes are shown as dots", QByteArray("\x16\x03\x01\x00\xa5\x01HTTP", 10),
         "error=No HTTP status line in the reply: \"......HTTP\""},
        {"nothing at all is not HTTP", "", "error=No HTTP status line in the reply: \"\""},
        // The head an HTTP/2 stream is read as: no minor version, no reason,
        // and a stream carries one request only.
        {"an HTTP/2 reply", "HTTP/2 200\r\ncontent-length: 5\r\n\r\n",
         "status=200 HTTP/2.0 length=5"},
        {"an HTTP/2 reply without a length ends with its stream", "HTTP/2 404\r\n\r\n",
         "status=404 HTTP/2.0 close"},
        {"HTTP/1 without a minor version is not HTTP", "HTTP/1 200 OK\r\n\r\n",
         "error=No HTTP status line in the reply: \"HTTP/1 200 OK\""},
        {"HTTP/2 with a short code is not HTTP", "HTTP/2 20\r\n\r\n",
         "error=No HTTP status line in the reply: \"HTTP/2 20\""},
        {"HTTP/2 glued to its code is not HTTP", "HTTP/2 2000\r\n\r\n",
         "error=No HTTP status line in the reply: \"HTTP/2 2000\""},
        // Folded lines continue the field before them.
        {"a coding folded onto the next line",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding:\r\n chunked\r\n\r\n",
         "status=200 HTTP/1.1 chunked persists"},
        {"a length folded with a tab", "HTTP/1.0 200 OK\r\nContent-Length:\r\n\t3\r\n\r\n",
         "status=200 HTTP/1.0 length=3"},
        {"a folded value gets one blank", "HTTP/1.0 302 Found\r\nLocation: /a\r\n   b\r\n\r\n",
         "status=302 HTTP/1.0 close location=/a b"},
        {"a line without a colon is skipped",
         "HTTP/1.0 200 OK\r\nGarbage\r\ncontent-length: 5\r\n\r\n", "status=200 HTTP/1.0 length=5"},
        // Content-Length.
        {"equal lengths on two lines are one length",
         "HTTP/1.0 200 OK\r\nContent-Length: 7\r\nContent-Length: 7\r\n\r\n",
         "status=200 HTTP/1.0 length=7"},
        {"a list of equal lengths is one length", "HTTP/1.0 200 OK\r\nContent-Length: 3, 3\r\n\r\n",
         "status=200 HTTP/1.0 length=3"},
        {"conflicting lengths cannot frame the body",
         "HTTP/1.0 200 OK\r\nContent-Length: 100\r\nContent-Length: 10\r\n\r\n",
         "status=200 HTTP/1.0 close framing-error=Bad Content-Length in the reply: \"10\""},
        {"a conflicting list cannot frame the body",
         "HTTP/1.0 200 OK\r\nContent-Length: 3, 4\r\n\r\n",
         "status=200 HTTP/1.0 close framing-error=Bad Content-Length in the reply: \"3, 4\""},
        {"a negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n",
         "status=200 HTTP/1.0 close framing-error=Bad Content-Length in the reply: \"-5\""},
        {"a length in exponent form", "HTTP/1.0 200 OK\r\nContent-Length: 1e3\r\n\r\n",
         "status=200 HTTP/1.0 close framing-error=Bad Content-Length in the reply: \"1e3\""},
        {"an empty length", "HTTP/1.0 200 OK\r\nContent-Length:\r\n\r\n",
         "status=200 HTTP/1.0 close framing-error=Bad Content-Length in the reply: \"\""},
        // Transfer codings.
        {"chunked beats a length beside it",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: Chunked\r\n\r\n",
         "status=200 HTTP/1.1 chunked persists"},
        {"identity is no coding",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\nContent-Length: 4\r\n\r\n",
         "status=200 HTTP/1.1 length=4 persists"},
        {"another coding cannot be read", "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n",
         "status=200 HTTP/1.1 close framing-error=Unsupported Transfer-Encoding: gzip persists"},
        {"chunked after another coding cannot be read either",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n",
         "status=200 HTTP/1.1 close framing-error=Unsupported Transfer-Encoding: gzip, chunked "
         "persists"},
        // Whether the connection may be kept.
        {"HTTP/1.1 with close does not persist", "HTTP/1.1 200 OK\r\nconnection: CLOSE\r\n\r\n",
         "status=200 HTTP/1.1 close"},
        {"HTTP/1.0 does not persist by default", "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n",
         "status=200 HTTP/1.0 length=0"},
        {"HTTP/1.0 with keep-alive persists",
         "HTTP/1.0 200 OK\r\nConnection: Keep-Alive, Upgrade\r\n\r\n",
         "status=200 HTTP/1.0 close persists"},
        {"close wins over keep-alive", "HTTP/1.1 200 OK\r\nConnection: keep-alive, close\r\n\r\n",
         "status=200 HTTP/1.1 close"},
        {"close on a second Connection line",
         "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nConnection: close\r\n\r\n",
         "status=200 HTTP/1.0 close"},
        // Retry-After, counted from `now`.
        {"Retry-After in seconds",
         "HTTP/1.1 503 Busy\r\nRetry-After:  120 \r\nConnection: close\r\n\r\n",
         "status=503 HTTP/1.1 close retry-after=120"},
        {"Retry-After as a date 90 s ahead",
         "HTTP/1.0 503 Busy\r\nRetry-After: Wed, 01 May 2024 12:01:30 GMT\r\n\r\n",
         "status=503 HTTP/1.0 close retry-after=90"},
        {"Retry-After as a date gone by",
         "HTTP/1.0 503 Busy\r\nRetry-After: Sun, 06 Nov 1994 08:49:37 GMT\r\n\r\n",
         "status=503 HTTP/1.0 close retry-after=0"},
        {"Retry-After beyond a day is a day",
         "HTTP/1.0 429 Slow\r\nRetry-After: 99999999999\r\n\r\n",
         "status=429 HTTP/1.0 close retry-after=86400"},
        {"Retry-After in words is none", "HTTP/1.0 503 Busy\r\nRetry-After: soon\r\n\r\n",
         "status=503 HTTP/1.0 close"},
        {"a negative Retry-After is none", "HTTP/1.0 503 Busy\r\nRetry-After: -5\r\n\r\n",
         "status=503 HTTP/1.0 close"},
        {"an obsolete date form is read as recipients must, here one past",
         "HTTP/1.0 503 Busy\r\nRetry-After: Sunday, 06-Nov-94 08:49:37 GMT\r\n\r\n",
         "status=503 HTTP/1.0 close retry-after=0"},
        // Validators and what the body is.
        {"a strong entity-tag", "HTTP/1.0 200 OK\r\nETag: \"v1-abc\"\r\n\r\n",
         "status=200 HTTP/1.0 close etag=\"v1-abc\""},
        {"a weak entity-tag", "HTTP/1.0 200 OK\r\nEtag: W/\"v1\"\r\n\r\n",
         "status=200 HTTP/1.0 close weak-etag=W/\"v1\""},
        {"an empty quoted tag is a tag", "HTTP/1.0 200 OK\r\nETag: \"\"\r\n\r\n",
         "status=200 HTTP/1.0 close etag=\"\""},
        {"an unquoted tag is none", "HTTP/1.0 200 OK\r\nETag: v1-abc\r\n\r\n",
         "status=200 HTTP/1.0 close"},
        {"a weak mark without quotes is none", "HTTP/1.0 200 OK\r\nETag: W/v1\r\n\r\n",
         "status=200 HTTP/1.0 close"},
        {"a quote inside a tag is none", "HTTP/1.0 200 OK\r\nETag: \"a\"b\"\r\n\r\n",
         "status=200 HTTP/1.0 close"},
        {"dates and type as sent",
         "HTTP/1.0 200 OK\r\nLast-Modified: Tue, 15 Nov 1994 12:45:26 GMT\r\nDate: Wed, 01 "
         "May 2024 12:00:00 GMT\r\nContent-Type: text/html; charset=utf-8\r\n\r\n",
         "status=200 HTTP/1.0 close last-modified=Tue, 15 Nov 1994 12:45:26 GMT date=Wed, 01 May "
         "2024 12:00:00 GMT type=text/html; charset=utf-8"},
        {"a byte range of a known length",
         "HTTP/1.1 206 Partial\r\nContent-Range: bytes 0-499/1234\r\nContent-Length: 500\r\n\r\n",
         "status=206 HTTP/1.1 length=500 persists range=0-499/1234"},
        {"a byte range of an unknown length",
         "HTTP/1.0 206 Partial\r\nContent-Range: bytes 500-999/*\r\n\r\n",
         "status=206 HTTP/1.0 close range=500-999/*"},
        {"an unsatisfied range", "HTTP/1.0 416 Range\r\nContent-Range: bytes */1234\r\n\r\n",
         "status=416 HTTP/1.0 close range=*/1234"},
        {"a range that ends before it starts is none",
         "HTTP/1.0 206 Partial\r\nContent-Range: bytes 5-1/10\r\n\r\n",
         "status=206 HTTP/1.0 close"},
        {"a range past its length is none",
         "HTTP/1.0 206 Partial\r\nContent-Range: bytes 0-10/10\r\n\r\n",
         "status=206 HTTP/1.0 close"},
        {"a range in another unit is none",
         "HTTP/1.0 206 Partial\r\nContent-Range: items 0-1/2\r\n\r\n", "status=206 HTTP/1.0 close"},
        // Location.
        {"a full location", "HTTP/1.0 301 Moved\r\nLocation: http://example.com/x?a=1\r\n\r\n",
         "status=301 HTTP/1.0 close location=http://example.com/x?a=1"},
        {"a location without a blank after the colon",
         "HTTP/1.0 302 Found\r\nLOCATION:/next\r\n\r\n",
         "status=302 HTTP/1.0 close location=/next"},
        {"the last of two locations", "HTTP/1.0 302 Found\r\nLocation: /a\r\nLocation: /b\r\n\r\n",
         "status=302 HTTP/1.0 close location=/b"},
        {"an empty location is none", "HTTP/1.0 302 Found\r\nLocation:   \r\n\r\n",
         "status=302 HTTP/1.0 close"},
        {"a location with a bare CR is none, an earlier one stays",
         "HTTP/1.0 302 Found\r\nLocation: /ok\r\nLocation: /x\rX-Evil: 1\r\n\r\n",
         "status=302 HTTP/1.0 close location=/ok"},
        {"a location with a NUL is none",
         QByteArray("HTTP/1.0 302 Found\r\nLocation: /x\0y\r\n\r\n", 38),
         "status=302 HTTP/1.0 close"},
        // Set-Cookie: every value, in order.
        {"several cookies", "HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\nset-cookie: b=2; Path=/\r\n\r\n",
         "status=200 HTTP/1.0 close cookie=a=1 cookie=b=2; Path=/"},
        {"a cookie with a bare CR is left out, the others kept",
         "HTTP/1.0 302 Found\r\nSet-Cookie: a=1\rX-Evil: 1\r\nSet-Cookie: c=3\r\n\r\n",
         "status=302 HTTP/1.0 close cookie=c=3"},
        // WWW-Authenticate: whether Basic is among the challenges.
        {"Basic offered", "HTTP/1.0 401 No\r\nWWW-Authenticate: Basic realm=\"g\"\r\n\r\n",
         "status=401 HTTP/1.0 close basic"},
        {"Basic among others, in any case",
         "HTTP/1.0 401 No\r\nwww-authenticate: Digest realm=\"a\", nonce=\"n\", bAsIc "
         "realm=b\r\n\r\n",
         "status=401 HTTP/1.0 close basic"},
        {"Basic on a line of its own",
         "HTTP/1.0 401 No\r\nWWW-Authenticate: Bearer\r\n"
         "WWW-Authenticate: Basic\r\n\r\n",
         "status=401 HTTP/1.0 close basic"},
        {"only Digest", "HTTP/1.0 401 No\r\nWWW-Authenticate: Digest realm=\"Basic\"\r\n\r\n",
         "status=401 HTTP/1.0 close"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(summary(ParseReplyHead(row.head, now)), row.expected);
    }
}

TEST(ReplyHead, ProblemIsTheErrorThenTheFramingError) {
    EXPECT_EQ(ParseReplyHead("HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n", now).Problem(), "");
    EXPECT_EQ(ParseReplyHead("HTTP/1.0 200 OK\r\nContent-Length: x\r\n\r\n", now).Problem(),
              "Bad Content-Length in the reply: \"x\"");
    EXPECT_EQ(ParseReplyHead("<html>", now).Problem(),
              "No HTTP status line in the reply: \"<html>\"");
}
