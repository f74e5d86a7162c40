#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

/// The one place where an HTTP/1.1 message meets HTTP/2's header fields:
/// the client composes and reads HTTP/1.1 heads whatever carries them, and an
/// HTTP/2 stream translates at its edge (RFC 9113 8.3), so that every rule of
/// the reply reader holds for a stream as for a connection.
namespace Http2Fields {

struct Field {
    QByteArray name; ///< lower case, as HTTP/2 carries it
    QByteArray value;
    bool operator==(const Field&) const = default;
};

/// The fields of the HTTP/2 request for the request head `head` ("GET /a
/// HTTP/1.1", "Host: h", ..., the empty line): the pseudo-header fields
/// first (:method, :scheme "https", :authority from Host, :path), then the
/// other lines with their names in lower case. The lines that only concern
/// one HTTP/1.1 connection (RFC 9113 8.2.2: Connection, Keep-Alive,
/// Proxy-Connection, Transfer-Encoding, Upgrade, and TE but for
/// "trailers") are left out. Empty, with `problem` set, for a head without
/// a request line or without Host.
QList<Field> RequestFields(QByteArrayView head, QString* problem);

/// The reply head our HTTP/1.1 reader reads for an HTTP/2 reply: the status
/// line "HTTP/2 200" (HTTP/2 has no reason phrase), a "name: value" line per
/// field, and the empty line. A field whose name or value holds a control
/// byte is left out, as no line of ours may be split by what a server sent.
QByteArray ReplyHead(QByteArrayView status, const QList<Field>& fields);

} // namespace Http2Fields
