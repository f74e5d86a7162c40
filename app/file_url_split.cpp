#include "app/file_url_split.h"

namespace {

// The longest number the start input takes (a signed 32-bit value).
constexpr int kMaxDigits = 9;

bool IsDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

std::optional<FileUrlParts> SplitFileUrl(const QString& text) {
    const QString url = text.trimmed();
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme <= 0)
        return std::nullopt;
    // A name follows a folder: a "/" after the host, and text after the last one.
    if (url.indexOf(QLatin1Char('/'), scheme + 3) < 0)
        return std::nullopt;
    const qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
    if (slash == url.size() - 1)
        return std::nullopt;
    const QString name = url.mid(slash + 1);
    // A query or fragment is not part of a file name a series can number.
    if (name.contains(QLatin1Char('?')) || name.contains(QLatin1Char('#')))
        return std::nullopt;
    qsizetype end = name.size();
    while (end > 0 && !IsDigit(name[end - 1]))
        --end;
    if (end == 0)
        return std::nullopt;
    qsizetype begin = end;
    while (begin > 0 && IsDigit(name[begin - 1]))
        --begin;
    if (end - begin > kMaxDigits)
        return std::nullopt;
    FileUrlParts parts;
    parts.baseUrl = url.left(slash + 1);
    parts.head = name.left(begin);
    parts.digits = int(end - begin);
    parts.start = name.mid(begin, end - begin);
    parts.tail = name.mid(end);
    return parts;
}
