#include "cli/get_command.h"

#include "app/client_settings.h"
#include "app/download_run.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "cli/go_command.h"
#include "http/nmhttp.h"
#include "http/request_header.h"
#include "http/url_credentials.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <exception>
#include <stdexcept>

namespace {

struct GetArgs {
    QString url;
    QString file;
    QString proxy;
    int proxyPort = 0;
    bool proxyGiven = false; ///< --proxy, even an empty one: the environment is not asked
    ClientOptions client;
    int timeOutMs = DownloadRun::kClientTimeOutMs;
    bool verbose = false;
    bool trace = false;
};

const QList<CliOption>& options() {
    static const QList<CliOption> table =
        QList<CliOption>{
            {"output", 'o', "FILE",
             QT_TRANSLATE_NOOP("CliOption", "write the body to FILE (-: standard output)")},
            {"remote-name", 'O', nullptr,
             QT_TRANSLATE_NOOP("CliOption",
                               "write the body to the URL's file name, in this folder")},
            {"proxy", 0, "HOST:PORT",
             QT_TRANSLATE_NOOP("CliOption",
                               "fetch through this HTTP proxy ('': none, not the environment's)")},
            {"timeout", 0, "S",
             QT_TRANSLATE_NOOP("CliOption", "idle time-out in seconds (default 60, 0: none)")},
            {"verbose", 'v', nullptr,
             QT_TRANSLATE_NOOP("CliOption", "print the request, its status line, bytes and time")},
            {"trace", 0, nullptr,
             QT_TRANSLATE_NOOP("CliOption", "print the socket texts and the reply header")},
        } +
        ClientOptionTable();
    return table;
}

// The last segment of the URL's path, as curl's -O takes it (not decoded);
// empty when there is none a file could be named by (no path, a path that
// ends in "/", "." or "..").
QString RemoteName(const QString& url) {
    QString rest = url.section(QLatin1Char('#'), 0, 0).section(QLatin1Char('?'), 0, 0);
    const qsizetype scheme = rest.indexOf(QLatin1String("://"));
    if (scheme < 0)
        return {};
    rest = rest.mid(scheme + 3);
    const qsizetype path = rest.indexOf(QLatin1Char('/'));
    if (path < 0)
        return {};
    QString name = rest.mid(rest.lastIndexOf(QLatin1Char('/')) + 1);
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

// Empty text when the arguments are good, else what is wrong with them.
QString parse(const CliArgs& args, GetArgs& parsed) {
    // An empty URL is the client's to refuse, with its own text.
    parsed.url = args.operands().first();
    const auto file = args.value("output");
    if (args.has("remote-name")) {
        if (file)
            return QCoreApplication::translate("GetCommand", "give -o FILE or -O, not both");
        // Named, and told, without the URL's login.
        const QString url = TakeCredentials(parsed.url).url;
        parsed.file = RemoteName(url);
        if (parsed.file.isEmpty())
            return QCoreApplication::translate("GetCommand",
                                               "the URL \"%1\" names no file for -O; give -o FILE")
                .arg(url);
    } else if (!file || file->isEmpty()) {
        return QCoreApplication::translate("GetCommand", "-o FILE or -O is required");
    } else {
        parsed.file = *file;
    }
    if (const auto v = args.value("proxy")) {
        parsed.proxyGiven = true;
        if (!v->isEmpty() && !ParseHostPort(*v, parsed.proxy, parsed.proxyPort))
            return QCoreApplication::translate("GetCommand", "--proxy needs HOST:PORT, not \"%1\"")
                .arg(*v);
    }
    if (QString problem = ReadClientOptions(args, parsed.client); !problem.isEmpty())
        return problem;
    if (const auto v = args.value("timeout")) {
        const auto ms = ParseSecondsAsMs(*v, kMaxTimeOutS);
        if (!ms)
            return TimeOutProblem(*v);
        parsed.timeOutMs = *ms;
    }
    parsed.verbose = args.has("verbose");
    parsed.trace = args.has("trace");
    return {};
}

// Copies a whole file to standard output; false when either side fails.
bool copyToStdout(const QString& path) {
    QFile in(path);
    QFile out;
    if (!in.open(QIODevice::ReadOnly) || !out.open(stdout, QIODevice::WriteOnly))
        return false;
    char buffer[65536];
    qint64 n = 0;
    while ((n = in.read(buffer, sizeof buffer)) > 0) {
        if (out.write(buffer, n) != n)
            return false;
    }
    return n == 0 && out.flush();
}

int runGet(const CliArgs& args, QTextStream& out, QTextStream& err) {
    GetArgs parsed;
    if (const QString problem = parse(args, parsed); !problem.isEmpty())
        return UsageError(GetCommand, problem, err);

    // The body for standard output is caught whole in a file of our own
    // first: the client writes beside its target and renames when complete.
    const bool toStdout = parsed.file == QLatin1String("-");
    QTemporaryDir scratch;
    const QString target = toStdout ? scratch.filePath(QStringLiteral("body")) : parsed.file;
    QTextStream& statusOut = toStdout ? err : out;

    enum class Outcome { None, Success, Failure } outcome = Outcome::None;
    QElapsedTimer clock;
    clock.start();
    try {
        if (toStdout && !scratch.isValid())
            throw std::runtime_error(
                QCoreApplication::translate("GetCommand",
                                            "cannot create a temporary folder for the body")
                    .toStdString());
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = QFile::encodeName(target);
        http.Proxy = parsed.proxy;
        http.ProxyPort = parsed.proxyPort;
        if (!parsed.proxyGiven) {
            QString problem;
            const auto proxy = ProxyFromEnvironment(
                parsed.url, QProcessEnvironment::systemEnvironment(), &problem);
            if (!problem.isEmpty())
                throw std::runtime_error(problem.toStdString());
            if (proxy) {
                http.Proxy = proxy->host;
                http.ProxyPort = proxy->port;
            }
        }
        http.TLS = true;
        http.Http2 = true;
        ApplyClientOptions(parsed.client, http);
        // The URL's own login is for its server alone, and is never shown.
        RunLogins logins;
        const QString url = logins.TakeFromUrl(parsed.url);
        for (const QString& warning : SetUpRunExtras(parsed.client, {}, false, 0, http, logins))
            err << warning << "\n";
        if (const std::optional<BasicLogin> login = logins.For(url)) {
            http.HeaderInfo.UserId = login->user.toUtf8();
            http.HeaderInfo.Password = login->password.toUtf8();
        }
        if (parsed.client.refererFromBaseUrl)
            http.HeaderInfo.Referer = BaseUrlOf(url).toUtf8();
        http.SetTimeOut(parsed.timeOutMs);
        http.LowSpeedLimit = DownloadRun::kLowSpeedLimit;
        http.OnSuccess = [&](CmdType) { outcome = Outcome::Success; };
        http.OnFailure = [&](CmdType) { outcome = Outcome::Failure; };
        if (parsed.trace) {
            http.ReportLevel = 8;
            http.OnStatus = [&](QObject*, const QString& status) {
                err << status << "\n";
                err.flush();
            };
        }
        if (parsed.verbose) {
            // What was sent, the credentials hidden.
            http.OnAboutToSend = [&](QObject*) {
                for (qsizetype i = 0; i < http.HeaderList().Count(); ++i) {
                    const QByteArray line = http.HeaderList().Strings(i);
                    if (MaskedLine(line) != line)
                        err << QString::fromLatin1(MaskedLine(line)) << "\n";
                }
            };
        }
        const auto verboseLine = [&](const QString& status) {
            if (parsed.verbose)
                err << "GET " << url << "  " << status << "  " << http.ReceivedBytes << " bytes  "
                    << QString::number(double(clock.elapsed()) / 1000.0, 'f', 3) << " s\n";
        };
        try {
            http.Get(url);
        } catch (const std::exception& e) {
            http.OnStatus = nullptr;
            if (parsed.trace && !http.Header.isEmpty())
                err << QString::fromLatin1(http.Header);
            verboseLine(QString::fromUtf8(e.what()));
            throw;
        }
        // The component's own farewell statuses are not the request's.
        http.OnStatus = nullptr;
        if (parsed.trace)
            err << QString::fromLatin1(http.Header);
        const QString line = QString::fromLatin1(http.StatusLine());
        verboseLine(http.FailureReason.isEmpty() ? line : http.FailureReason);
        if (!line.isEmpty())
            statusOut << line << "\n";
        if (!http.FailureReason.isEmpty())
            err << http.FailureReason << "\n";
        statusOut.flush();
        err.flush();
        if (const QString problem = SaveCookieJar(parsed.client, http); !problem.isEmpty())
            err << problem << "\n";
        if (toStdout && QFile::exists(target) && !copyToStdout(target))
            throw std::runtime_error(QCoreApplication::translate(
                                         "GetCommand", "cannot write the body to standard output")
                                         .toStdString());
    } catch (const std::exception& e) {
        err << QString::fromUtf8(e.what()) << "\n";
        return ExitError;
    }
    return outcome == Outcome::Success ? ExitSuccess : ExitFailure;
}

} // namespace

const CliCommand GetCommand{
    "get",
    "URL",
    1,
    1,
    QT_TRANSLATE_NOOP("CliCommand", "Fetch one URL into a file and print the reply's status line."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "Fetches URL over HTTP or HTTPS into FILE (with -O: the URL's last path\n"
                      "segment, in this folder), following redirects, and prints the\n"
                      "reply's status line (on standard error when the body goes to standard\n"
                      "output). The job list and the settings are not used. The time-out may\n"
                      "have a fraction (0.5), up to 3600 seconds."),
    options,
    QT_TRANSLATE_NOOP("CliCommand",
                      "  0    the server answered with success\n"
                      "  1    the server answered with a failure (nothing is saved to FILE)\n"
                      "  2    bad arguments, bad URL, network error, time-out\n"),
    runGet,
};
