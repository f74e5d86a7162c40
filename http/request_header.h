#pragma once

#include "http/cmd_type.h"
#include "http/header_info.h"
#include "http/request_target.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

class TExStringList;

/// What the lines of one request are made of: the command, where it goes,
/// and the values the user and the run set. ComposeInto() writes them in
/// the order and with the words servers have always seen from this client.
struct RequestHeader {
    CmdType command = cmdGet;
    RequestTarget target;
    bool viaProxy = false;  ///< a proxy gets the request (not a tunnel through one)
    bool keepAlive = false; ///< ask for the connection to stay (HTTP/1.1)
    THeaderInfo info;
    QByteArray cookie; ///< the Cookie line's value; empty for none
    /// The proxy's login, for "Proxy-Authorization" (a forwarded request
    /// only: a tunnel's request goes to the server); empty for none.
    QByteArray proxyUser;
    QByteArray proxyPassword;
    qint64 bodyLength = -1; ///< the Content-Length to announce; -1 for none
    /// Of a cut file resumed: the first byte wanted ("Range: bytes=N-") and
    /// the validator the rest must match ("If-Range"); -1 for none.
    qint64 rangeFrom = -1;
    QByteArray ifRange;
    QByteArray extraValue; ///< of "URI-header: " (COPY, MOVE) or "Link: " (LINK, UNLINK)
    /// "Name: value" lines set last: a name already there is replaced in
    /// place, an empty value removes it, a new name is appended.
    QList<QByteArray> extraHeaders;

    /// Replaces the content of `lines` with the request line (none for
    /// cmdRaw) and the header lines, without line ends.
    void ComposeInto(TExStringList& lines) const;
};

/// Whether `command` sends a body after its lines (POST, PUT, PATCH, TRACE
/// and a raw request). LINK and UNLINK send none, so they announce none: a
/// length with no bytes behind it would leave the server waiting for them.
bool SendsBody(CmdType command);

/// "Basic " and the Base64 of "user:password" (RFC 7617), the value of an
/// Authorization or Proxy-Authorization line.
QByteArray BasicCredentials(const QByteArray& user, const QByteArray& password);

/// `line` as a log may show it: the credentials of an Authorization or
/// Proxy-Authorization line replaced by "****", any other line as it is.
QByteArray MaskedLine(const QByteArray& line);
