#include "cli/go_command.h"

#include "app/client_settings.h"
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/status_mark.h"
#include "cli/cli_args.h"
#include "cli/cli_profile.h"
#include "cli/client_options.h"
#include "cli/env_proxy.h"
#include "cli/go_report.h"
#include "cli/interrupt_notifier.h"
#include "cli/job_marks.h"
#include "cli/reply_status_line.h"
#include "http/nmhttp.h"
#include "platform/profile_dir.h"
#include "settings/job_list_file.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QSet>
#include <QTimer>
#include <csignal>
#include <unistd.h>

namespace {

// Marks reach the file at most this often, and this long after a job ends
// at the latest: a crash loses no more than the last second of a run.
constexpr qint64 kSaveEveryMs = 1000;

struct GoArgs {
    std::optional<bool> skip;
    std::optional<bool> check;
    std::optional<int> minSizeKB;
    int intervalMs = DownloadRun::kTickMs;
    std::optional<QString> proxyHost;
    int proxyPort = 0;
    std::optional<int> timeOutS;
    ClientOptions client;
};

QString parse(const QStringList& list, GoArgs& parsed) {
    CliArgs args(list);
    while (const auto arg = args.next()) {
        const auto number = [&](const char* what, qint64 high) -> std::optional<int> {
            const auto v = args.value(*arg, what);
            if (!v)
                return std::nullopt;
            const auto n = ParseDecimal(*v, 0, high);
            if (!n)
                args.fail(QStringLiteral("%1 needs %2 from 0 to %3, not \"%4\"")
                              .arg(*arg, QLatin1String(what))
                              .arg(high)
                              .arg(*v));
            return n ? std::optional<int>(int(*n)) : std::nullopt;
        };
        if (*arg == QLatin1String("--skip-existing")) {
            parsed.skip = true;
        } else if (*arg == QLatin1String("--no-skip-existing")) {
            parsed.skip = false;
        } else if (*arg == QLatin1String("--min-size")) {
            if (const auto kb = number("kilobytes", 2147483647)) {
                parsed.minSizeKB = *kb;
                parsed.check = true;
            }
        } else if (*arg == QLatin1String("--no-min-size")) {
            parsed.check = false;
        } else if (*arg == QLatin1String("--interval")) {
            if (const auto ms = number("milliseconds", 86'400'000))
                parsed.intervalMs = *ms;
        } else if (*arg == QLatin1String("--timeout")) {
            if (const auto s = number("seconds", 2'147'483))
                parsed.timeOutS = *s;
        } else if (*arg == QLatin1String("--proxy")) {
            if (const auto v = args.value(*arg, "HOST:PORT")) {
                QString host;
                if (ParseHostPort(*v, host, parsed.proxyPort))
                    parsed.proxyHost = host;
                else
                    args.fail(QStringLiteral("--proxy needs HOST:PORT, not \"%1\"").arg(*v));
            }
        } else if (ParseClientOption(*arg, args, parsed.client)) {
        } else {
            args.fail(QStringLiteral("unknown argument \"%1\"").arg(*arg));
        }
    }
    if (parsed.check == false && parsed.minSizeKB)
        args.fail(QStringLiteral("--min-size and --no-min-size exclude each other"));
    return args.problem();
}

// The run of one `go`: the grid, the client, the run, the saves and what is
// printed, wired together on one event loop.
class GoSession : public QObject {
public:
    GoSession(CliProfile& profile, const GoArgs& args, QTextStream& out)
        : profile_(profile)
        , client_(http_)
        , run_(grid_, client_)
        , report_(out, isatty(STDOUT_FILENO) == 1) {
        const Settings& s = profile.settings;
        grid_.Append(std::move(profile.jobs));
        http_.InputFileMode = true;
        ApplySettingsToClient(s, http_);
        ApplyClientOptions(args.client, http_);
        client_.SetRefererFromBaseUrl(args.client.referer ? false
                                                          : args.client.refererFromBaseUrl ||
                                                                s.request.refererIsBaseUrl);
        if (args.proxyHost) {
            http_.Proxy = *args.proxyHost;
            http_.ProxyPort = args.proxyPort;
        } else if (!s.proxyEnabled) {
            // As for curl: the environment names a proxy per URL.
            client_.SetBeforeGet([this](const QString& url) {
                QString problem;
                const auto proxy =
                    ProxyFromEnvironment(url, QProcessEnvironment::systemEnvironment(), &problem);
                if (!problem.isEmpty())
                    throw std::runtime_error(problem.toStdString());
                http_.Proxy = proxy ? proxy->host : QString();
                http_.ProxyPort = proxy ? proxy->port : 0;
            });
        }
        http_.SetTimeOut(args.timeOutS ? *args.timeOutS * 1000 : DownloadRun::kClientTimeOutMs);
        run_.SetSkipExisting(args.skip.value_or(s.skip));
        run_.SetSmallResultCheck(args.check.value_or(s.check));
        run_.SetSmallResultLimitKB(args.minSizeKB.value_or(s.minSize));
        run_.SetTickInterval(args.intervalMs);

        saveTimer_.setSingleShot(true);
        connect(&saveTimer_, &QTimer::timeout, this, [this] { save(); });
        connect(&run_, &DownloadRun::jobMarked, this, &GoSession::onMarked);
        connect(&run_, &DownloadRun::panelTextChanged, this, &GoSession::onPanel);
        connect(&run_, &DownloadRun::messageRequested, this,
                [this](const QString& text) { report_.note(text); });
        connect(&run_, &DownloadRun::requestEnded, this, &GoSession::onRequestEnded);
        connect(&run_, &DownloadRun::runFinished, this, [this](DownloadRun::End end) {
            end_ = end;
            loop_.quit();
        });
        connect(&interrupts_, &InterruptNotifier::interrupted, this, &GoSession::onInterrupt);
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
        const bool saved = save();
        report_.note(counts.summary());
        if (!saved)
            return ExitError;
        if (end_ == DownloadRun::End::Cancelled)
            return ExitInterrupted;
        return counts.allSucceeded() ? ExitSuccess : ExitFailure;
    }

private:
    struct Pending {
        int row = 0;
        QString mark;
    };

