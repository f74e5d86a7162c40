#pragma once

#include <functional>
#include <memory>
#include <vector>

class DownloadRun;
class HttpDownloadClient;
class TNMHTTP;

/// The clients a run with several jobs in flight uses beside the front end's
/// own: each a TNMHTTP of its own (its own connection, kept alive or not), set
/// up as the front end set up its client, so that every job is asked for alike.
class ParallelClients {
public:
    ParallelClients();
    ~ParallelClients();
    ParallelClients(const ParallelClients&) = delete;
    ParallelClients& operator=(const ParallelClients&) = delete;

    /// Called on each client made, after the copy of the setup, for what a
    /// copy cannot carry (a hook that names its own client).
    using SetUp = std::function<void(TNMHTTP& http, HttpDownloadClient& client)>;

    /// Makes `count - 1` clients alike to `http` and `client` and hands them
    /// to `run`, dropping those made before. Does nothing while a run is under
    /// way (its clients are in use).
    void Prepare(DownloadRun& run, int count, const TNMHTTP& http, const HttpDownloadClient& client,
                 const SetUp& setUp = {});

    /// Copies what a front end sets up on a client: the proxy, TLS, keep-alive,
    /// the request lines, bodies to files and the time-outs.
    static void CopySetup(const TNMHTTP& from, TNMHTTP& to);

private:
    struct Lane;
    std::vector<Lane> lanes_;
};
