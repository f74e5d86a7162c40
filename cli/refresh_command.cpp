#include "cli/refresh_command.h"

#include "app/download_run.h"
#include "app/list_refresh.h"
#include "cli/cli_profile.h"
#include "cli/client_options.h"
#include "cli/go_args.h"
#include "cli/run_client.h"
#include "http/nmhttp.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <csignal>

namespace {

// Those of go's options that a check of the list uses.
const QList<CliOption>& options() {
    static const QList<CliOption> table = [] {
        QList<CliOption> rows;
        for (const CliOption& option : GoOptions())
            for (const char* name : {"interval", "proxy", "timeout", "force"})
                if (qstrcmp(option.name, name) == 0)
                    rows << option;
        return rows + ClientOptionTable();
    }();
    return table;
}

int refresh(CliProfile& profile, const GoArgs& args, QTextStream& out) {
    const Settings& s = profile.settings;
    if (const QString problem = RunClient::SettingsProblem(s, args); !problem.isEmpty()) {
        profile.error(problem);
        return ExitError;
    }
    // The component the settings and options are put into, as for go; the
    // check's own client is set up from it.
    TNMHTTP http;
    http.InputFileMode = true;
    http.LowSpeedLimit = DownloadRun::kLowSpeedLimit;
    RunLogins logins = args.logins;
    QStringList warnings;
    const ClientConfig config = RunClient::SetUp(s, args, http, logins, warnings);
    for (const QString& warning : warnings)
        profile.warning(warning);

    JobGrid grid;
    grid.Append(std::move(profile.jobs));
    ListRefresh check(grid);
    QEventLoop loop;
    ListRefresh::Summary summary;
    QObject::connect(&check, &ListRefresh::checked,
                     [&](JobGrid::JobId id, ListRefresh::Result result, const QString& detail) {
                         const int row = grid.RowOf(id);
                         if (result == ListRefresh::Result::Changed)
                             out << QCoreApplication::translate("RefreshCommand", "changed  %1  %2")
                                        .arg(row)
                                        .arg(grid.Path(row))
                                 << "\n";
                         else if (result == ListRefresh::Result::Failed)
                             out << QCoreApplication::translate("RefreshCommand",
                                                                "failed   %1  %2: %3")
                                        .arg(row)
                                        .arg(grid.Url(row), detail)
                                 << "\n";
                         out.flush();
                     });
    QObject::connect(&check, &ListRefresh::finished, [&](const ListRefresh::Summary& s) {
        summary = s;
        loop.quit();
    });
    check.SetRemoteTime(s.request.remoteTime);
    check.Start(config, args.intervalMs.value_or(s.request.intervalMs));
    if (check.Running())
        loop.exec();
    out << summary.Text() << "\n";
    // Validators and marks of the files that changed, for the next check.
    const bool saved = profile.saveJobs(grid.Jobs());
    if (const QString problem = SaveCookieJar(args.client, http); !problem.isEmpty())
        profile.warning(problem);
    if (!saved)
        return ExitError;
    return summary.failed == 0 ? ExitSuccess : ExitFailure;
}

int runRefresh(const CliArgs& args, QTextStream& out, QTextStream& err) {
    GoArgs parsed;
    if (const QString problem = ReadGoArgs(args, parsed); !problem.isEmpty())
        return UsageError(RefreshCommand, problem, err);
    CliProfile profile(RefreshCommand.name, err);
    if (!profile.openToChangeJobs(args, true))
        return ExitError;
    std::signal(SIGPIPE, SIG_IGN);
    try {
        return refresh(profile, parsed, out);
    } catch (const std::exception& e) {
        profile.error(QString::fromLocal8Bit(e.what()));
        return ExitError;
    }
}

} // namespace

const CliCommand RefreshCommand{
    "refresh",
    "",
    0,
    0,
    QT_TRANSLATE_NOOP("CliCommand",
                      "Fetch again those finished files (○, ▲) that changed on the server."),
    QT_TRANSLATE_NOOP(
        "CliCommand",
        "Asks the server about each job marked ○ or ▲ with a conditional GET: with the\n"
        "ETag and Last-Modified its last reply gave (kept in the job list), else with\n"
        "If-Modified-Since set to its file's time. A 304 leaves the file untouched; a\n"
        "new version replaces it once whole; a job whose file was deleted is fetched\n"
        "again. A request that fails leaves the file and the mark as they were.\n"
        "Prints a line per changed or failed job, then the number checked, changed,\n"
        "unchanged and failed, and saves the list."),
    options,
    QT_TRANSLATE_NOOP("CliCommand", "  0    every job was checked\n"
                                    "  1    some check failed\n"
                                    "  2    bad arguments, unusable files or folders\n"),
    runRefresh,
};
