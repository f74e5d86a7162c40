#include "cli/client_options.h"

#include "cli/cli_args.h"
#include "http/extra_header.h"
#include "http/nmhttp.h"
#include "http/request_lines.h"

#include <QCoreApplication>
#include <utility>

const QList<CliOption>& ClientOptionTable() {
    static const QList<CliOption> table{
        {"no-tls", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption", "refuse https: URLs instead of fetching them over TLS")},
        {"cacert", 0, "FILE", QT_TRANSLATE_NOOP("CliOption", "trust this CA certificate too")},
        {"keep-alive", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption",
                           "ask in HTTP/1.1 and keep the connection for the next file")},
        {"user-agent", 0, "TEXT", QT_TRANSLATE_NOOP("CliOption", "send this User-Agent line")},
        {"referer", 0, "URL", QT_TRANSLATE_NOOP("CliOption", "send this Referer line")},
        {"referer-base", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption", "send each job's base URL as its Referer")},
        {"header", 0, "'NAME: VALUE'",
         QT_TRANSLATE_NOOP("CliOption", "send this request line too (repeatable)"), true},
    };
    return table;
}

QString ReadClientOptions(const CliArgs& args, ClientOptions& options) {
    options.noTls = args.has("no-tls");
    options.keepAlive = args.has("keep-alive");
    options.refererFromBaseUrl = args.has("referer-base");
    options.caFile = args.value("cacert");
    options.userAgent = args.value("user-agent");
    options.referer = args.value("referer");
    // Values that go into a request line as they stand may not end it early.
    for (const auto& [name, value] :
         {std::pair{"--user-agent", options.userAgent}, std::pair{"--referer", options.referer}}) {
        if (const QString what = value ? RequestLines::ControlByte(value->toUtf8()) : QString();
            !what.isEmpty())
            return QCoreApplication::translate("ClientOptions", "%1 holds %2: \"%3\"")
                .arg(QLatin1String(name), what, RequestLines::Shown(value->toUtf8()));
    }
    if (options.referer && options.refererFromBaseUrl)
        return QCoreApplication::translate("ClientOptions",
                                           "--referer and --referer-base exclude each other");
    for (const QString& line : args.values("header")) {
        if (!ParseExtraHeader(line))
            return QCoreApplication::translate("ClientOptions",
                                               "--header needs 'NAME: VALUE', not \"%1\"")
                .arg(line);
        options.headers << line;
    }
    return {};
}

void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http) {
    if (options.noTls)
        http.TLS = false;
    if (options.keepAlive)
        http.KeepAlive = true;
    if (options.caFile)
        http.TlsCaFile = *options.caFile;
    if (options.userAgent)
        http.HeaderInfo.LocalProgram = options.userAgent->toUtf8();
    if (options.referer)
        http.HeaderInfo.Referer = options.referer->toUtf8();
    if (options.refererFromBaseUrl)
        http.HeaderInfo.Referer.clear();
    for (const QString& line : options.headers) {
        const auto header = ParseExtraHeader(line);
        http.ExtraHeaders << header->name + ": " + header->value;
    }
}
