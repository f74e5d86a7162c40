#include "cli/get_command.h"

#include "app/client_settings.h"
#include "cli/cli_args.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "cli/reply_status_line.h"
#include "http/nmhttp.h"

#include <QFile>
#include <exception>

namespace {

struct GetArgs {
    QString url;
    QString file;
    QString proxy;
    int proxyPort = 0;
    bool proxyGiven = false; ///< --proxy, even an empty one: the environment is not asked
    ClientOptions client;
    int timeOut = 0;
    bool verbose = false;
};

// Empty text when the arguments are good, else what is wrong with them.
QString parse(const QStringList& list, GetArgs& parsed) {
    CliArgs args(list);
    bool haveUrl = false;
    bool haveFile = false;
    while (const auto arg = args.next()) {
        if (*arg == QLatin1String("-o")) {
            if (const auto v = args.value(*arg, "a file name")) {
                if (v->isEmpty())
                    args.fail(QStringLiteral("-o needs a file name"));
                parsed.file = *v;
                haveFile = true;
            }
        } else if (*arg == QLatin1String("--proxy")) {
            if (const auto v = args.value(*arg, "HOST:PORT")) {
                parsed.proxyGiven = true;
                if (!v->isEmpty() && !ParseHostPort(*v, parsed.proxy, parsed.proxyPort))
                    args.fail(QStringLiteral("--proxy needs HOST:PORT"));
            }
        } else if (*arg == QLatin1String("--timeout")) {
            if (const auto v = args.value(*arg, "milliseconds (0 = none)")) {
                if (const auto ms = ParseDecimal(*v, 0, 2147483647))
                    parsed.timeOut = int(*ms);
                else
                    args.fail(QStringLiteral("--timeout needs milliseconds (0 = none)"));
            }
        } else if (*arg == QLatin1String("--verbose")) {
            parsed.verbose = true;
        } else if (ParseClientOption(*arg, args, parsed.client)) {
        } else if (arg->startsWith('-') && arg->size() > 1) {
            args.fail(QStringLiteral("unknown option \"%1\"").arg(*arg));
        } else if (!haveUrl) {
            // An empty URL is the client's to refuse, with its own text.
            parsed.url = *arg;
            haveUrl = true;
        } else {
            args.fail(QStringLiteral("more than one URL"));
        }
    }
    if (!haveUrl)
        args.fail(QStringLiteral("no URL given"));
    if (!haveFile)
        args.fail(QStringLiteral("-o FILE is required"));
    return args.problem();
}

int runGet(const QStringList& args, QTextStream& out, QTextStream& err) {
    GetArgs parsed;
    if (const QString problem = parse(args, parsed); !problem.isEmpty())
        return UsageError(GetCommand, problem, err);

    enum class Outcome { None, Success, Failure } outcome = Outcome::None;
    try {
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = QFile::encodeName(parsed.file);
        http.Proxy = parsed.proxy;
        http.ProxyPort = parsed.proxyPort;
        if (!parsed.proxyGiven) {
            QString problem;
            const auto proxy = ProxyFromEnvironment(
                parsed.url, QProcessEnvironment::systemEnvironment(), &problem);
            if (!problem.isEmpty()) {
                err << problem << "\n";
                return ExitError;
            }
            if (proxy) {
                http.Proxy = proxy->host;
                http.ProxyPort = proxy->port;
            }
        }
        http.TLS = true;
        ApplyClientOptions(parsed.client, http);
        if (parsed.client.refererFromBaseUrl)
            http.HeaderInfo.Referer = BaseUrlOf(parsed.url).toUtf8();
        http.SetTimeOut(parsed.timeOut);
        http.OnSuccess = [&](CmdType) { outcome = Outcome::Success; };
        http.OnFailure = [&](CmdType) { outcome = Outcome::Failure; };
        if (parsed.verbose) {
            http.ReportLevel = 8;
            http.OnStatus = [&](QObject*, const QString& status) {
                err << status << "\n";
                err.flush();
            };
        }
        try {
            http.Get(parsed.url);
        } catch (...) {
            http.OnStatus = nullptr;
            if (parsed.verbose && !http.Header.isEmpty())
                err << QString::fromLatin1(http.Header);
            throw;
        }
        // The component's own farewell statuses are not the request's.
        http.OnStatus = nullptr;
        if (parsed.verbose)
            err << QString::fromLatin1(http.Header);
        const QString line = ReplyStatusLine(http.Header);
        if (!line.isEmpty())
            out << line << "\n";
        if (!http.FailureReason.isEmpty())
            err << http.FailureReason << "\n";
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()) << "\n";
        return ExitError;
    }
    return outcome == Outcome::Success ? ExitSuccess : ExitFailure;
}

} // namespace

const CliCommand GetCommand{
    "get",
    "URL -o FILE [--proxy HOST:PORT] [--timeout MS] [--verbose]\n"
    "      [--no-tls] [--cacert FILE] [--user-agent TEXT]\n"
    "      [--referer URL | --referer-base] [--header 'NAME: VALUE']...\n"
    "      Fetch URL into FILE; print the reply's status line. Without --proxy\n"
    "      the proxy comes from http_proxy, https_proxy and no_proxy as for curl;\n"
    "      --proxy '' uses none. An https: URL is fetched over TLS (--no-tls\n"
    "      refuses it), trusting the system's CAs and FILE. Exit 0 on success,\n"
    "      1 when the server answers with a failure, 2 on any other error.",
    runGet,
};
