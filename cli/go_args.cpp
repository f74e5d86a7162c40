// go's options: what one run asks, each option given over the saved setting.
#include "cli/go_args.h"

#include "cli/cli_profile.h"
#include "settings/settings_file.h"

#include <QCoreApplication>

const QList<CliOption>& GoOptions() {
    static const QList<CliOption> table =
        QList<CliOption>{
            {"skip-existing", 0, nullptr,
             QT_TRANSLATE_NOOP("CliOption", "skip jobs whose file exists")},
            {"no-skip-existing", 0, nullptr, QT_TRANSLATE_NOOP("CliOption", "fetch them again")},
            {"min-size", 0, "KB",
             QT_TRANSLATE_NOOP("CliOption", "treat files of at most KB kilobytes as failed")},
            {"no-min-size", 0, nullptr, QT_TRANSLATE_NOOP("CliOption", "keep files of any size")},
            {"interval", 0, "MS",
             QT_TRANSLATE_NOOP("CliOption",
                               "pause between jobs (default: Interval in serifech.ini, else 200)")},
            {"random-wait", 0, nullptr,
             QT_TRANSLATE_NOOP("CliOption", "vary each pause from 0.5 to 1.5 times the interval")},
            {"rate", 0, "N/s",
             QT_TRANSLATE_NOOP("CliOption", "start at most N requests a second to each server")},
            {"parallel", 0, "N",
             QT_TRANSLATE_NOOP("CliOption", "fetch up to N files at once (1 to 64, default 1)")},
            {"retries", 0, "N",
             QT_TRANSLATE_NOOP(
                 "CliOption",
                 "try a job that failed for a passing reason (refused, cut, time-out, 5xx) up to N "
                 "more times (0 to 10, default 2)")},
            {"retry-failed", 0, nullptr,
             QT_TRANSLATE_NOOP("CliOption",
                               "fetch the failed and given-up jobs (▼, ×) again from the server")},
            {"remote-time", 0, nullptr,
             QT_TRANSLATE_NOOP("CliOption",
                               "give each saved file the server's Last-Modified time")},
            {"allow-hidden-paths", 0, nullptr,
             QT_TRANSLATE_NOOP(
                 "CliOption",
                 "fetch jobs whose path goes up with .. or into hidden files or folders too")},
            {"proxy", 0, "HOST:PORT",
             QT_TRANSLATE_NOOP("CliOption",
                               "fetch through this HTTP proxy ('': none, not the environment's)")},
            {"timeout", 0, "S",
             QT_TRANSLATE_NOOP("CliOption", "idle time-out in seconds (default 60, 0: none)")},
            {"quiet", 'q', nullptr,
             QT_TRANSLATE_NOOP("CliOption", "print only failed jobs, errors and the summary")},
            {"verbose", 'v', nullptr,
             QT_TRANSLATE_NOOP("CliOption", "a line per request: status line, bytes, time")},
            kForceOption,
        } +
        ClientOptionTable();
    return table;
}

