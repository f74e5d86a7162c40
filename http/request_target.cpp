#include "http/request_target.h"

#include "http/request_lines.h"

#include <QCoreApplication>
#include <algorithm>
#include <stdexcept>

namespace {

// Position of the n-th (from 1) `c` in `text`, or -1.
qsizetype nthIndex(const QByteArray& text, char c, int n) {
    qsizetype at = -1;
    for (int i = 0; i < n; ++i) {
        at = text.indexOf(c, at + 1);
        if (at < 0)
            return -1;
    }
    return at;
}

} // namespace

RequestTarget RequestTarget::Split(QByteArray url, bool tlsAllowed, RequestTarget now) {
    if (url.isEmpty())
        throw std::runtime_error(
            QCoreApplication::translate("RequestTarget", "Empty URL").toStdString());
    // A URL that could end the request line early is refused, not repaired:
    // nobody can say which of its lines was meant.
    if (const QString what = RequestLines::ControlByte(url); !what.isEmpty())
        throw std::runtime_error(QCoreApplication::translate(
                                     "RequestTarget", "The URL \"%1\" holds %2; nothing was sent")
                                     .arg(RequestLines::Shown(url), what)
                                     .toStdString());
    if (now.port == 0)
        now.port = 80;
    const bool hasAuthority = url.contains("//");

    const qsizetype pathStart = hasAuthority ? nthIndex(url, '/', 3) : url.indexOf('/');
    now.path = pathStart >= 0 ? url.mid(pathStart) : QByteArray();

    const qsizetype colon = url.indexOf(':');
    if (colon >= 0) {
        const QByteArray scheme = url.left(colon).toLower();
        if (scheme == "gopher")
            now.port = 70;
        else if (scheme == "ftp")
            now.port = 21;
        else if (scheme == "https" && !tlsAllowed)
            throw std::runtime_error(
                QCoreApplication::translate("RequestTarget", "HTTP Secure Socket is not supported")
                    .toStdString());
        else
            now.port = scheme == "https" ? 443 : 80;
        now.secure = scheme == "https";
    }

    QByteArray hostText;
    if (hasAuthority) {
        const qsizetype second = nthIndex(url, '/', 2);
        const qsizetype third = nthIndex(url, '/', 3);
        hostText = url.mid(second + 1, third < 0 ? -1 : third - second - 1);
    } else if (!url.startsWith('/')) {
        const qsizetype slash = url.indexOf('/');
        hostText = slash < 0 ? url : url.left(slash);
    }
    // The colons of an IPv6 literal ("[::1]:8080") are inside its brackets.
    const qsizetype portColon =
        hostText.indexOf(':', hostText.startsWith('[') ? qMax(hostText.indexOf(']'), 0) : 0);
    if (portColon >= 0) {
        const QByteArray portText = hostText.mid(portColon + 1);
        bool ok = std::all_of(portText.begin(), portText.end(),
                              [](char c) { return c >= '0' && c <= '9'; });
        // Digits alone: a blank that the number reading would skip would go on
        // into a request line to a proxy.
        const int port = ok ? portText.toInt(&ok) : 0;
        if (!ok || port < 0 || port > 65535)
            throw std::invalid_argument(
                QCoreApplication::translate("RequestTarget", "'%1' is not a valid port number")
                    .arg(QString::fromUtf8(portText))
                    .toStdString());
        now.port = port;
        hostText.truncate(portColon);
    }
    if (!hostText.isEmpty()) {
        // The lookup, the Host line, SNI and the certificate check all take
        // the IDNA form of a name with letters beyond ASCII.
        const QByteArray ascii = RequestLines::AsciiHost(QString::fromUtf8(hostText));
        if (ascii.isEmpty())
            throw std::runtime_error(
                QCoreApplication::translate("RequestTarget",
                                            "The host name \"%1\" is not a valid name")
                    .arg(QString::fromUtf8(hostText))
                    .toStdString());
        now.host = QString::fromLatin1(ascii);
    }
    if (now.path.isEmpty()) {
        now.path = "/";
        url += '/';
    }
    // RFC 3986: blanks and bytes beyond ASCII go on the wire percent-encoded,
    // in the request line to a server and to a proxy alike. A URL that needs
    // none of it keeps its bytes.
    now.path = RequestLines::EncodeTarget(now.path);
    now.url = RequestLines::EncodeUrl(url);
    return now;
}
