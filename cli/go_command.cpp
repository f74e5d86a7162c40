#include "cli/go_command.h"

#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/list_saver.h"
#include "app/open_series.h"
#include "app/run_panels.h"
#include "app/run_session.h"
#include "app/series.h"
#include "app/status_mark.h"
#include "cli/cli_args.h"
#include "cli/cli_profile.h"
#include "cli/client_options.h"
#include "cli/go_report.h"
#include "cli/job_marks.h"
#include "cli/run_client.h"
#include "http/nmhttp.h"
#include "platform/signal_notifier.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <csignal>
#include <unistd.h>

namespace {

// The run of one `go`: the grid, the client, the run, the saves and what is
// printed, wired together on one event loop.
class GoSession : public QObject {
public:
    GoSession(CliProfile& profile, const GoArgs& args, QTextStream& out)
        : profile_(profile)
        , logins_(args.logins)
        , client_(args.client)
        , session_(grid_)
        , run_(session_.Run())
        , saver_(grid_, [this] { return profile_.session().saveJobs(grid_.Jobs()); })
        , openSeries_(run_, grid_)
        , report_(out, isatty(STDOUT_FILENO) == 1, args.verbosity) {
        const Settings& s = profile.settings;
        grid_.Append(std::move(profile.jobs));
        saver_.Loaded();
        if (args.retryFailed && ListEdits::ClearFailedMarks(grid_) > 0)
            saver_.Changed();
        QStringList warnings;
        const ClientConfig config = RunClient::SetUp(s, args, session_.Http(), logins_, warnings);
        for (const QString& warning : warnings)
            profile.warning(warning);
        session_.Prepare(config, args.parallel.value_or(s.request.parallel));
        run_.SetSkipExisting(args.skip.value_or(s.skip));
        run_.SetSmallResultCheck(args.check.value_or(s.check));
        run_.SetSmallResultLimitKB(args.minSizeKB.value_or(s.minSize));
        run_.SetTickInterval(args.intervalMs.value_or(s.request.intervalMs));
        run_.SetRateLimit(args.ratePerSecond);
        run_.SetRandomWait(args.randomWait);
        run_.SetRetries(args.retries.value_or(s.request.retries));
        run_.SetRemoteTime(args.remoteTime.value_or(s.request.remoteTime));
        run_.SetRefuseHiddenPaths(!args.allowHiddenPaths);
        // An open end lists its numbers as the answers come in.
        for (const QString& problem : openSeries_.Start(run_.Parallel(), kMaxJobsPerListUp))
            profile_.warning(problem);

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
        if (const QString problem = SaveCookieJar(client_, session_.Http()); !problem.isEmpty())
            profile_.warning(problem);
        report_.summary(counts.summary());
        if (const QString causes = ListEdits::FailureCauses(grid_, 5); !causes.isEmpty())
            report_.summary(QCoreApplication::translate("GoCommand", "Failed: %1").arg(causes));
        if (!saved)
            return ExitError;
        if (end_ == DownloadRun::End::Cancelled)
            return ExitInterrupted;
        if (counts.total() == 0) {
            profile_.error(QCoreApplication::translate(
                "GoCommand", "the job list is empty; add jobs with list-up or fetch"));
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
            detail = QCoreApplication::translate("GoCommand", "exists");
        else if (mark == JobList::Mark::Small)
            detail = QCoreApplication::translate("GoCommand", "%1 (removed)").arg(reason);
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
            tell(QCoreApplication::translate("GoCommand", "%1 bytes").arg(outcome.received));
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
            report_.note(QCoreApplication::translate(
                "GoCommand", "Terminated: aborting the current job and saving the list."));
            run_.Abort();
        } else if (interrupts_seen_ == 1) {
            report_.note(run_.Parallel() > 1
                             ? QCoreApplication::translate(
                                   "GoCommand", "Stopping after the jobs under way (Ctrl-C again "
                                                "aborts them).")
                             : QCoreApplication::translate(
                                   "GoCommand", "Stopping after the current job (Ctrl-C again "
                                                "aborts it)."));
            run_.CancelBtnClick();
        } else {
            report_.note(QCoreApplication::translate(
                "GoCommand", "Aborting the current job; the list is being saved."));
            run_.CancelBtnClick();
        }
        // The tick that stops the run comes at once, between two jobs or after
        // the current one, not after what may be a long --interval.
        run_.SetTickInterval(0);
    }

    CliProfile& profile_;
    RunLogins logins_;
    ClientOptions client_;
    JobGrid grid_;
    RunSession session_;
    DownloadRun& run_;
    ListSaver saver_;
    OpenSeriesRuns openSeries_;
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
// request would be made and thrown away. A folder that is gone is made
// again; one that cannot be made stops the run before its first request.
bool prepareFolders(CliProfile& profile, bool retryFailed) {
    for (const ListEdits::MissingFolder& missing :
         ListEdits::FoldersToCreate(profile.jobs, retryFailed)) {
        if (QDir().mkpath(missing.folder))
            continue;
        QString folder = missing.folder;
        if (folder.size() > 1 && (folder.endsWith('/') || folder.endsWith('\\')))
            folder.chop(1);
        profile.error(QCoreApplication::translate(
                          "GoCommand", "the save folder %1 of job %2 (%3) could not be created")
                          .arg(QDir::toNativeSeparators(folder))
                          .arg(missing.job + 1)
                          .arg(profile.jobs.url(missing.job)));
        return false;
    }
    return true;
}

} // namespace

int Go(CliProfile& profile, const GoArgs& args, QTextStream& out) {
    if (const QString problem = RunClient::SettingsProblem(profile.settings, args);
        !problem.isEmpty()) {
        profile.error(problem);
        return ExitError;
    }
    if (!prepareFolders(profile, args.retryFailed))
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
    QT_TRANSLATE_NOOP("CliCommand",
                      "Fetch the jobs of the job list one after another, as \"Go!\" does."),
    QT_TRANSLATE_NOOP(
        "CliCommand",
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
        "it. The time-out may have a fraction (0.5), up to 3600 seconds."),
    GoOptions,
    QT_TRANSLATE_NOOP("CliCommand", "  0    every job ended ○ or ▲\n"
                                    "  1    some job did not, or the job list is empty\n"
                                    "  2    bad arguments, unusable files or folders\n"
                                    "  130  stopped by Ctrl-C or SIGTERM\n"),
    runGo,
};
