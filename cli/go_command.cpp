#include "cli/go_command.h"

#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/list_saver.h"
#include "app/run_panels.h"
#include "app/run_session.h"
#include "app/status_mark.h"
#include "cli/cli_args.h"
#include "cli/cli_profile.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "cli/go_report.h"
#include "cli/job_marks.h"
#include "http/nmhttp.h"
#include "platform/signal_notifier.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <csignal>
#include <unistd.h>

namespace {

// The run of one `go`: the grid, the client, the run, the saves and what is
// printed, wired together on one event loop.
class GoSession : public QObject {
public:
    GoSession(CliProfile& profile, const GoArgs& args, QTextStream& out)
        : profile_(profile)
        , session_(grid_)
        , run_(session_.Run())
        , saver_(grid_, [this] { return profile_.session().saveJobs(grid_.Jobs()); })
        , report_(out, isatty(STDOUT_FILENO) == 1, args.verbosity) {
        const Settings& s = profile.settings;
        grid_.Append(std::move(profile.jobs));
        saver_.Loaded();
        if (args.retryFailed && ListEdits::ClearFailedMarks(grid_) > 0)
            saver_.Changed();
        TNMHTTP& http = session_.Http();
        ApplySettingsToClient(s, http);
        ApplyClientOptions(args.client, http);
        if (args.proxyHost) {
            http.Proxy = *args.proxyHost;
            http.ProxyPort = args.proxyPort;
        }
        http.SetTimeOut(args.timeOutMs.value_or(DownloadRun::kClientTimeOutMs));
        ClientConfig config =
            ClientConfig::Of(http, args.client.referer ? false
                                                       : args.client.refererFromBaseUrl ||
                                                             s.request.refererIsBaseUrl);
        // As for curl: the environment names a proxy per URL. It is read
        // once; it does not change during the run.
        if (!args.proxyHost && !s.proxyEnabled)
            config.proxyForUrl = [environment = QProcessEnvironment::systemEnvironment()](
                                     const QString& url,
                                     QString* problem) -> std::optional<ClientConfig::Proxy> {
                const auto proxy = ProxyFromEnvironment(url, environment, problem);
                if (!proxy)
                    return std::nullopt;
                return ClientConfig::Proxy{proxy->host, proxy->port};
            };
        session_.Prepare(config, args.parallel.value_or(s.request.parallel));
        run_.SetSkipExisting(args.skip.value_or(s.skip));
        run_.SetSmallResultCheck(args.check.value_or(s.check));
        run_.SetSmallResultLimitKB(args.minSizeKB.value_or(s.minSize));
        run_.SetTickInterval(args.intervalMs);
        run_.SetRateLimit(args.ratePerSecond);
        run_.SetRetries(args.retries.value_or(s.request.retries));
        run_.SetRefuseHiddenPaths(!args.allowHiddenPaths);

        // Marks reach the file at most once a second, and a second after a
        // job ends at the latest: a crash loses no more than that.
        connect(&saver_, &ListSaver::saveFailed, this,
                [this](const QString& problem) { profile_.warning(problem); });
        connect(&run_, &DownloadRun::jobStarted, this, &GoSession::onStarted);
        connect(&run_, &DownloadRun::jobFinished, this, &GoSession::onFinished);
        connect(&run_, &DownloadRun::progress, this,
                [this](JobGrid::JobId id, qint64 received, qint64 expected) {
                    if (id == shown_)
                        report_.progress(received, expected);
                });
        connect(&run_, &DownloadRun::messageRequested, this,
                [this](const QString& text) { report_.note(text); });
        connect(&run_, &DownloadRun::waitingForHost, this,
                [this](JobGrid::JobId, qint64 seconds, bool retryAfter) {
                    report_.note(RunPanels::HostWaitText(seconds, retryAfter));
                });
        connect(&run_, &DownloadRun::requestEnded, this, &GoSession::onRequestEnded);
        connect(&run_, &DownloadRun::runFinished, this, [this](DownloadRun::End end) {
            end_ = end;
            loop_.quit();
        });
        connect(&interrupts_, &SignalNotifier::caught, this, &GoSession::onInterrupt);
    }

