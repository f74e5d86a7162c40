#pragma once

#include "app/client_config.h"
#include "app/download_run.h"
#include "app/http_download_client.h"

#include <memory>
#include <vector>

class JobGrid;
class TNMHTTP;

/// A download run as both front ends assemble it: the run over the grid, its
/// first client over the front end's component (the window's NMHTTP1), and
/// before each "Go!" the clients for the files at once, every one of them,
/// the first too, set up by one ClientConfig.
class RunSession {
public:
    explicit RunSession(JobGrid& grid);
    ~RunSession();
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    TNMHTTP& Http() { return *http_; }
    const TNMHTTP& Http() const { return *http_; }
    HttpDownloadClient& Client() { return *client_; }
    DownloadRun& Run() { return *run_; }

    /// Sets every client up by `config` and makes `parallel` of them in
    /// all (at least one), dropping the others. Does nothing while a run is
    /// under way (its clients are in use).
    void Prepare(const ClientConfig& config, int parallel);

    /// Sets one client up by `config` as a run's are, for requests of the
    /// list outside a run.
    static void SetUp(TNMHTTP& http, HttpDownloadClient& client, const ClientConfig& config);

private:
    std::unique_ptr<TNMHTTP> http_;
    std::unique_ptr<HttpDownloadClient> client_;
    struct Lane {
        std::unique_ptr<TNMHTTP> http;
        std::unique_ptr<HttpDownloadClient> client;
    };
    std::vector<Lane> more_; // outlive the run, which holds on to them
    std::unique_ptr<DownloadRun> run_;
};
