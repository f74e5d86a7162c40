#include "app/client_config.h"

#include "http/nmhttp.h"

ClientConfig ClientConfig::Of(const TNMHTTP& http, bool refererFromBaseUrl) {
    ClientConfig config;
    config.proxyHost = http.Proxy;
    config.proxyPort = http.ProxyPort;
    config.tls = http.TLS;
    config.caFile = http.TlsCaFile;
    config.keepAlive = http.KeepAlive;
    config.http2 = http.Http2;
    config.http2Links = http.Http2Links;
    config.header = http.HeaderInfo;
    config.extraHeaders = http.ExtraHeaders;
    config.timeOutMs = http.TimeOut();
    config.lowSpeedLimit = http.LowSpeedLimit;
    config.refererFromBaseUrl = refererFromBaseUrl;
    config.proxyUser = http.ProxyUser;
    config.proxyPassword = http.ProxyPassword;
    config.cookies = http.Cookies;
    config.pace = http.Pace;
    return config;
}

void ClientConfig::ApplyTo(TNMHTTP& http) const {
    http.InputFileMode = true;
    http.Proxy = proxyHost;
    http.ProxyPort = proxyPort;
    http.TLS = tls;
    http.TlsCaFile = caFile;
    http.KeepAlive = keepAlive;
    http.Http2 = http2;
    if (http2Links)
        http.Http2Links = http2Links;
    http.HeaderInfo = header;
    http.ExtraHeaders = extraHeaders;
    http.SetTimeOut(timeOutMs);
    http.LowSpeedLimit = lowSpeedLimit;
    http.ProxyUser = proxyUser;
    http.ProxyPassword = proxyPassword;
    if (cookies)
        http.Cookies = cookies;
    http.Pace = pace;
}
