#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

/// The rule every line the client writes keeps, whatever its source (a typed
/// or listed URL, a setting, an option, a server's Location): one request
/// line and header lines, none of them holding a control byte, so that no
/// value can end a line early and add one of its own (RFC 9112 2.2, 3, 5).
/// Pure functions, so the rule is checked without a connection.
namespace RequestLines {

/// What the first control byte (0x00-0x1F or DEL) of `text` is, in words
/// ("a line break (CR)", "a NUL byte", "a tab", "a control byte (0x1B)"), or
/// the empty text when it holds none.
QString ControlByte(QByteArrayView text);

/// `text` for a message: control bytes written as \r, \n, \t or \xHH, cut to
/// a readable length.
QString Shown(QByteArrayView text);

/// Why the lines cannot be sent (the first line holding a control byte), or
/// the empty text. `lines` are the request line and the header lines, without
/// their line ends.
QString Problem(const QList<QByteArray>& lines);

/// A request target as RFC 3986 asks: a blank, a byte beyond ASCII, one of
/// `"<>\^`{|}` and a "%" not followed by two hex digits are percent-encoded;
/// every other byte, and an existing "%XX", stays as it is. Control bytes
/// are left for Problem() to refuse, never encoded into something else.
QByteArray EncodeTarget(QByteArrayView target);

/// A host name as it goes on the wire and to the name lookup: a name with
/// letters beyond ASCII in its IDNA form ("xn--bcher-kva.example"), any other
/// text as it is. Empty when the name cannot be converted or holds what no
/// host name may (a blank, a quote, a control byte).
QByteArray AsciiHost(const QString& host);

/// A whole URL for a request line or a Referer: its host as AsciiHost() and
/// the rest from the first "/" after the authority as EncodeTarget().
QByteArray EncodeUrl(QByteArrayView url);

} // namespace RequestLines
