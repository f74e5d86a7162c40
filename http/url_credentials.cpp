#include "http/url_credentials.h"

#include <QByteArray>

namespace {

QString Decoded(const QString& text) {
    return QString::fromUtf8(QByteArray::fromPercentEncoding(text.toUtf8()));
}

} // namespace

UrlCredentials TakeCredentials(const QString& url) {
    UrlCredentials result{url, {}, {}, false, false};
    const qsizetype scheme = url.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return result;
    const qsizetype start = scheme + 3;
    qsizetype end = start;
    while (end < url.size() && url[end] != QLatin1Char('/') && url[end] != QLatin1Char('?') &&
           url[end] != QLatin1Char('#'))
        ++end;
    const qsizetype at = url.lastIndexOf(QLatin1Char('@'), end - 1);
    if (at < start)
        return result;
    const QString info = url.mid(start, at - start);
    const qsizetype colon = info.indexOf(QLatin1Char(':'));
    result.hasUser = true;
    result.user = Decoded(colon < 0 ? info : info.left(colon));
    if (colon >= 0) {
        result.hasPassword = true;
        result.password = Decoded(info.mid(colon + 1));
    }
    result.url = url.left(start) + url.mid(at + 1);
    return result;
}