    /// Runs until the run ends; returns the exit code.
    int exec() {
        run_.GoButtonClick();
        if (run_.Running())
            loop_.exec();
        report_.finish();

        MarkCounts counts;
        for (const Job& job : grid_.Jobs())
            counts.add(job.status);
        const bool saved = saver_.Flush().isEmpty();
        report_.summary(counts.summary());
        if (const QString causes = ListEdits::FailureCauses(grid_, 5); !causes.isEmpty())
            report_.summary(QStringLiteral("Failed: ") + causes);
        if (!saved)
            return ExitError;
        if (end_ == DownloadRun::End::Cancelled)
            return ExitInterrupted;
        if (counts.total() == 0) {
            profile_.error(QStringLiteral("the job list is empty; add jobs with list-up or fetch"));
            return ExitFailure;
        }
        return counts.allSucceeded() ? ExitSuccess : ExitFailure;
    }

private:
    struct Pending {
        int row = 0;
        QString mark;
        QString reason;
    };

    void onStarted(JobGrid::JobId id) {
        const int row = grid_.RowOf(id);
        Request& request = requests_[id];
        request.clock.start();
        request.url = grid_.Url(row);
        shown_ = id;
        report_.jobStarted(row, grid_.JobCount(), DownloadRun::FileNamePart(grid_.Path(row)));
    }

    void onFinished(JobGrid::JobId id, JobList::Mark mark, const QString& reason) {
        const int row = grid_.RowOf(id);
        saver_.Changed();
        QString detail;
        if (const auto request = requests_.find(id); request != requests_.end()) {
            // The job of a request is told once the request has ended, with
            // what the transfer brought.
            request->pending = Pending{row, StatusMark::Glyph(mark), reason};
            return;
        }
        if (mark == JobList::Mark::Skipped)
            detail = QStringLiteral("exists");
        else if (mark == JobList::Mark::Small)
            detail = reason + QStringLiteral(" (removed)");
        else
            detail = reason;
        report_.jobFinished(StatusMark::Glyph(mark), row, grid_.JobCount(),
                            DownloadRun::FileNamePart(grid_.Path(row)), detail);
    }

    void onRequestEnded(JobGrid::JobId id, const DownloadOutcome& outcome) {
        const auto found = requests_.find(id);
        if (found == requests_.end())
            return;
        Request request = std::move(*found);
        requests_.erase(found);
        // The bytes of a job beside the one on the progress line count in
        // the rate all the same.
        if (id != shown_)
            report_.bytesElsewhere(outcome.received);
        const std::optional<Pending> pending = std::move(request.pending);
        const auto tell = [&](const QString& detail) {
            report_.jobFinished(pending->mark, pending->row, grid_.JobCount(),
                                DownloadRun::FileNamePart(grid_.Path(pending->row)), detail);
        };
        // A success is told as it came; the whole body is what the file
        // holds, so no stat is needed to say its size.
        const bool done = pending && pending->mark == StatusMark::Done;
        if (done)
            tell(QStringLiteral("%1 bytes").arg(outcome.received));
        // A failed job's reason, else what the reply said.
        const QString detail = pending && !done ? pending->reason : outcome.statusLine;
        report_.requestEnded(request.url, detail, outcome.received, request.clock.elapsed());
        if (pending && !done)
            tell(detail);
    }

    void onInterrupt(int signalNumber) {
        ++interrupts_seen_;
        if (!run_.Running())
            return;
        if (signalNumber == SIGTERM) {
            report_.note(
                QStringLiteral("Terminated: aborting the current job and saving the list."));
            run_.Abort();
        } else if (interrupts_seen_ == 1) {
            report_.note(run_.Parallel() > 1
                             ? QStringLiteral("Stopping after the jobs under way (Ctrl-C again "
                                              "aborts them).")
                             : QStringLiteral("Stopping after the current job (Ctrl-C again "
                                              "aborts it)."));
            run_.CancelBtnClick();
        } else {
            report_.note(QStringLiteral("Aborting the current job; the list is being saved."));
            run_.CancelBtnClick();
        }
        // The tick that stops the run comes at once, between two jobs or after
        // the current one, not after what may be a long --interval.
        run_.SetTickInterval(0);
    }

