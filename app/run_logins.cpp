#include "app/run_logins.h"

#include "http/netrc.h"
#include "http/url_credentials.h"

#include <QUrl>

QString RunLogins::ServerOf(const QString& url) {
    const QUrl parsed(url);
    if (parsed.host().isEmpty())
        return {};
    const QString scheme = parsed.scheme().toLower();
    const int port = parsed.port(scheme == QLatin1String("https") ? 443 : 80);
    return scheme + QLatin1String("://") + parsed.host().toLower() + ':' + QString::number(port);
}

QString RunLogins::TakeFromUrl(const QString& url) {
    const UrlCredentials taken = TakeCredentials(url);
    if (taken.hasUser) {
        if (const QString server = ServerOf(taken.url); !server.isEmpty())
            byServer_.insert(server, {taken.user, taken.password});
    }
    return taken.url;
}

std::optional<BasicLogin> RunLogins::For(const QString& url) const {
    if (const auto kept = byServer_.constFind(ServerOf(url)); kept != byServer_.constEnd())
        return *kept;
    if (every_)
        return every_;
    if (netrc_.isEmpty())
        return std::nullopt;
    const QString host = QUrl(url).host();
    if (host.isEmpty())
        return std::nullopt;
    if (const auto found = NetrcLookup(netrc_, host))
        return BasicLogin{found->login, found->password};
    return std::nullopt;
}
