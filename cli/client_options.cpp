#include "cli/client_options.h"

#include "cli/cli_args.h"
#include "http/extra_header.h"
#include "http/nmhttp.h"

bool ParseClientOption(const QString& option, CliArgs& args, ClientOptions& options) {
    if (option == QLatin1String("--no-tls")) {
        options.noTls = true;
    } else if (option == QLatin1String("--referer-base")) {
        options.refererFromBaseUrl = true;
    } else if (option == QLatin1String("--cacert")) {
        if (const auto v = args.value(option, "a CA certificate file"))
            options.caFile = *v;
    } else if (option == QLatin1String("--user-agent")) {
        if (const auto v = args.value(option, "a text"))
            options.userAgent = *v;
    } else if (option == QLatin1String("--referer")) {
        if (const auto v = args.value(option, "a URL"))
            options.referer = *v;
    } else if (option == QLatin1String("--header")) {
        if (const auto v = args.value(option, "'NAME: VALUE'")) {
            if (ParseExtraHeader(*v))
                options.headers << *v;
            else
                args.fail(QStringLiteral("--header needs 'NAME: VALUE', not \"%1\"").arg(*v));
        }
    } else {
        return false;
    }
    if (options.referer && options.refererFromBaseUrl)
        args.fail(QStringLiteral("--referer and --referer-base exclude each other"));
    return true;
}

void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http) {
    if (options.noTls)
        http.TLS = false;
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
