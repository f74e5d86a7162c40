#pragma once

#include <QByteArray>
#include <QHash>

/// The cookies that redirects set, each kept for the origin ("host:port")
/// that set it and sent back only there: a login redirect's session cookie
/// must not travel to whatever server the next hop names.
class CookieJar {
public:
    /// Keeps `cookie` for `origin`, replacing the one it had; an empty
    /// cookie changes nothing.
    void Keep(const QByteArray& origin, const QByteArray& cookie) {
        if (!cookie.isEmpty())
            cookies_.insert(origin, cookie);
    }
    /// The cookie kept for `origin`, or `otherwise` when none is.
    QByteArray For(const QByteArray& origin, const QByteArray& otherwise) const {
        return cookies_.value(origin, otherwise);
    }
    void Clear() { cookies_.clear(); }

private:
    QHash<QByteArray, QByteArray> cookies_;
};
