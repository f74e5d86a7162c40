#include "cli/run_client.h"

#include "app/client_settings.h"
#include "app/download_run.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "cli/go_args.h"
#include "http/nmhttp.h"
#include "settings/settings_file.h"

namespace RunClient {

QString SettingsProblem(const Settings& s, const GoArgs& args) {
    // The saved request values this run sends, as far as no option replaces them.
    RequestSettings sent = s.request;
    if (args.client.userAgent)
        sent.userAgent.clear();
    if (args.client.referer || args.client.refererFromBaseUrl)
        sent.referer.clear();
    return RequestSettingsProblem(sent);
}

ClientConfig SetUp(const Settings& s, const GoArgs& args, TNMHTTP& http, RunLogins& logins,
                   QStringList& warnings) {
    ApplySettingsToClient(s, http);
    ApplyClientOptions(args.client, http);
    if (args.proxyHost) {
        http.Proxy = *args.proxyHost;
        http.ProxyPort = args.proxyPort;
    }
    http.SetTimeOut(args.timeOutMs.value_or(DownloadRun::kClientTimeOutMs));
    warnings << SetUpRunExtras(args.client, s.request.cookieFile, s.request.netrc,
                               s.request.limitRate, http, logins);
    ClientConfig config =
        ClientConfig::Of(http, RefererFromBaseUrl(args.client, s.request.refererIsBaseUrl));
    // As for curl: the environment names a proxy per URL. It is read once; it
    // does not change during the run.
    if (!args.proxyHost && !s.proxyEnabled)
        config.proxyForUrl = EnvironmentProxies();
    if (!logins.IsEmpty())
        config.loginForUrl = [&logins](const QString& url) { return logins.For(url); };
    return config;
}

} // namespace RunClient
