#pragma once

#include "http/header_info.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

class TNMHTTP;

/// Everything a front end sets up on a client, as one value: a run copies
/// it whole to each of its clients, so a setting added here reaches all of
/// them, never only the first.
struct ClientConfig {
    QString proxyHost; ///< empty: no proxy
    int proxyPort = 0;
    bool tls = false;
    QString caFile;
    bool keepAlive = false;
    THeaderInfo header;
    QList<QByteArray> extraHeaders;
    int timeOutMs = 0;
    int lowSpeedLimit = 0;
    /// Each request sends its URL's base URL as its Referer.
    bool refererFromBaseUrl = false;

    /// The proxy for one URL, asked before each request when set (the
    /// environment's, as curl reads it): host and port, nothing for none;
    /// an error text in `problem` fails the request.
    struct Proxy {
        QString host;
        int port = 0;
    };
    using ProxyForUrl = std::function<std::optional<Proxy>(const QString& url, QString* problem)>;
    ProxyForUrl proxyForUrl;

    /// What `http` is set up with (a front end's component, set up by its
    /// settings and options); `refererFromBaseUrl` is the client's.
    static ClientConfig Of(const TNMHTTP& http, bool refererFromBaseUrl);
    /// Sets `http` up with it: bodies go to files.
    void ApplyTo(TNMHTTP& http) const;
};
