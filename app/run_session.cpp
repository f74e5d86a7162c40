#include "app/run_session.h"

#include "http/nmhttp.h"

#include <stdexcept>

RunSession::RunSession(JobGrid& grid)
    : http_(std::make_unique<TNMHTTP>())
    , client_(std::make_unique<HttpDownloadClient>(*http_))
    , run_(std::make_unique<DownloadRun>(grid, *client_)) {
    http_->InputFileMode = true;
    http_->SetTimeOut(DownloadRun::kClientTimeOutMs);
    http_->LowSpeedLimit = DownloadRun::kLowSpeedLimit;
    // A connection kept past its run only when the user asked for that.
    QObject::connect(run_.get(), &DownloadRun::runFinished, run_.get(), [this] {
        if (!http_->KeepAlive)
            http_->Http2Links->Finish();
    });
}

RunSession::~RunSession() {
    // The run lets go of its clients' events before they go.
    run_.reset();
}

void RunSession::SetUp(TNMHTTP& http, HttpDownloadClient& client, const ClientConfig& config) {
    config.ApplyTo(http);
    client.SetRefererFromBaseUrl(config.refererFromBaseUrl);
    client.SetLoginFor(config.loginForUrl);
    if (!config.proxyForUrl) {
        client.SetBeforeGet({});
        return;
    }
    client.SetBeforeGet([&http, proxyFor = config.proxyForUrl](const QString& url) {
        QString problem;
        const auto proxy = proxyFor(url, &problem);
        if (!problem.isEmpty())
            throw std::runtime_error(problem.toStdString());
        http.Proxy = proxy ? proxy->host : QString();
        http.ProxyPort = proxy ? proxy->port : 0;
    });
}

void RunSession::Prepare(const ClientConfig& config, int parallel) {
    if (run_->Running())
        return;
    run_->SetMoreClients({});
    if (run_->Parallel() != 1)
        return; // a run shut down holds on to its clients
    // Every lane's requests to one server go on one HTTP/2 connection: the
    // session's.
    ClientConfig shared = config;
    shared.http2Links = http_->Http2Links;
    SetUp(*http_, *client_, shared);
    more_.clear();
    std::vector<DownloadClient*> clients;
    for (int i = 1; i < parallel; ++i) {
        Lane lane{std::make_unique<TNMHTTP>(), nullptr};
        lane.client = std::make_unique<HttpDownloadClient>(*lane.http);
        SetUp(*lane.http, *lane.client, shared);
        clients.push_back(lane.client.get());
        more_.push_back(std::move(lane));
    }
    run_->SetMoreClients(clients);
}
