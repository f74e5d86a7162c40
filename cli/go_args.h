#pragma once

#include "app/download_run.h"
#include "cli/cli_args.h"
#include "cli/client_options.h"
#include "cli/go_report.h"

#include <QList>
#include <QString>
#include <optional>

/// What go's options ask of one run; each one not given is the saved setting.
struct GoArgs {
    std::optional<bool> skip;
    std::optional<bool> check;
    std::optional<int> minSizeKB;
    /// --interval: the pause after each request; unset takes the settings' value.
    std::optional<int> intervalMs;
    /// --random-wait: each pause lasts 0.5 to 1.5 times the interval.
    bool randomWait = false;
    /// --rate: request starts a second to each server; 0 for no cap.
    double ratePerSecond = 0;
    /// --proxy; an empty host (--proxy '') is no proxy, not even the
    /// environment's.
    std::optional<QString> proxyHost;
    int proxyPort = 0;
    std::optional<int> timeOutMs;
    /// --parallel: jobs in flight at once; unset takes the settings' value.
    std::optional<int> parallel;
    /// --retries: more tries for a transient failure; unset takes the settings' value.
    std::optional<int> retries;
    /// --retry-failed: the "▼" and "×" jobs are fetched again from the server.
    bool retryFailed = false;
    /// --allow-hidden-paths: jobs whose path goes up or into hidden files are
    /// fetched too.
    bool allowHiddenPaths = false;
    /// --remote-time: the files get the server's time (else the setting says).
    std::optional<bool> remoteTime;
    Verbosity verbosity = Verbosity::Normal;
    ClientOptions client;
    /// The logins of the run beyond the options': those the listed URL held
    /// (fetch takes them out of it, so they are never saved).
    RunLogins logins;
};

/// The longest idle time-out taken, in seconds. An hour is far beyond any
/// server's pause, and the bound catches a time-out still written in
/// milliseconds.
inline constexpr int kMaxTimeOutS = 3600;

/// go's options; fetch takes them too.
const QList<CliOption>& GoOptions();

/// Reads go's options; the problem with them, or the empty text.
QString ReadGoArgs(const CliArgs& args, GoArgs& parsed);

/// The refusal of a --timeout value, saying so when it looks like
/// milliseconds.
QString TimeOutProblem(const QString& text);
