#include "app/client_settings.h"

#include "http/extra_header.h"
#include "http/nmhttp.h"
#include "http/request_lines.h"
#include "settings/settings_file.h"

#include <QCoreApplication>

void ApplySettingsToClient(const Settings& s, TNMHTTP& http) {
    if (s.proxyEnabled) {
        http.Proxy = s.proxyHost;
        http.ProxyPort = s.proxyPort;
    }
    ApplyRequestSettingsToClient(s.request, http);
}

void ApplyRequestSettingsToClient(const RequestSettings& r, TNMHTTP& http) {
    http.TLS = r.tls;
    http.KeepAlive = r.keepAlive;
    http.Http2 = r.http2;
    http.TlsCaFile = r.caFile;
    http.HeaderInfo.LocalProgram = r.userAgent.toUtf8();
    http.HeaderInfo.Referer = r.refererIsBaseUrl ? QByteArray() : r.referer.toUtf8();
    http.ExtraHeaders.clear();
    for (const QString& line : r.extraHeaders)
        if (const auto header = ParseExtraHeader(line))
            http.ExtraHeaders << header->name + ": " + header->value;
}

QString RequestSettingsProblem(const RequestSettings& request) {
    const auto check = [](const QString& key, const QString& value) -> QString {
        const QString what = RequestLines::ControlByte(value.toUtf8());
        if (what.isEmpty())
            return {};
        return QCoreApplication::translate("ClientSettings",
                                           "The %1 in serifech.ini holds %2; nothing was fetched.")
            .arg(key, what);
    };
    QString problem = check(QStringLiteral("UserAgent"), request.userAgent);
    if (problem.isEmpty())
        problem = check(QStringLiteral("Referer"), request.referer);
    for (qsizetype i = 0; problem.isEmpty() && i < request.extraHeaders.size(); ++i)
        problem = check(QStringLiteral("Header%1").arg(i + 1), request.extraHeaders[i]);
    return problem;
}

QString BaseUrlOf(const QString& url) {
    const qsizetype scheme = url.indexOf(QLatin1String("//"));
    const qsizetype pathStart = url.indexOf(QLatin1Char('/'), scheme < 0 ? 0 : scheme + 2);
    if (pathStart < 0)
        return url;
    // A query may hold slashes of its own; the path ends before it.
    const qsizetype query = url.indexOf(QLatin1Char('?'), pathStart);
    const qsizetype lastSlash = url.lastIndexOf(QLatin1Char('/'), query < 0 ? -1 : query);
    return url.left(lastSlash + 1);
}
