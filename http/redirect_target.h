#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// Where a redirect leads, worked out without a connection: which codes are
/// followed, and the absolute URL a Location value names from the request
/// it answered (RFC 3986 5.2).
namespace RedirectTarget {

/// 301, 302, 303, 307 and 308 are followed; other 3xx replies end the run.
bool Followed(int code);

/// The absolute URL `location` names, seen from the request to `host`:`port`
/// (https when `secure`) for `requestPath`: a URL with a scheme as it is, a
/// network-path reference ("//host/x") in the same scheme, a path or query
/// resolved against the request path, "." and ".." segments removed. Blanks,
/// control bytes and bytes beyond ASCII come out percent-encoded, so the URL
/// can stand in a request line.
QByteArray Absolute(QByteArrayView location, bool secure, const QString& host, int port,
                    QByteArrayView requestPath);

/// Where a followed redirect leads, and whether the client goes there.
struct Hop {
    QByteArray url; ///< Absolute() of the location
    /// Why the client does not follow it (a scheme it does not fetch); empty
    /// when it does.
    QString refusal;
    /// From https: to plain http: followed, since the server said so, but
    /// worth saying.
    bool downgrade = false;
};

/// The hop to `location` from the request Absolute() describes; `https:` is
/// followed only with `tls`, and no other scheme but `http:` at all.
Hop Follow(QByteArrayView location, bool secure, const QString& host, int port,
           QByteArrayView requestPath, bool tls);

} // namespace RedirectTarget
