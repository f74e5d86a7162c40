#include "cli/get_command.h"

#include "http/nmhttp.h"

#include <QFile>
#include <exception>
#include <optional>

namespace {

struct GetArgs {
    QString url;
    QString file;
    QString proxy;
    int proxyPort = 0;
    int timeOut = 0;
    bool verbose = false;
};

// A port or a time-out: plain decimal digits within [low, high].
std::optional<int> number(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < low || value > high || text.startsWith('+') || text.startsWith('-'))
        return std::nullopt;
    return value;
}

// Empty text when the arguments are good, else what is wrong with them.
QString parse(const QStringList& args, GetArgs& parsed) {
    bool haveUrl = false;
    bool haveFile = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == QLatin1String("-o")) {
            const auto v = value();
            if (!v || v->isEmpty())
                return QStringLiteral("-o needs a file name");
            parsed.file = *v;
            haveFile = true;
        } else if (arg == QLatin1String("--proxy")) {
            const auto v = value();
            const qsizetype colon = v ? v->lastIndexOf(':') : -1;
            const auto port = colon > 0 ? number(v->mid(colon + 1), 1, 65535) : std::nullopt;
            if (!port)
                return QStringLiteral("--proxy needs HOST:PORT");
            parsed.proxy = v->left(colon);
            parsed.proxyPort = *port;
        } else if (arg == QLatin1String("--timeout")) {
            const auto v = value();
            const auto ms = v ? number(*v, 0, 2147483647) : std::nullopt;
            if (!ms)
                return QStringLiteral("--timeout needs milliseconds (0 = none)");
            parsed.timeOut = *ms;
        } else if (arg == QLatin1String("--verbose")) {
            parsed.verbose = true;
        } else if (arg.startsWith('-') && arg.size() > 1) {
            return QStringLiteral("unknown option \"%1\"").arg(arg);
        } else if (!haveUrl) {
            // An empty URL is the client's to refuse, with its own text.
            parsed.url = arg;
            haveUrl = true;
        } else {
            return QStringLiteral("more than one URL");
        }
    }
    if (!haveUrl)
        return QStringLiteral("no URL given");
    if (!haveFile)
        return QStringLiteral("-o FILE is required");
    return {};
}

QString statusLine(const QByteArray& header) {
    QByteArray line = header.left(header.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLatin1(line);
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
        const QString line = statusLine(http.Header);
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
    "      Fetch URL into FILE; print the reply's status line. Exit 0 on success,\n"
    "      1 when the server answers with a failure, 2 on any other error.",
    runGet,
};