    void onMarked(JobGrid::JobId, int row, const QString& mark) {
        const QString name = DownloadRun::FileNamePart(grid_.Path(row));
        if (mark == StatusMark::Requested) {
            inRequest_ = true;
            errorText_.clear();
            report_.jobStarted(row, grid_.JobCount(), name);
            return;
        }
        scheduleSave();
        QString detail;
        if (mark == StatusMark::Done) {
            detail = QStringLiteral("%1 bytes").arg(QFileInfo(grid_.Path(row)).size());
        } else if (mark == StatusMark::Skipped) {
            detail = QStringLiteral("exists");
        } else if (mark == StatusMark::Small) {
            detail = QStringLiteral("too small, removed");
        } else if (inRequest_) {
            // A failure of the request: its reason is known when it has ended.
            pending_ = Pending{row, mark};
            return;
        } else if (mark == StatusMark::GivenUp) {
            detail = QStringLiteral("too small, given up");
        }
        report_.jobFinished(mark, row, grid_.JobCount(), name, detail);
    }

    void onPanel(int panel, const QString& text) {
        // Only the byte counts are the request's own; before its first block
        // the client still holds those of the request before.
        if (panel == 1 && text.startsWith(QStringLiteral("Bytes：")))
            report_.progress(client_.ReceivedBytes(), client_.ExpectedBytes());
        else if (panel == 0 && pending_ && !run_.Requesting())
            errorText_ = text; // the error of a request that threw, told after its mark
    }

    void onRequestEnded() {
        inRequest_ = false;
        if (!pending_)
            return;
        const Pending p = std::move(*pending_);
        pending_.reset();
        QString detail = errorText_;
        if (detail.isEmpty())
            detail = !http_.FailureReason.isEmpty() ? http_.FailureReason
                                                    : ReplyStatusLine(http_.Header);
        report_.jobFinished(p.mark, p.row, grid_.JobCount(),
                            DownloadRun::FileNamePart(grid_.Path(p.row)), detail);
    }

    void onInterrupt(int signalNumber) {
        ++interrupts_seen_;
        if (!run_.Running())
            return;
        if (signalNumber == SIGTERM) {
            report_.note(
                QStringLiteral("Terminated: aborting the current job and saving the list."));
            run_.CancelBtnClick();
            run_.CancelBtnClick();
        } else if (interrupts_seen_ == 1) {
            report_.note(
                QStringLiteral("Stopping after the current job (Ctrl-C again aborts it)."));
            run_.CancelBtnClick();
        } else {
            report_.note(QStringLiteral("Aborting the current job; the list is being saved."));
            run_.CancelBtnClick();
        }
        // The tick that stops the run comes at once, between two jobs or after
        // the current one, not after what may be a long --interval.
        run_.SetTickInterval(0);
    }

