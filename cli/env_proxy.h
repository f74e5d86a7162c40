#pragma once

#include "app/client_config.h"

#include <QProcessEnvironment>
#include <QString>
#include <optional>

/// A proxy named by the environment.
struct EnvProxy {
    QString host;
    int port = 0;
};

/// The proxy that `url` goes through by the environment, under curl's rules:
/// `http_proxy` for http: (not HTTP_PROXY, which a CGI server sets from a
/// request's "Proxy:" line), `https_proxy` or HTTPS_PROXY for https:, then
/// `all_proxy` or ALL_PROXY; the lower-case name wins. A value is
/// "[http://][USER@]HOST[:PORT][/]" (port 1080 when none). `no_proxy` or
/// NO_PROXY lists, by commas or blanks, "*" for every host, names that match
/// the host or a domain it is in (a leading "." optional), and addresses or
/// address/prefix ranges. Nothing when no proxy applies; a value that cannot
/// be used sets `problem`.
std::optional<EnvProxy>
ProxyFromEnvironment(const QString& url, const QProcessEnvironment& environment, QString* problem);

/// A run's proxy per URL as the environment names it, read once: the
/// environment does not change during a run.
ClientConfig::ProxyForUrl EnvironmentProxies();
