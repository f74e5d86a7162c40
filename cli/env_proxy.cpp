#include "cli/env_proxy.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QRegularExpression>
#include <QUrl>

namespace {

// The first of `names` that is set and not empty: its name and value.
std::optional<std::pair<QString, QString>> firstSet(const QProcessEnvironment& env,
                                                    std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QString value = env.value(QLatin1String(name)).trimmed();
        if (!value.isEmpty())
            return std::pair{QString::fromLatin1(name), value};
    }
    return std::nullopt;
}

bool matchesNoProxy(const QString& host, const QString& list) {
    const QHostAddress address(host);
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (QString entry : list.split(separators, Qt::SkipEmptyParts)) {
        if (entry == QLatin1String("*"))
            return true;
        if (!address.isNull()) {
            if (entry.startsWith(QLatin1Char('[')) && entry.endsWith(QLatin1Char(']')))
                entry = entry.mid(1, entry.size() - 2);
            const auto subnet = QHostAddress::parseSubnet(entry);
            if (subnet.first.isNull())
                continue;
            if (entry.contains(QLatin1Char('/')) ? address.isInSubnet(subnet)
                                                 : address.isEqual(subnet.first))
                return true;
            continue;
        }
        if (entry.startsWith(QLatin1Char('.')))
            entry.remove(0, 1);
        if (entry.isEmpty())
            continue;
        if (host.compare(entry, Qt::CaseInsensitive) == 0 ||
            host.endsWith(QLatin1Char('.') + entry, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

std::optional<EnvProxy> ProxyFromEnvironment(const QString& url, const QProcessEnvironment& env,
                                             QString* problem) {
    const QUrl target(url);
    const QString scheme = target.scheme().toLower();
    std::optional<std::pair<QString, QString>> setting;
    if (scheme == QLatin1String("https"))
        setting = firstSet(env, {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"});
    else if (scheme == QLatin1String("http"))
        setting = firstSet(env, {"http_proxy", "all_proxy", "ALL_PROXY"});
    if (!setting)
        return std::nullopt;
    if (const auto noProxy = firstSet(env, {"no_proxy", "NO_PROXY"});
        noProxy && matchesNoProxy(target.host(), noProxy->second))
        return std::nullopt;

    const auto& [name, value] = *setting;
    const QUrl proxy(value.contains(QLatin1String("://")) ? value : "http://" + value);
    if (!proxy.isValid() || proxy.host().isEmpty() ||
        proxy.scheme().compare(QLatin1String("http"), Qt::CaseInsensitive) != 0) {
        if (problem)
            *problem = QCoreApplication::translate(
                           "EnvProxy", "%1 must name an http:// proxy as HOST:PORT, not \"%2\"")
                           .arg(name, value);
        return std::nullopt;
    }
    return EnvProxy{proxy.host(), proxy.port(1080)};
}

ClientConfig::ProxyForUrl EnvironmentProxies() {
    return [environment = QProcessEnvironment::systemEnvironment()](
               const QString& url, QString* problem) -> std::optional<ClientConfig::Proxy> {
        const auto proxy = ProxyFromEnvironment(url, environment, problem);
        if (!proxy)
            return std::nullopt;
        return ClientConfig::Proxy{proxy->host, proxy->port};
    };
}
