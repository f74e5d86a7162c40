#include "cli/client_options.h"

#include "app/cookie_file.h"
#include "app/rate_limit.h"
#include "cli/cli_args.h"
#include "http/extra_header.h"
#include "http/nmhttp.h"
#include "http/request_lines.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

// The password for `user`, read from the terminal without echo; nullopt
// when standard input is no terminal (a script must give it).
std::optional<QString> AskPassword(const QString& option, const QString& user) {
    if (isatty(STDIN_FILENO) != 1)
        return std::nullopt;
    const QByteArray prompt = QCoreApplication::translate("ClientOptions", "Password for %1 (%2): ")
                                  .arg(user, option)
                                  .toUtf8();
    (void)!::write(STDERR_FILENO, prompt.constData(), size_t(prompt.size()));
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    QByteArray line;
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) == 1 && c != '\n')
        line += c;
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    (void)!::write(STDERR_FILENO, "\n", 1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace

const QList<CliOption>& ClientOptionTable() {
    static const QList<CliOption> table{
        {"no-tls", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption", "refuse https: URLs instead of fetching them over TLS")},
        {"cacert", 0, "FILE", QT_TRANSLATE_NOOP("CliOption", "trust this CA certificate too")},
        {"keep-alive", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption",
                           "ask in HTTP/1.1 and keep the connection for the next file")},
        {"no-http2", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption",
                           "fetch https: URLs over HTTP/1.1 only, never as HTTP/2 streams")},
        {"user-agent", 0, "TEXT", QT_TRANSLATE_NOOP("CliOption", "send this User-Agent line")},
        {"referer", 0, "URL", QT_TRANSLATE_NOOP("CliOption", "send this Referer line")},
        {"referer-base", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption", "send each job's base URL as its Referer")},
        {"header", 0, "'NAME: VALUE'",
         QT_TRANSLATE_NOOP("CliOption", "send this request line too (repeatable)"), true},
        {"cookies", 0, "FILE",
         QT_TRANSLATE_NOOP("CliOption",
                           "send the cookies of this cookies.txt (Netscape format) where they "
                           "belong (default: Cookies in serifech.ini)")},
        {"cookie-jar", 0, "FILE",
         QT_TRANSLATE_NOOP("CliOption", "write the run's cookies to FILE at the end")},
        {"user", 0, "NAME[:PASSWORD]",
         QT_TRANSLATE_NOOP("CliOption",
                           "log in with HTTP Basic authentication (the password is asked for "
                           "when left out)")},
        {"netrc", 0, nullptr,
         QT_TRANSLATE_NOOP("CliOption", "take names and passwords from ~/.netrc")},
        {"proxy-user", 0, "NAME[:PASSWORD]",
         QT_TRANSLATE_NOOP("CliOption", "log in to the proxy with HTTP Basic authentication")},
        {"limit-rate", 0, "RATE",
         QT_TRANSLATE_NOOP("CliOption",
                           "read at most RATE bytes a second over all files (200k, 1.5M)")},
    };
    return table;
}

QString ReadClientOptions(const CliArgs& args, ClientOptions& options) {
    options.noTls = args.has("no-tls");
    options.keepAlive = args.has("keep-alive");
    options.noHttp2 = args.has("no-http2");
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
    if (const auto v = args.value("cookies"))
        options.cookieFile = *v;
    if (const auto v = args.value("cookie-jar")) {
        if (v->isEmpty())
            return QCoreApplication::translate("ClientOptions", "--cookie-jar needs a file name");
        options.cookieJar = *v;
    }
    options.netrc = args.has("netrc");
    for (const auto& [name, target] :
         {std::pair{"user", &options.user}, std::pair{"proxy-user", &options.proxyUser}}) {
        const auto v = args.value(name);
        if (!v)
            continue;
        LoginArgument login = SplitLoginArgument(*v);
        const QString option = "--" + QLatin1String(name);
        if (login.user.isEmpty())
            return QCoreApplication::translate("ClientOptions", "%1 needs NAME[:PASSWORD]")
                .arg(option);
        if (!login.password) {
            login.password = AskPassword(option, login.user);
            if (!login.password)
                return QCoreApplication::translate(
                           "ClientOptions",
                           "%1 %2 has no password, and there is no terminal to ask for it on")
                    .arg(option, login.user);
        }
        // The login is Base64 on the wire, which hides a control byte from
        // the line check but not from the server.
        if (const QString what = RequestLines::ControlByte((login.user + *login.password).toUtf8());
            !what.isEmpty())
            return QCoreApplication::translate("ClientOptions", "%1 holds %2").arg(option, what);
        *target = BasicLogin{login.user, *login.password};
    }
    if (const auto v = args.value("limit-rate")) {
        options.limitRate = ParseByteRate(*v);
        if (!options.limitRate)
            return QCoreApplication::translate(
                       "ClientOptions",
                       "--limit-rate needs bytes a second (\"200k\", \"1.5M\"), not \"%1\"")
                .arg(*v);
    }
    return {};
}

LoginArgument SplitLoginArgument(const QString& text) {
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return {text, std::nullopt};
    return {text.left(colon), text.mid(colon + 1)};
}

QStringList SetUpRunExtras(const ClientOptions& options, const QString& settingsCookieFile,
                           bool settingsNetrc, qint64 settingsLimitRate, TNMHTTP& http,
                           RunLogins& logins) {
    QStringList warnings;
    const QString cookieFile = options.cookieFile.value_or(settingsCookieFile);
    if (!cookieFile.isEmpty()) {
        http.Cookies = std::make_shared<CookieStore>();
        warnings << LoadCookieFile(cookieFile, *http.Cookies, QDateTime::currentSecsSinceEpoch());
    }
    logins.SetForEveryServer(options.user);
    if (options.netrc || settingsNetrc) {
        // curl's and wget's place for it; a missing file is no login, not an error.
        QFile netrc(QDir::homePath() + QStringLiteral("/.netrc"));
        if (netrc.exists() && !netrc.open(QIODevice::ReadOnly))
            warnings << QCoreApplication::translate("ClientOptions", "Cannot read %1: %2")
                            .arg(netrc.fileName(), netrc.errorString());
        else if (netrc.isOpen())
            logins.SetNetrc(netrc.readAll());
    }
    if (options.proxyUser) {
        http.ProxyUser = options.proxyUser->user.toUtf8();
        http.ProxyPassword = options.proxyUser->password.toUtf8();
    }
    const qint64 rate = options.limitRate.value_or(settingsLimitRate);
    http.Pace = rate > 0 ? std::make_shared<RateLimitPace>(rate) : nullptr;
    return warnings;
}

QString SaveCookieJar(const ClientOptions& options, const TNMHTTP& http) {
    if (!options.cookieJar)
        return {};
    return SaveCookieFile(*options.cookieJar, *http.Cookies, QDateTime::currentSecsSinceEpoch());
}

void ApplyClientOptions(const ClientOptions& options, TNMHTTP& http) {
    if (options.noTls)
        http.TLS = false;
    if (options.keepAlive)
        http.KeepAlive = true;
    if (options.noHttp2)
        http.Http2 = false;
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