QString ReadGoArgs(const CliArgs& args, GoArgs& parsed) {
    if (args.has("skip-existing"))
        parsed.skip = true;
    if (args.has("no-skip-existing"))
        parsed.skip = false;
    if (args.has("skip-existing") && args.has("no-skip-existing"))
        return QCoreApplication::translate(
            "GoArgs", "--skip-existing and --no-skip-existing exclude each other");
    if (const auto v = args.value("min-size")) {
        const auto kb = ParseDecimal(*v, 0, 2147483647);
        if (!kb)
            return QCoreApplication::translate(
                       "GoArgs", "--min-size needs kilobytes from 0 to 2147483647, not \"%1\"")
                .arg(*v);
        parsed.minSizeKB = int(*kb);
        parsed.check = true;
    }
    if (args.has("no-min-size")) {
        if (parsed.minSizeKB)
            return QCoreApplication::translate("GoArgs",
                                               "--min-size and --no-min-size exclude each other");
        parsed.check = false;
    }
    if (const auto v = args.value("interval")) {
        const auto ms = ParseDecimal(*v, 0, 86'400'000);
        if (!ms)
            return QCoreApplication::translate(
                       "GoArgs", "--interval needs milliseconds from 0 to 86400000, not \"%1\"")
                .arg(*v);
        parsed.intervalMs = int(*ms);
    }
    parsed.randomWait = args.has("random-wait");
    if (const auto v = args.value("rate")) {
        QString number = *v;
        if (number.endsWith(QStringLiteral("/s")))
            number.chop(2);
        bool ok = false;
        const double rate = number.toDouble(&ok);
        if (!ok || !(rate >= 0.001 && rate <= 1000))
            return QCoreApplication::translate(
                       "GoArgs", "--rate needs requests a second from 0.001 to 1000 (\"2\" or "
                                 "\"0.5/s\"), not \"%1\"")
                .arg(*v);
        parsed.ratePerSecond = rate;
    }
    if (const auto v = args.value("parallel")) {
        const auto n =
            ParseDecimal(*v, RequestSettings::kMinParallel, RequestSettings::kMaxParallel);
        if (!n)
            return QCoreApplication::translate(
                       "GoArgs", "--parallel needs a number of files from %1 to %2, not \"%3\"")
                .arg(RequestSettings::kMinParallel)
                .arg(RequestSettings::kMaxParallel)
                .arg(*v);
        parsed.parallel = int(*n);
    }
    if (const auto v = args.value("retries")) {
        const auto n = ParseDecimal(*v, RequestSettings::kMinRetries, RequestSettings::kMaxRetries);
        if (!n)
            return QCoreApplication::translate(
                       "GoArgs", "--retries needs a number of tries from %1 to %2, not \"%3\"")
                .arg(RequestSettings::kMinRetries)
                .arg(RequestSettings::kMaxRetries)
                .arg(*v);
        parsed.retries = int(*n);
    }
    parsed.retryFailed = args.has("retry-failed");
    parsed.allowHiddenPaths = args.has("allow-hidden-paths");
    if (args.has("remote-time"))
        parsed.remoteTime = true;
    if (const auto v = args.value("timeout")) {
        parsed.timeOutMs = ParseSecondsAsMs(*v, kMaxTimeOutS);
        if (!parsed.timeOutMs)
            return TimeOutProblem(*v);
    }
    if (const auto v = args.value("proxy")) {
        QString host;
        if (!v->isEmpty() && !ParseHostPort(*v, host, parsed.proxyPort))
            return QCoreApplication::translate("GoArgs", "--proxy needs HOST:PORT, not \"%1\"")
                .arg(*v);
        parsed.proxyHost = host;
    }
    if (QString problem = ReadClientOptions(args, parsed.client); !problem.isEmpty())
        return problem;
    if (args.has("quiet") && args.has("verbose"))
        return QCoreApplication::translate("GoArgs", "--quiet and --verbose exclude each other");
    if (args.has("quiet"))
        parsed.verbosity = Verbosity::Quiet;
    if (args.has("verbose"))
        parsed.verbosity = Verbosity::Verbose;
    return {};
}

QString TimeOutProblem(const QString& text) {
    // The old milliseconds of get: say what the number means now.
    if (const auto n = ParseDecimal(text, 0, 2147483647); n && *n > kMaxTimeOutS)
        return QCoreApplication::translate("GoArgs",
                                           "--timeout needs seconds from 0 to %1, not \"%2\" "
                                           "(time-outs are in seconds: %3 ms is %4)")
            .arg(kMaxTimeOutS)
            .arg(text)
            .arg(*n)
            .arg(double(*n) / 1000.0);
    return QCoreApplication::translate("GoArgs", "--timeout needs seconds from 0 to %1, not \"%2\"")
        .arg(kMaxTimeOutS)
        .arg(text);
}
