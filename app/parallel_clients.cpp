#include "app/parallel_clients.h"

#include "app/download_run.h"
#include "app/http_download_client.h"
#include "http/nmhttp.h"

struct ParallelClients::Lane {
    std::unique_ptr<TNMHTTP> http;
    std::unique_ptr<HttpDownloadClient> client;
};

ParallelClients::ParallelClients() = default;
ParallelClients::~ParallelClients() = default;

void ParallelClients::CopySetup(const TNMHTTP& from, TNMHTTP& to) {
    to.Proxy = from.Proxy;
    to.ProxyPort = from.ProxyPort;
    to.TLS = from.TLS;
    to.TlsCaFile = from.TlsCaFile;
    to.KeepAlive = from.KeepAlive;
    to.HeaderInfo = from.HeaderInfo;
    to.ExtraHeaders = from.ExtraHeaders;
    to.InputFileMode = from.InputFileMode;
    to.SetTimeOut(from.TimeOut());
    to.LowSpeedLimit = from.LowSpeedLimit;
}

void ParallelClients::Prepare(DownloadRun& run, int count, const TNMHTTP& http,
                              const HttpDownloadClient& client, const SetUp& setUp) {
    if (run.Running())
        return;
    run.SetMoreClients({});
    lanes_.clear();
    std::vector<DownloadClient*> more;
    for (int i = 1; i < count; ++i) {
        Lane lane{std::make_unique<TNMHTTP>(), nullptr};
        CopySetup(http, *lane.http);
        lane.client = std::make_unique<HttpDownloadClient>(*lane.http);
        lane.client->SetRefererFromBaseUrl(client.RefererFromBaseUrl());
        if (setUp)
            setUp(*lane.http, *lane.client);
        more.push_back(lane.client.get());
        lanes_.push_back(std::move(lane));
    }
    run.SetMoreClients(more);
}
