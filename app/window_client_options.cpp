#include "app/window_client_options.h"

#include "app/client_config.h"
#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/run_session.h"
#include "http/nmhttp.h"

// A file without the key keeps the pause the run always had.
static_assert(RequestSettings::kDefaultIntervalMs == DownloadRun::kTickMs);

WindowClientOptions::WindowClientOptions(RunSession& session)
    : m_session(session) {}

void WindowClientOptions::Apply(const Settings& s) {
    TNMHTTP& http = m_session.Http();
    http.InputFileMode = true;
    ApplySettingsToClient(s, http);
    m_request = s.request;
    m_session.Client().SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    m_session.Run().SetTickInterval(m_request.intervalMs);
    m_session.Run().SetRemoteTime(m_request.remoteTime);
}

void WindowClientOptions::Read(Settings& s) const {
    s.proxyHost = m_session.Http().Proxy;
    s.proxyPort = m_session.Http().ProxyPort;
    s.request = m_request;
}

void WindowClientOptions::Edit(const Editor& edit) {
    TNMHTTP& http = m_session.Http();
    if (!edit(http.Proxy, http.ProxyPort, m_request))
        return;
    ApplyRequestSettingsToClient(m_request, http);
    m_session.Client().SetRefererFromBaseUrl(m_request.refererIsBaseUrl);
    // At once, so a pause already under way ends at the new length.
    m_session.Run().SetTickInterval(m_request.intervalMs);
    m_session.Run().SetRemoteTime(m_request.remoteTime);
}

QString WindowClientOptions::Problem() const {
    return RequestSettingsProblem(m_request);
}

ClientConfig WindowClientOptions::ProbeClient() const {
    return ClientConfig::Of(m_session.Http(), m_request.refererIsBaseUrl);
}

void WindowClientOptions::PrepareRun() {
    // The window's proxy is its dialog's: the environment's is not asked.
    m_session.Prepare(ClientConfig::Of(m_session.Http(), m_session.Client().RefererFromBaseUrl()),
                      m_request.parallel);
    m_session.Run().SetRetries(m_request.retries);
}