    CliProfile& profile_;
    JobGrid grid_;
    RunSession session_;
    DownloadRun& run_;
    ListSaver saver_;
    GoReport report_;
    // The third Ctrl-C ends the process at once.
    SignalNotifier interrupts_{{{SIGINT, 2}, {SIGTERM}}};
    QEventLoop loop_;
    int interrupts_seen_ = 0;
    // The requests under way, and the one the progress line shows (the
    // latest started).
    struct Request {
        QElapsedTimer clock;
        QString url;
        std::optional<Pending> pending;
    };
    QHash<JobGrid::JobId, Request> requests_;
    JobGrid::JobId shown_ = 0;
    DownloadRun::End end_ = DownloadRun::End::Completed;
};

// The jobs a run would fetch must have a folder to go to; without one every
// request would be made and thrown away.
bool checkFolders(CliProfile& profile, bool retryFailed) {
    const auto missing = ListEdits::FoldersToCreate(profile.jobs, retryFailed);
    if (missing.empty())
        return true;
    QString folder = missing.front().folder;
    if (folder.size() > 1 && (folder.endsWith('/') || folder.endsWith('\\')))
        folder.chop(1);
    profile.error(QStringLiteral("the save folder %1 of job %2 (%3) does not exist; "
                                 "create it, or clear the list and list it up again")
                      .arg(QDir::toNativeSeparators(folder))
                      .arg(missing.front().job + 1)
                      .arg(profile.jobs.url(missing.front().job)));
    return false;
}

} // namespace

const QList<CliOption>& GoOptions() {
    static const QList<CliOption> table =
        QList<CliOption>{
            {"skip-existing", 0, nullptr, "skip jobs whose file exists"},
            {"no-skip-existing", 0, nullptr, "fetch them again"},
            {"min-size", 0, "KB", "treat files of at most KB kilobytes as failed"},
            {"no-min-size", 0, nullptr, "keep files of any size"},
            {"interval", 0, "MS", "pause between jobs (default 200)"},
            {"rate", 0, "N/s", "start at most N requests a second to each server"},
            {"parallel", 0, "N", "fetch up to N files at once (1 to 16, default 1)"},
            {"retries", 0, "N",
             "try a job that failed for a passing reason (refused, cut, time-out, 5xx) up to N "
             "more times (0 to 10, default 2)"},
            {"retry-failed", 0, nullptr,
             "fetch the failed and given-up jobs (▼, ×) again from the server"},
            {"allow-hidden-paths", 0, nullptr,
             "fetch jobs whose path goes up with .. or into hidden files or folders too"},
            {"proxy", 0, "HOST:PORT",
             "fetch through this HTTP proxy ('': none, not the environment's)"},
            {"timeout", 0, "S", "idle time-out in seconds (default 60, 0: none)"},
            {"quiet", 'q', nullptr, "print only failed jobs, errors and the summary"},
            {"verbose", 'v', nullptr, "a line per request: status line, bytes, time"},
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
        return QStringLiteral("--skip-existing and --no-skip-existing exclude each other");
    if (const auto v = args.value("min-size")) {
        const auto kb = ParseDecimal(*v, 0, 2147483647);
        if (!kb)
            return QStringLiteral("--min-size needs kilobytes from 0 to 2147483647, not \"%1\"")
                .arg(*v);
        parsed.minSizeKB = int(*kb);
        parsed.check = true;
    }
    if (args.has("no-min-size")) {
        if (parsed.minSizeKB)
            return QStringLiteral("--min-size and --no-min-size exclude each other");
        parsed.check = false;
    }
    if (const auto v = args.value("interval")) {
        const auto ms = ParseDecimal(*v, 0, 86'400'000);
        if (!ms)
            return QStringLiteral("--interval needs milliseconds from 0 to 86400000, not \"%1\"")
                .arg(*v);
        parsed.intervalMs = int(*ms);
    }
    if (const auto v = args.value("rate")) {
        QString number = *v;
        if (number.endsWith(QStringLiteral("/s")))
            number.chop(2);
        bool ok = false;
        const double rate = number.toDouble(&ok);
        if (!ok || !(rate >= 0.001 && rate <= 1000))
            return QStringLiteral("--rate needs requests a second from 0.001 to 1000 (\"2\" or "
                                  "\"0.5/s\"), not \"%1\"")
                .arg(*v);
        parsed.ratePerSecond = rate;
    }
    if (const auto v = args.value("parallel")) {
        const auto n =
            ParseDecimal(*v, RequestSettings::kMinParallel, RequestSettings::kMaxParallel);
        if (!n)
            return QStringLiteral("--parallel needs a number of files from %1 to %2, not \"%3\"")
                .arg(RequestSettings::kMinParallel)
                .arg(RequestSettings::kMaxParallel)
                .arg(*v);
        parsed.parallel = int(*n);
    }
    if (const auto v = args.value("retries")) {
        const auto n = ParseDecimal(*v, RequestSettings::kMinRetries, RequestSettings::kMaxRetries);
        if (!n)
            return QStringLiteral("--retries needs a number of tries from %1 to %2, not \"%3\"")
                .arg(RequestSettings::kMinRetries)
                .arg(RequestSettings::kMaxRetries)
                .arg(*v);
        parsed.retries = int(*n);
    }
    parsed.retryFailed = args.has("retry-failed");
    parsed.allowHiddenPaths = args.has("allow-hidden-paths");
    if (const auto v = args.value("timeout")) {
        parsed.timeOutMs = ParseSecondsAsMs(*v, kMaxTimeOutS);
        if (!parsed.timeOutMs)
            return TimeOutProblem(*v);
    }
    if (const auto v = args.value("proxy")) {
        QString host;
        if (!v->isEmpty() && !ParseHostPort(*v, host, parsed.proxyPort))
            return QStringLiteral("--proxy needs HOST:PORT, not \"%1\"").arg(*v);
        parsed.proxyHost = host;
    }
    if (QString problem = ReadClientOptions(args, parsed.client); !problem.isEmpty())
        return problem;
    if (args.has("quiet") && args.has("verbose"))
        return QStringLiteral("--quiet and --verbose exclude each other");
    if (args.has("quiet"))
        parsed.verbosity = Verbosity::Quiet;
    if (args.has("verbose"))
        parsed.verbosity = Verbosity::Verbose;
    return {};
}

QString TimeOutProblem(const QString& text) {
    QString problem = QStringLiteral("--timeout needs seconds from 0 to %1, not \"%2\"")
                          .arg(kMaxTimeOutS)
                          .arg(text);
    // The old milliseconds of get: say what the number means now.
    if (const auto n = ParseDecimal(text, 0, 2147483647); n && *n > kMaxTimeOutS)
        problem += QStringLiteral(" (time-outs are in seconds: %1 ms is %2)")
                       .arg(*n)
                       .arg(double(*n) / 1000.0);
    return problem;
}

int Go(CliProfile& profile, const GoArgs& args, QTextStream& out) {
    // The saved request values this run sends, as far as no option replaces them.
    RequestSettings sent = profile.settings.request;
    if (args.client.userAgent)
        sent.userAgent.clear();
    if (args.client.referer || args.client.refererFromBaseUrl)
        sent.referer.clear();
    if (const QString problem = RequestSettingsProblem(sent); !problem.isEmpty()) {
        profile.error(problem);
        return ExitError;
    }
    if (!checkFolders(profile, args.retryFailed))
        return ExitError;
    // Output cut off (`go | head`) must not end the run unsaved: the writes
    // then fail quietly and the downloads go on.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        GoSession session(profile, args, out);
        return session.exec();
    } catch (const std::exception& e) {
        profile.error(QString::fromLocal8Bit(e.what()));
        return ExitError;
    }
}