    void scheduleSave() {
        if (saveTimer_.isActive())
            return;
        const qint64 since = lastSave_.isValid() ? lastSave_.elapsed() : kSaveEveryMs;
        if (since >= kSaveEveryMs)
            save();
        else
            saveTimer_.start(int(kSaveEveryMs - since));
    }

    bool save() {
        saveTimer_.stop();
        lastSave_.start();
        const QString problem = JobListFile::save(ProfileDir::jobListFilePath(), grid_.Jobs());
        if (problem.isEmpty())
            return true;
        if (!saveFailed_)
            profile_.warning(problem);
        saveFailed_ = true;
        return false;
    }

    CliProfile& profile_;
    JobGrid grid_;
    TNMHTTP http_;
    HttpDownloadClient client_;
    DownloadRun run_;
    GoReport report_;
    InterruptNotifier interrupts_;
    QEventLoop loop_;
    QTimer saveTimer_;
    QElapsedTimer lastSave_;
    bool saveFailed_ = false;
    int interrupts_seen_ = 0;
    bool inRequest_ = false;
    QString errorText_;
    std::optional<Pending> pending_;
    DownloadRun::End end_ = DownloadRun::End::Completed;
};

// The jobs a run would fetch must have a folder to go to; without one every
// request would be made and thrown away.
bool checkFolders(CliProfile& profile) {
    QSet<QString> seen;
    qint64 row = 0;
    for (const Job& job : profile.jobs) {
        ++row;
        if (!StatusMark::IsFetched(job.status))
            continue;
        const QString dir = QFileInfo(job.path).absolutePath();
        if (seen.contains(dir))
            continue;
        seen.insert(dir);
        if (!QFileInfo(dir).isDir()) {
            profile.error(QStringLiteral("the save folder %1 of job %2 (%3) does not exist; "
                                         "create it, or clear the list and list it up again")
                              .arg(QDir::toNativeSeparators(dir))
                              .arg(row)
                              .arg(job.url));
            return false;
        }
    }
    return true;
}

int runGo(const QStringList& list, QTextStream& out, QTextStream& err) {
    GoArgs parsed;
    if (const QString problem = parse(list, parsed); !problem.isEmpty())
        return UsageError(GoCommand, problem, err);
    CliProfile profile(GoCommand.name, err);
    if (!profile.open(CliProfile::Access::Write) || !profile.loadJobs() ||
        !profile.loadSettings() || !checkFolders(profile))
        return ExitError;
    // Output cut off (`go | head`) must not end the run unsaved: the writes
    // then fail quietly and the downloads go on.
    std::signal(SIGPIPE, SIG_IGN);
    try {
        GoSession session(profile, parsed, out);
        return session.exec();
    } catch (const std::exception& e) {
        profile.error(QString::fromLocal8Bit(e.what()));
        return ExitError;
    }
}

} // namespace

const CliCommand GoCommand{
    "go",
    "[--skip-existing | --no-skip-existing] [--min-size KB | --no-min-size]\n"
    "      [--interval MS] [--proxy HOST:PORT] [--timeout S]\n"
    "      [--no-tls] [--cacert FILE] [--user-agent TEXT]\n"
    "      [--referer URL | --referer-base] [--header 'NAME: VALUE']...\n"
    "      Fetch the jobs of the job list one after another, as \"Go!\" does, and\n"
    "      mark each: ○ fetched, ▲ skipped (file existed), ▽ too small (removed),\n"
    "      ▼ failed, × given up, ↓ in progress. Jobs marked ○, ▲, ▽ or ▼ are passed\n"
    "      over, so a second go resumes an interrupted list. The options override\n"
    "      the saved settings for this run only: skip files that exist; treat files\n"
    "      of at most KB kilobytes as failed (0: only empty ones); the pause between\n"
    "      jobs (default 200 ms); the proxy (without one here or in the settings,\n"
    "      the environment's, as for get); the idle time-out (default 60 s, 0:\n"
    "      none); TLS and the request lines, as for get. The list is saved after\n"
    "      finished jobs, at most once a second, and at the end. Ctrl-C stops\n"
    "      after the current job, a second Ctrl-C aborts it.\n"
    "      Exit 0 when every job ends ○ or ▲, 1 when some did not, 2 on bad\n"
    "      arguments or unusable files, 130 when stopped by Ctrl-C or SIGTERM.",
    runGo,
};
