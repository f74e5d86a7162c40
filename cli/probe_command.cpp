#include "cli/probe_command.h"

#include "app/series_probe.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "http/nmhttp.h"
#include "http/url_credentials.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <exception>

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

// A web page for a name that promises no page is a server's stand-in for a
// file it does not have.
bool StandInPage(const QByteArray& contentType, const QString& tail) {
    if (!contentType.trimmed().toLower().startsWith("text/html"))
        return false;
    const QString suffix = QFileInfo(tail).suffix().toLower();
    return !suffix.isEmpty() && !suffix.startsWith(QLatin1String("htm")) &&
           suffix != QLatin1String("php") && suffix != QLatin1String("asp") &&
           suffix != QLatin1String("aspx");
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

void Pause(int ms) {
    if (ms <= 0)
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// One question put to the server: HEAD, or where the server refuses HEAD, a
// GET of the first byte.
class Asker {
public:
    Asker(const ClientOptions& client, bool verbose, QTextStream& err)
        : client_(client)
        , verbose_(verbose)
        , err_(err) {
        // One set of cookies, logins and pace for all the questions.
        for (const QString& warning : SetUpRunExtras(client, {}, false, 0, shared_, logins_))
            err_ << warning << "\n";
    }
    /// Takes the login out of the URL the series is probed from.
    QString TakeLoginFromUrl(const QString& url) { return logins_.TakeFromUrl(url); }

    SeriesProbe::Reply Ask(const QString& url, const QString& tail, QString& reason) {
        SeriesProbe::Reply reply = Request(url, tail, reason);
        if (!headRefused_ && (status_ == 405 || status_ == 501)) {
            headRefused_ = true;
            reply = Request(url, tail, reason);
        }
        return reply;
    }

private:
    SeriesProbe::Reply Request(const QString& url, const QString& tail, QString& reason) {
        TNMHTTP http;
        http.InputFileMode = true;
        http.Body = QFile::encodeName(scratch_.filePath(QStringLiteral("first-byte")));
        http.TLS = true;
        ApplyClientOptions(client_, http);
        http.Cookies = shared_.Cookies;
        http.Pace = shared_.Pace;
        http.ProxyUser = shared_.ProxyUser;
        http.ProxyPassword = shared_.ProxyPassword;
        if (const std::optional<BasicLogin> login = logins_.For(url)) {
            http.HeaderInfo.UserId = login->user.toUtf8();
            http.HeaderInfo.Password = login->password.toUtf8();
        }
        QString problem;
        if (const auto proxy =
                ProxyFromEnvironment(url, QProcessEnvironment::systemEnvironment(), &problem)) {
            http.Proxy = proxy->host;
            http.ProxyPort = proxy->port;
        }
        if (!problem.isEmpty()) {
            reason = problem;
            return SeriesProbe::Reply::Failed;
        }
        const char* method = headRefused_ ? "GET" : "HEAD";
        status_ = 0;
        try {
            if (headRefused_) {
                http.ExtraHeaders << "Range: bytes=0-0";
                http.Get(url);
            } else {
                http.Head(url);
            }
        } catch (const std::exception& e) {
            reason = QString::fromUtf8(e.what());
            if (verbose_)
                err_ << method << " " << url << "  " << reason << "\n";
            return SeriesProbe::Reply::Failed;
        }
        const ReplyHead& head = http.LastReplyHead();
        status_ = head.statusCode;
        reason = QString::fromLatin1(head.statusLine);
        if (verbose_)
            err_ << method << " " << url << "  " << reason << "\n";
        err_.flush();
        if (status_ == 404 || status_ == 410)
            return SeriesProbe::Reply::Missing;
        if (status_ >= 200 && status_ < 300)
            return StandInPage(head.contentType, tail) ? SeriesProbe::Reply::Missing
                                                       : SeriesProbe::Reply::Found;
        if (reason.isEmpty())
            reason = http.FailureReason;
        return SeriesProbe::Reply::Failed;
    }

    const ClientOptions& client_;
    TNMHTTP shared_; ///< holds what every question shares
    RunLogins logins_;
    bool verbose_;
    QTextStream& err_;
    QTemporaryDir scratch_;
    bool headRefused_ = false;
    int status_ = 0;
};

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

    SeriesProbe probe(*parts, misses);
    Asker asker(client, args.has("verbose"), err);
    asker.TakeLoginFromUrl(args.operands().first());
    bool first = true;
    while (const auto question = probe.Next()) {
        if (!first)
            Pause(intervalMs);
        first = false;
        QString reason;
        const SeriesProbe::Reply reply = asker.Ask(question->url, parts->tail, reason);
        probe.Answer(reply, reason);
    }
    const std::optional<ProbedSeries> found = probe.Result();
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
