#pragma once

#include "app/run_logins.h"
#include "cli/cli_args.h"

#include <QString>
#include <QStringList>
#include <optional>

class TNMHTTP;

/// The request options that `get` and `go` share. Each one given overrides
/// what the settings say, for this run only.
struct ClientOptions {
    bool noTls = false;                ///< --no-tls: refuse https: URLs
    bool keepAlive = false;            ///< --keep-alive: HTTP/1.1, connections kept
    bool noHttp2 = false;              ///< --no-http2: https: as HTTP/1.1 only
    std::optional<QString> caFile;     ///< --cacert FILE
    std::optional<QString> userAgent;  ///< --user-agent TEXT
    std::optional<QString> referer;    ///< --referer URL
    bool refererFromBaseUrl = false;   ///< --referer-base: each URL's base URL
    QStringList headers;               ///< --header 'Name: value', repeatable
    std::optional<QString> cookieFile; ///< --cookies FILE: a cookies.txt to start with
    std::optional<QString> cookieJar;  ///< --cookie-jar FILE: the run's cookies written here
    /// --user NAME[:PASSWORD], the password asked for on a terminal when
    /// left out: the login of every server the jobs name.
    std::optional<BasicLogin> user;
    bool netrc = false;                  ///< --netrc: logins from ~/.netrc
    std::optional<BasicLogin> proxyUser; ///< --proxy-user NAME[:PASSWORD]
    std::optional<qint64> limitRate;     ///< --limit-rate RATE, bytes a second
};

/// Their rows of a command's option table.
const QList<CliOption>& ClientOptionTable();

/// Takes them from `args`; the empty text, or what is wrong with them. A
/// password left out of --user or --proxy-user is asked for on the terminal
/// (not echoed) when standard input is one; otherwise that is an error.
QString ReadClientOptions(const CliArgs& args, ClientOptions& options);

/// "NAME:PASSWORD" split at its first ":" (a name holds none, RFC 7617); a
/// text without one is the name alone, the password to be asked for.
struct LoginArgument {
    QString user;
    std::optional<QString> password;
};
LoginArgument SplitLoginArgument(const QString& text);

/// Whether each job's Referer is its base URL: --referer-base or the
/// setting, unless --referer names one of its own.
inline bool RefererFromBaseUrl(const ClientOptions& options, bool setting) {
    return !options.referer && (options.refererFromBaseUrl || setting);
}

/// What a run asks beyond the component's values, with the saved settings
/// under the options: the cookie file loaded into a store of the run's own
/// (set on `http`), the logins (`logins`, with the netrc read when asked),
/// and the cap on the bytes a second. Returns the warnings to print: a
/// malformed cookie line, a file that cannot be read.
QStringList SetUpRunExtras(const ClientOptions& options, const QString& settingsCookieFile,
                           bool settingsNetrc, qint64 settingsLimitRate, TNMHTTP& http,
                           RunLogins& logins);

/// Writes the cookies of `http` to the --cookie-jar file, if one was given;
/// the empty text, or why it could not.
QString SaveCookieJar(const ClientOptions& options, const TNMHTTP& http);

/// Puts the options given into `http`, over what the settings put there.
void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http);
