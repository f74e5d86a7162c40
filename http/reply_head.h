#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QtGlobal>
#include <optional>

/// What one reply head (status line and header lines) says, read once and
/// strictly, so that the client, the run and the tests all see the same
/// answer without a socket.
struct ReplyHead {
    /// How the body that follows the head ends (RFC 9112 6.3).
    enum class Framing {
        UntilClose, ///< neither a length nor a transfer coding: the close ends it
        Length,     ///< Content-Length bytes
        Chunked,    ///< chunked transfer coding
    };
    /// A Content-Range value (RFC 9110 14.4): "bytes first-last/complete",
    /// or "bytes */complete" for an unsatisfied range (first and last -1).
    struct Range {
        qint64 first = -1;
        qint64 last = -1;
        qint64 complete = -1; ///< -1 for "*", a length the server does not know
    };

    /// Why these bytes are no HTTP reply head; empty when they are one, and
    /// then everything below holds.
    QString error;
    int statusCode = 0;
    QByteArray statusLine; ///< without its line end
    int httpMajor = 0;
    int httpMinor = 0;

    Framing framing = Framing::UntilClose;
    /// Of Framing::Length; -1 otherwise.
    qint64 contentLength = -1;
    /// Why the body cannot be framed (a bad or conflicting Content-Length,
    /// a transfer coding other than chunked); empty when it can.
    QString framingError;

    /// Whether the connection may carry another request after this reply
    /// (RFC 9112 9.3): HTTP/1.1 unless "Connection: close", HTTP/1.0 only
    /// with "Connection: keep-alive".
    bool persists = false;

    /// The last Location value; empty for none. Values holding a control
    /// byte are left out here and for Set-Cookie: they go back on the wire
    /// in a later request, where they could split it.
    QByteArray location;
    QList<QByteArray> setCookies; ///< every Set-Cookie value, in order
    /// A WWW-Authenticate line offers the Basic scheme (RFC 7617), which a
    /// name and password can answer.
    bool basicOffered = false;
    /// Seconds the server asks to wait (RetryAfterSeconds() of the value).
    std::optional<qint64> retryAfter;

    /// The entity-tag as sent, quotes included (and "W/" for a weak one),
    /// ready for If-None-Match; empty when none or not a quoted tag.
    QByteArray etag;
    bool etagWeak = false;
    QByteArray lastModified; ///< as sent, for If-Modified-Since
    QByteArray date;         ///< as sent
    std::optional<Range> contentRange;
    QByteArray contentType;

    /// The reason a run must fail with for this head: `error`, else
    /// `framingError`, else empty.
    QString Problem() const { return error.isEmpty() ? framingError : error; }
};

/// Reads `head`: a status line and the header lines after it as received
/// (CR LF or LF line ends, folded lines allowed, the closing empty line
/// optional). `now` is the moment a Retry-After date is counted from. A
/// first line that is no HTTP status line gives only `error`.
ReplyHead ParseReplyHead(QByteArrayView head, const QDateTime& now);
