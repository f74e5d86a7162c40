#include "app/window_client_options.h"

#include "app/client_config.h"
#include "app/client_settings.h"
#include "app/cookie_file.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/rate_limit.h"
#include "app/run_session.h"
#include "http/nmhttp.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>

// A file without the key keeps the pause the run always had.
static_assert(RequestSettings::kDefaultIntervalMs == DownloadRun::kTickMs);

WindowClientOptions::WindowClientOptions(RunSession& session)
    : m_session(session) {}

void WindowClientOptions::Apply(const Settings& s) {
    TNMHTTP& http = m_session.Http();
    http.InputFileMode = true;
    ApplySettingsToClient(s, http);
    m_request = s.request;
    m_proxyLogin = {s.proxyUser, s.proxyPassword, s.rememberProxyPassword};
    http.ProxyUser = m_proxyLogin.user.toUtf8();
    http.ProxyPassword = m_proxyLogin.password.toUtf8();
    m_session.Client().SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    m_session.Run().SetTickInterval(m_request.intervalMs);
    m_session.Run().SetRemoteTime(m_request.remoteTime);
    m_remembered = s.serverLogins;
    for (const ServerLogin& login : m_remembered)
        m_logins.KeepFor(login.server, {login.user, login.password});
}

void WindowClientOptions::KeepLogin(const QString& url, const BasicLogin& login, bool remember) {
    const QString server = RunLogins::ServerOf(url);
    if (server.isEmpty())
        return;
    m_logins.KeepFor(server, login);
    m_remembered.removeIf([&](const ServerLogin& kept) { return kept.server == server; });
    if (remember)
        m_remembered << ServerLogin{server, login.user, login.password};
}

void WindowClientOptions::Read(Settings& s) const {
    s.proxyHost = m_session.Http().Proxy;
    s.proxyPort = m_session.Http().ProxyPort;
    s.request = m_request;
    s.proxyUser = m_proxyLogin.user;
    s.proxyPassword = m_proxyLogin.password;
    s.rememberProxyPassword = m_proxyLogin.remember;
    s.serverLogins = m_remembered;
}

void WindowClientOptions::Edit(const Editor& edit) {
    TNMHTTP& http = m_session.Http();
    if (!edit(http.Proxy, http.ProxyPort, m_request, m_proxyLogin))
        return;
    ApplyRequestSettingsToClient(m_request, http);
    http.ProxyUser = m_proxyLogin.user.toUtf8();
    http.ProxyPassword = m_proxyLogin.password.toUtf8();
    m_session.Client().SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    // At once, so a pause already under way ends at the new length.
    m_session.Run().SetTickInterval(m_request.intervalMs);
    m_session.Run().SetRemoteTime(m_request.remoteTime);
}

QString WindowClientOptions::Problem() const {
    return RequestSettingsProblem(m_request);
}

ClientConfig WindowClientOptions::ProbeClient() const {
    ClientConfig config = ClientConfig::Of(m_session.Http(), m_request.refererIsBaseUrl);
    if (!m_logins.IsEmpty())
        config.loginForUrl = [this](const QString& url) { return m_logins.For(url); };
    return config;
}

QStringList WindowClientOptions::PrepareRun() {
    QStringList warnings;
    TNMHTTP& http = m_session.Http();
    // Each run starts from the file: what the last run's replies set is gone.
    http.Cookies = std::make_shared<CookieStore>();
    if (!m_request.cookieFile.isEmpty())
        warnings << LoadCookieFile(m_request.cookieFile, *http.Cookies,
                                   QDateTime::currentSecsSinceEpoch());
    m_logins.SetNetrc({});
    if (m_request.netrc) {
        QFile netrc(QDir::homePath() + QStringLiteral("/.netrc"));
        if (netrc.exists() && !netrc.open(QIODevice::ReadOnly))
            warnings << QCoreApplication::translate("WindowClientOptions", "Cannot read %1: %2")
                            .arg(netrc.fileName(), netrc.errorString());
        else if (netrc.isOpen())
            m_logins.SetNetrc(netrc.readAll());
    }
    http.Pace =
        m_request.limitRate > 0 ? std::make_shared<RateLimitPace>(m_request.limitRate) : nullptr;
    // The window's proxy is its dialog's: the environment's is not asked.
    ClientConfig config = ClientConfig::Of(http, m_session.Client().RefererFromBaseUrl());
    if (!m_logins.IsEmpty())
        config.loginForUrl = [this](const QString& url) { return m_logins.For(url); };
    m_session.Prepare(config, m_request.parallel);
    m_session.Run().SetRetries(m_request.retries);
    return warnings;
}
