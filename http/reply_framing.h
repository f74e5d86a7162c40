#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QtGlobal>
#include <optional>

/// The pieces of an HTTP reply that say where its body starts and ends, read
/// strictly: a reply that does not frame itself the way RFC 9112 says is a
/// failure, never a guess. Each function takes one line or value as received.
namespace ReplyFraming {

/// The status code of a status line "HTTP/<digit>.<digit> <3 digits>" (or
/// "HTTP/2 <3 digits>", the head of an HTTP/2 reply), then the end of the
/// line or a blank and the reason phrase; the line end (CR LF or LF) may
/// still be on. nullopt for anything else, and for a code outside
/// 100 to 599.
std::optional<int> StatusCode(QByteArrayView line);

/// A Content-Length value: one non-negative decimal number, blanks around it
/// allowed; a list of equal numbers ("100, 100") is that number. nullopt for
/// an empty, negative, non-decimal, too large or self-contradicting value.
std::optional<qint64> ContentLength(QByteArrayView value);

/// The size in a chunk-size line ("1a2b;ext=1\r\n"): hexadecimal digits,
/// optionally followed by blanks and extensions after ";". nullopt when the
/// line has no digits, another character, or a size beyond 2^60.
std::optional<qint64> ChunkSize(QByteArrayView line);

/// An HTTP date (RFC 9110 5.6.7): IMF-fixdate ("Sun, 06 Nov 1994 08:49:37
/// GMT"), and the obsolete RFC 850 ("Sunday, 06-Nov-94 08:49:37 GMT") and
/// asctime ("Sun Nov  6 08:49:37 1994") forms a recipient must read too; in
/// UTC. nullopt for anything else.
std::optional<QDateTime> HttpDate(QByteArrayView value);

/// A Retry-After value (RFC 9110 10.2.3) as seconds from `now`: a decimal
/// number of seconds, or an HTTP date (IMF-fixdate, "Sun, 06 Nov 1994
/// 08:49:37 GMT") less `now`, 0 for a date already past. Counts beyond a day
/// are a day. nullopt for anything else.
std::optional<qint64> RetryAfterSeconds(QByteArrayView value, const QDateTime& now);

/// The header field lines after a status line, as received (each ending in
/// CR LF or LF), with every obs-fold replaced by one space (RFC 9112 5.2: a
/// line end followed by blanks, and any blanks before it), so that each field
/// stands on one line. A blank-led line before the first field continues
/// nothing and is dropped (RFC 9112 2.2). Other line ends stay as they are.
QByteArray Unfolded(QByteArrayView lines);

/// A short printable excerpt of what came instead of a status line, for the
/// failure text: control and non-ASCII bytes as ".", at most 40 characters.
QString Excerpt(QByteArrayView bytes);

} // namespace ReplyFraming
