#pragma once

#include "app/run_logins.h"
#include "http/header_info.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class CookieStore;
class Http2Connections;
class ReceivePace;
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
    bool http2 = false;
    /// The run's HTTP/2 connections, one set for all its clients, so that
    /// all its jobs to one server go on one connection.
    std::shared_ptr<Http2Connections> http2Links;
    THeaderInfo header;
    QList<QByteArray> extraHeaders;
    int timeOutMs = 0;
    int lowSpeedLimit = 0;
    /// Each request sends its URL's base URL as its Referer.
    bool refererFromBaseUrl = false;
    /// The proxy's Basic login; empty for none.
    QByteArray proxyUser;
    QByteArray proxyPassword;
    /// The run's cookies, one store for all its clients: what a reply sets
    /// for one file goes with the next file's request, whichever lane asks.
    std::shared_ptr<CookieStore> cookies;
    /// The run's cap on the bytes a second all its clients read together;
    /// null for none.
    std::shared_ptr<ReceivePace> pace;

    /// The login for one URL's server, asked before each request when set;
    /// nothing for none.
    using LoginForUrl = std::function<std::optional<BasicLogin>(const QString& url)>;
    LoginForUrl loginForUrl;

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
