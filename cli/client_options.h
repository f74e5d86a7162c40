#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class CliArgs;
class TNMHTTP;

/// The request options that `get` and `go` share. Each one given overrides
/// what the settings say, for this run only.
struct ClientOptions {
    bool noTls = false;               ///< --no-tls: refuse https: URLs
    std::optional<QString> caFile;    ///< --cacert FILE
    std::optional<QString> userAgent; ///< --user-agent TEXT
    std::optional<QString> referer;   ///< --referer URL
    bool refererFromBaseUrl = false;  ///< --referer-base: each URL's base URL
    QStringList headers;              ///< --header 'Name: value', repeatable
};

/// When `option` is one of these options, takes its value from `args` (a bad
/// value is recorded there) and returns true; false for any other option.
bool ParseClientOption(const QString& option, CliArgs& args, ClientOptions& options);

/// Puts the options given into `http`, over what the settings put there.
void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http);
