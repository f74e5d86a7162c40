#include "http/redirect_target.h"

#include "http/reply_framing.h"

#include <QCoreApplication>
#include <QList>
#include <cctype>

namespace {

// True when `location` starts with "scheme://" (RFC 3986: a letter, then
// letters, digits, "+", "-", "."): a relative location may carry a full URL
// in its query ("/login?next=http://x/") and is still relative.
bool hasScheme(QByteArrayView location) {
    const qsizetype colon = location.indexOf("://");
    if (colon <= 0 || !std::isalpha(static_cast<unsigned char>(location[0])))
        return false;
    for (qsizetype i = 1; i < colon; ++i) {
        const auto c = static_cast<unsigned char>(location[i]);
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

// RFC 3986 5.2.4: "." and ".." segments of a merged path are resolved; a
// ".." never climbs above the root.
QByteArray removeDotSegments(const QByteArray& path) {
    QList<QByteArray> kept;
    const QList<QByteArray> segments = path.split('/');
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const QByteArray& segment = segments[i];
        const bool last = i == segments.size() - 1;
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.isEmpty())
                kept.removeLast();
            if (last)
                kept.append(QByteArray()); // "/a/.." names the folder "/"
        } else {
            kept.append(segment);
        }
    }
    return '/' + kept.join('/');
}

// RFC 3986 5.2.2: a relative path reference is resolved against the folder of
// the request path (the path up to its last "/"), a bare query against the
// path itself. Queries are copied as they are.
QByteArray resolvedPath(const QByteArray& requestPath, const QByteArray& reference) {
    const QByteArray basePath = requestPath.mid(0, requestPath.indexOf('?'));
    const qsizetype query = reference.indexOf('?');
    const QByteArray referencePath = reference.mid(0, query);
    const QByteArray referenceQuery = query < 0 ? QByteArray() : reference.mid(query);
    if (referencePath.isEmpty())
        return (basePath.isEmpty() ? QByteArray("/") : basePath) + referenceQuery;
    const QByteArray merged = referencePath.startsWith('/')
                                  ? referencePath
                                  : basePath.left(basePath.lastIndexOf('/') + 1) + referencePath;
    return removeDotSegments(merged.startsWith('/') ? merged : '/' + merged) + referenceQuery;
}

} // namespace

namespace RedirectTarget {

bool Followed(int code) {
    return (code >= 300 && code <= 303) || code == 307 || code == 308;
}

QByteArray Absolute(QByteArrayView location, bool secure, const QString& host, int port,
                    QByteArrayView requestPath) {
    QByteArray absolute;
    const QByteArray scheme = secure ? "https:" : "http:";
    if (hasScheme(location)) {
        absolute = location.toByteArray();
    } else if (location.startsWith("//")) {
        // A network-path reference keeps the scheme, and with it the default port.
        absolute = scheme + location.toByteArray();
    } else {
        QByteArray origin = scheme + "//" + host.toUtf8();
        if (port != (secure ? 443 : 80))
            origin += ':' + QByteArray::number(port);
        absolute = origin + resolvedPath(requestPath.toByteArray(), location.toByteArray());
    }
    // A blank would end the request line's URL early and make the rest a
    // second word; bytes beyond ASCII do not belong on the wire either.
    QByteArray encoded;
    encoded.reserve(absolute.size());
    for (const char c : absolute) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f)
            encoded += '%' + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
        else
            encoded += c;
    }
    return encoded;
}

Hop Follow(QByteArrayView location, bool secure, const QString& host, int port,
           QByteArrayView requestPath, bool tls) {
    Hop hop;
    hop.url = Absolute(location, secure, host, port, requestPath);
    const QByteArray scheme = hop.url.left(hop.url.indexOf(':')).toLower();
    if (scheme != "http" && !(tls && scheme == "https"))
        hop.refusal =
            QCoreApplication::translate("RedirectTarget", "Redirect to an unsupported scheme: %1")
                .arg(ReplyFraming::Excerpt(hop.url));
    else
        hop.downgrade = secure && scheme == "http";
    return hop;
}

} // namespace RedirectTarget