namespace {

int runGo(const CliArgs& args, QTextStream& out, QTextStream& err) {
    GoArgs parsed;
    if (const QString problem = ReadGoArgs(args, parsed); !problem.isEmpty())
        return UsageError(GoCommand, problem, err);
    CliProfile profile(GoCommand.name, err);
    if (!profile.openToChangeJobs(args, true))
        return ExitError;
    return Go(profile, parsed, out);
}

} // namespace

const CliCommand GoCommand{
    "go",
    "",
    0,
    0,
    "Fetch the jobs of the job list one after another, as \"Go!\" does.",
    "Marks each job: ○ fetched, ▲ skipped (file existed), ▽ too small (removed),\n"
    "▼ failed, × given up, ↓ in progress. Jobs marked ○, ▲, ▽ or ▼ are passed\n"
    "over, so a second go resumes an interrupted list; --retry-failed fetches the\n"
    "▼ and × jobs again. A refused or cut connection, a time-out or a 5xx reply\n"
    "is tried again after a pause (--retries); a server that refused three\n"
    "connections in a row has its other jobs left untried for the next go.\n"
    "The options override the saved settings for this run only; without a proxy\n"
    "here or in the settings, the environment's is taken, as for get. The list is\n"
    "saved after finished jobs, at most once a second, and at the end. On a\n"
    "terminal a progress line is redrawn in place; elsewhere one line is printed\n"
    "per finished job. Ctrl-C stops after the current job, a second Ctrl-C aborts\n"
    "it. The time-out may have a fraction (0.5), up to 3600 seconds.",
    GoOptions,
    "  0    every job ended ○ or ▲\n"
    "  1    some job did not, or the job list is empty\n"
    "  2    bad arguments, unusable files or folders\n"
    "  130  stopped by Ctrl-C or SIGTERM\n",
    runGo,
};
