#include "http/request_lines.h"

#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <cstring>

namespace RequestLines {

namespace {

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

bool isHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// RFC 3986 3.3 and 3.4: what a path or query may not hold as it stands.
bool needsEncoding(unsigned char byte) {
    return byte == ' ' || byte >= 0x80 || std::strchr("\"<>\\^`{|}", byte) != nullptr;
}

QByteArray percent(unsigned char byte) {
    static const char digits[] = "0123456789ABCDEF";
    return QByteArray{"%"} + digits[byte >> 4] + digits[byte & 0xf];
}

// Where the authority of an absolute URL ("scheme://host:port/...") is. A
// "://" later in the text, after something that is no scheme (RFC 3986 3.1),
// makes no authority.
bool authorityOf(QByteArrayView url, qsizetype& begin, qsizetype& end) {
    const qsizetype scheme = url.indexOf("://");
    if (scheme <= 0)
        return false;
    for (qsizetype i = 0; i < scheme; ++i) {
        const char c = url[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    begin = scheme + 3;
    end = begin;
    while (end < url.size() && url[end] != '/' && url[end] != '?' && url[end] != '#')
        ++end;
    return true;
}

} // namespace

QString ControlByte(QByteArrayView text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!isControl(byte))
            continue;
        switch (byte) {
        case '\r':
            return QCoreApplication::translate("RequestLines", "a line break (CR)");
        case '\n':
            return QCoreApplication::translate("RequestLines", "a line break (LF)");
        case '\0':
            return QCoreApplication::translate("RequestLines", "a NUL byte");
        case '\t':
            return QCoreApplication::translate("RequestLines", "a tab");
        case 0x7f:
            return QCoreApplication::translate("RequestLines", "a DEL byte");
        default:
            return QCoreApplication::translate("RequestLines", "a control byte (0x%1)")
                .arg(QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')));
        }
    }
    return {};
}

QString Shown(QByteArrayView text) {
    constexpr qsizetype kShown = 80;
    QString shown;
    for (const char c : text.first(std::min(text.size(), kShown))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            shown += QStringLiteral("\\r");
        else if (byte == '\n')
            shown += QStringLiteral("\\n");
        else if (byte == '\t')
            shown += QStringLiteral("\\t");
        else if (isControl(byte))
            shown += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        else
            shown += QChar::fromLatin1(c);
    }
    if (text.size() > kShown)
        shown += QStringLiteral("...");
    return shown;
}

QString Problem(const QList<QByteArray>& lines) {
    for (const QByteArray& line : lines) {
        const QString what = ControlByte(line);
        if (!what.isEmpty())
            return QCoreApplication::translate("RequestLines",
                                               "The request line \"%1\" holds %2; nothing was sent")
                .arg(Shown(line), what);
    }
    return {};
}

QByteArray EncodeTarget(QByteArrayView target) {
    QByteArray encoded;
    encoded.reserve(target.size());
    for (qsizetype i = 0; i < target.size(); ++i) {
        const auto byte = static_cast<unsigned char>(target[i]);
        const bool loosePercent = byte == '%' && (i + 2 >= target.size() || !isHex(target[i + 1]) ||
                                                  !isHex(target[i + 2]));
        if (loosePercent || needsEncoding(byte))
            encoded += percent(byte);
        else
            encoded += target[i];
    }
    return encoded;
}

QByteArray AsciiHost(const QString& host) {
    const bool ascii =
        std::all_of(host.begin(), host.end(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray name = ascii ? host.toLatin1() : QUrl::toAce(host);
    // RFC 3986 3.2.2: what a host may hold, an IPv6 literal's brackets and
    // colons and a user's "name@" included. A blank or a quote would end a
    // request line to a proxy early.
    const bool valid = std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
               (c != '\0' && std::strchr("-._~!$&'()*+,;=%:[]@", c) != nullptr);
    });
    return valid ? name : QByteArray();
}

QByteArray EncodeUrl(QByteArrayView url) {
    qsizetype begin = 0;
    qsizetype end = 0;
    if (!authorityOf(url, begin, end))
        return EncodeTarget(url);
    const QByteArrayView authority = url.sliced(begin, end - begin);
    // The port (and an IPv6 literal's brackets) stay as they are.
    const qsizetype portColon = authority.startsWith('[') ? -1 : authority.lastIndexOf(':');
    const QByteArrayView host = portColon < 0 ? authority : authority.first(portColon);
    const QByteArray ascii = AsciiHost(QString::fromUtf8(host));
    return url.first(begin).toByteArray() + (ascii.isEmpty() ? host.toByteArray() : ascii) +
           (portColon < 0 ? QByteArray() : authority.sliced(portColon).toByteArray()) +
           EncodeTarget(url.sliced(end));
}

} // namespace RequestLines
