#pragma once

#include "cli/cli_args.h"

#include <QString>
#include <QStringList>
#include <optional>

class TNMHTTP;

/// The request options that `get` and `go` share. Each one given overrides
/// what the settings say, for this run only.
struct ClientOptions {
    bool noTls = false;               ///< --no-tls: refuse https: URLs
    bool keepAlive = false;           ///< --keep-alive: HTTP/1.1, connections kept
    std::optional<QString> caFile;    ///< --cacert FILE
    std::optional<QString> userAgent; ///< --user-agent TEXT
    std::optional<QString> referer;   ///< --referer URL
    bool refererFromBaseUrl = false;  ///< --referer-base: each URL's base URL
    QStringList headers;              ///< --header 'Name: value', repeatable
};

/// Their rows of a command's option table.
const QList<CliOption>& ClientOptionTable();

/// Takes them from `args`; the empty text, or what is wrong with them.
QString ReadClientOptions(const CliArgs& args, ClientOptions& options);

/// Puts the options given into `http`, over what the settings put there.
void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http);
