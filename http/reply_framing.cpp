#include "http/reply_framing.h"

#include <QLocale>
#include <QRegularExpression>
#include <QTimeZone>
#include <algorithm>

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int hexValue(char c) {
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

QByteArrayView withoutLineEnd(QByteArrayView line) {
    while (!line.isEmpty() && (line.back() == '\n' || line.back() == '\r'))
        line.chop(1);
    return line;
}

QByteArrayView trimmed(QByteArrayView text) {
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

std::optional<qint64> decimal(QByteArrayView text) {
    text = trimmed(text);
    // 18 digits always fit in 63 bits.
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

namespace ReplyFraming {

std::optional<int> StatusCode(QByteArrayView line) {
    line = withoutLineEnd(line);
    // "HTTP/1.0 200", or "HTTP/2 200" as an HTTP/2 reply's head is written;
    // what follows the code must start with a blank.
    if (line.size() < 10 || !line.startsWith("HTTP/") || !isDigit(line[5]))
        return std::nullopt;
    qsizetype at = 0;
    if (line[6] == '.' && line.size() >= 12 && isDigit(line[7]) && line[8] == ' ')
        at = 9;
    else if (line[6] == ' ' && line[5] >= '2')
        at = 7;
    else
        return std::nullopt;
    for (qsizetype i = at; i < at + 3; ++i)
        if (!isDigit(line[i]))
            return std::nullopt;
    if (line.size() > at + 3 && line[at + 3] != ' ')
        return std::nullopt;
    const int code = (line[at] - '0') * 100 + (line[at + 1] - '0') * 10 + (line[at + 2] - '0');
    if (code < 100 || code > 599)
        return std::nullopt;
    return code;
}

std::optional<qint64> ContentLength(QByteArrayView value) {
    std::optional<qint64> length;
    // RFC 9110 8.6: a list of identical values stands for that value.
    while (true) {
        const qsizetype comma = value.indexOf(',');
        const std::optional<qint64> item = decimal(comma < 0 ? value : value.first(comma));
        if (!item || (length && *length != *item))
            return std::nullopt;
        length = item;
        if (comma < 0)
            return length;
        value = value.sliced(comma + 1);
    }
}

std::optional<qint64> ChunkSize(QByteArrayView line) {
    line = withoutLineEnd(line);
    const qsizetype semicolon = line.indexOf(';');
    if (semicolon >= 0)
        line = line.first(semicolon);
    line = trimmed(line);
    if (line.isEmpty() || line.size() > 15)
        return std::nullopt;
    qint64 size = 0;
    for (const char c : line) {
        const int digit = hexValue(c);
        if (digit < 0)
            return std::nullopt;
        size = size * 16 + digit;
    }
    return size;
}

std::optional<qint64> RetryAfterSeconds(QByteArrayView value, const QDateTime& now) {
    constexpr qint64 kDay = qint64(24) * 3600;
    value = trimmed(withoutLineEnd(value));
    if (value.isEmpty())
        return std::nullopt;
    if (std::all_of(value.begin(), value.end(), isDigit))
        return value.size() > 6 ? kDay
                                : qMin(QByteArray(value.data(), value.size()).toLongLong(), kDay);
    const std::optional<QDateTime> date = HttpDate(value);
    if (!date)
        return std::nullopt;
    return qBound<qint64>(0, now.secsTo(*date), kDay);
}

std::optional<QDateTime> HttpDate(QByteArrayView value) {
    QString text = QString::fromLatin1(trimmed(withoutLineEnd(value)));
    // asctime pads a day below 10 with a blank; the format wants one space.
    text.replace(QStringLiteral("  "), QStringLiteral(" "));
    // RFC 850 writes a two-digit year: 1970 to 2069, as RFC 9110 asks to
    // read one that seems more than 50 years ahead as the past.
    static const QRegularExpression rfc850(
        QStringLiteral("^\\w+, (\\d\\d)-(\\w{3})-(\\d\\d) (\\d\\d:\\d\\d:\\d\\d) GMT$"));
    if (const QRegularExpressionMatch m = rfc850.match(text); m.hasMatch()) {
        const int yy = m.captured(3).toInt();
        text = QStringLiteral("%1 %2 %3 %4")
                   .arg(m.captured(1), m.captured(2),
                        QString::number(yy < 70 ? 2000 + yy : 1900 + yy), m.captured(4));
    }
    // Names are English whatever the locale; the formats read them so.
    const QLocale c = QLocale::c();
    for (const QString& format :
         {QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"), QStringLiteral("dd MMM yyyy HH:mm:ss"),
          QStringLiteral("ddd MMM d HH:mm:ss yyyy")}) {
        QDateTime date = c.toDateTime(text, format);
        if (date.isValid()) {
            date.setTimeZone(QTimeZone::utc());
            return date;
        }
    }
    return std::nullopt;
}

QByteArray Unfolded(QByteArrayView lines) {
    QByteArray out;
    out.reserve(lines.size());
    while (!lines.isEmpty()) {
        const qsizetype lf = lines.indexOf('\n');
        QByteArrayView line = lf < 0 ? lines : lines.first(lf + 1);
        lines = lines.sliced(line.size());
        if (line == "\r\n" || line == "\n") {
            // The empty line ends the fields; what follows is no header.
            out += line;
            out += lines;
            break;
        }
        if (!isBlank(line.front())) {
            out += line;
            continue;
        }
        if (out.isEmpty())
            continue;
        out.chop(1); // the LF that ends every line before this one
        while (!out.isEmpty() && (out.back() == '\r' || isBlank(out.back())))
            out.chop(1);
        while (!line.isEmpty() && isBlank(line.front()))
            line = line.sliced(1);
        out += ' ';
        out += line;
    }
    return out;
}

QString Excerpt(QByteArrayView bytes) {
    QString text;
    for (const char c : bytes.first(qMin<qsizetype>(bytes.size(), 40))) {
        const auto byte = static_cast<unsigned char>(c);
        text += byte >= 0x20 && byte < 0x7f ? QChar(byte) : QChar('.');
    }
    return text;
}

} // namespace ReplyFraming
