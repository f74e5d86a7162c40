#pragma once

#include <QByteArray>
#include <QString>

/// Where a request goes, as its URL says: the host, port and scheme to
/// connect with and the request path to ask for, both ready for the wire.
struct RequestTarget {
    QString host;
    int port = 0;
    bool secure = false; ///< https:
    QByteArray path;     ///< the request path, percent-encoded (RFC 3986)
    QByteArray url;      ///< the whole URL, "/" added when it had no path, encoded

    /// Splits `url` ("scheme://host:port/path", "host/path", "/path"): the
    /// scheme sets the port (http 80, https 443, ftp 21, gopher 70) unless
    /// the URL names one; a part the URL leaves out keeps its value in `now`
    /// (a port of 0 there is 80). The host comes out in its IDNA form.
    /// Throws std::runtime_error for an empty URL, one holding a control
    /// byte, an https: URL unless `tlsAllowed`, or a host that is no valid
    /// name, and std::invalid_argument for a port that is not a number up to
    /// 65535.
    static RequestTarget Split(QByteArray url, bool tlsAllowed, RequestTarget now);
};
