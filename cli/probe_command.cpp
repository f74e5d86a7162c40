#include "cli/probe_command.h"

#include "app/client_config.h"
#include "app/run_logins.h"
#include "app/series_prober.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "http/nmhttp.h"
#include "http/url_credentials.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProcessEnvironment>
#include <optional>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> table =
        QList<CliOption>{
            {"misses", 0, "N",
             QT_TRANSLATE_NOOP("CliOption",
                               "missing numbers in a row that end a series (1 to 100, default 3)")},
            {"interval", 0, "MS",
             QT_TRANSLATE_NOOP("CliOption", "pause between requests (default 200)")},
            {"verbose", 'v', nullptr,
             QT_TRANSLATE_NOOP("CliOption", "print each request and its status line")},
        } +
        ClientOptionTable();
    return table;
}

// A fixed part of a fetch pattern: brackets and braces stand for themselves.
QString Literal(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (QStringLiteral("[]{}\\").contains(c))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

// The client as `get` sets it up: https: allowed, the options given on
// top, and the proxy the environment names for each URL, as curl reads it.
// `logins` holds the URL's own login, and must outlive the probe.
ClientConfig ProbeClient(const ClientOptions& options, RunLogins& logins, QTextStream& err) {
    TNMHTTP http;
    http.TLS = true;
    ApplyClientOptions(options, http);
    // One set of cookies, logins and pace for all the questions.
    for (const QString& warning : SetUpRunExtras(options, {}, false, 0, http, logins))
        err << warning << "\n";
    ClientConfig config = ClientConfig::Of(http, options.refererFromBaseUrl);
    if (!logins.IsEmpty())
        config.loginForUrl = [&logins](const QString& url) { return logins.For(url); };
    config.proxyForUrl = EnvironmentProxies();
    return config;
}

int runProbe(const CliArgs& args, QTextStream& out, QTextStream& err) {
    // The series is told and asked for without the URL's login.
    const QString url = TakeCredentials(args.operands().first()).url;
    const std::optional<FileUrlParts> parts = SplitFileUrl(url);
    if (!parts)
        return UsageError(ProbeCommand,
                          QCoreApplication::translate("ProbeCommand",
                                                      "\"%1\" is not the URL of a numbered file "
                                                      "(http://host/path/name07.jpg)")
                              .arg(url),
                          err);
    int misses = SeriesProbe::kDefaultMisses;
    if (const auto v = args.value("misses")) {
        const auto n = ParseDecimal(*v, 1, SeriesProbe::kMaxMisses);
        if (!n)
            return UsageError(ProbeCommand,
                              QCoreApplication::translate(
                                  "ProbeCommand", "--misses needs a number from 1 to 100, not "
                                                  "\"%1\"")
                                  .arg(*v),
                              err);
        misses = int(*n);
    }
    int intervalMs = 200;
    if (const auto v = args.value("interval")) {
        const auto ms = ParseDecimal(*v, 0, 86'400'000);
        if (!ms)
            return UsageError(ProbeCommand,
                              QCoreApplication::translate(
                                  "ProbeCommand", "--interval needs milliseconds, not \"%1\"")
                                  .arg(*v),
                              err);
        intervalMs = int(*ms);
    }
    ClientOptions client;
    if (const QString problem = ReadClientOptions(args, client); !problem.isEmpty())
        return UsageError(ProbeCommand, problem, err);

    SeriesProber prober;
    if (args.has("verbose"))
        QObject::connect(&prober, &SeriesProber::asked,
                         [&err](const QString& method, const QString& url, const QString& said) {
                             err << method << " " << url << "  " << said << "\n";
                             err.flush();
                         });
    std::optional<ProbedSeries> found;
    QEventLoop loop;
    QObject::connect(&prober, &SeriesProber::finished,
                     [&](SeriesProber::End end, const ProbedSeries& series) {
                         if (end != SeriesProber::End::Cancelled)
                             found = series;
                         loop.quit();
                     });
    RunLogins logins;
    logins.TakeFromUrl(args.operands().first());
    prober.Start(*parts, ProbeClient(client, logins, err), misses, intervalMs);
    loop.exec();
    if (!found || !found->error.isEmpty()) {
        err << "serifetch-cli probe: " << (found ? found->error : QString()) << "\n";
        return ExitFailure;
    }
    const int width = std::max(found->digits, 1);
    const auto padded = [&](qint64 n) {
        return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
    };
    out << QCoreApplication::translate(
               "ProbeCommand", "%1 files from %2 to %3, found with %4 requests (%5 misses met)")
               .arg(found->last - found->first + 1)
               .arg(padded(found->first), padded(found->last))
               .arg(found->requests)
               .arg(found->missesMet)
        << "\n";
    // The series as one fetch pattern, on a line of its own for scripts.
    out << Literal(parts->baseUrl + found->head) << '[' << padded(found->first) << '-'
        << padded(found->last) << ']' << Literal(parts->tail) << "\n";
    return ExitSuccess;
}

} // namespace

const CliCommand ProbeCommand{
    "probe",
    "URL",
    1,
    1,
    QT_TRANSLATE_NOOP("CliCommand", "Find the series one file belongs to: its padding, first and "
                                    "last number."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "Given the URL of one file of a series (http://host/gallery/img_07.jpg),\n"
                      "asks the server with HEAD requests (a GET of the first byte where HEAD is\n"
                      "refused) whether other numbers exist: which padding it writes (img_7,\n"
                      "img_07, img_007), and where the series starts and ends, by doubling the\n"
                      "step up from the number given, then halving it. Up to --misses missing\n"
                      "numbers in a row are a gap inside the series; that many end it. A 404,\n"
                      "a 410 and a web page for a name that promises no page count as missing.\n"
                      "The last line is the series as one fetch pattern\n"
                      "(http://host/gallery/img_[01-30].jpg). The job list and the settings are\n"
                      "not used."),
    options,
    QT_TRANSLATE_NOOP("CliCommand",
                      "  0    a series was found; its pattern is on the last line\n"
                      "  1    the file was not found, or the server failed a request\n"
                      "  2    bad arguments\n"),
    runProbe,
};
