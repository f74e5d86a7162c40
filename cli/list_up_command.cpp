#include "cli/list_up_command.h"

#include "app/series.h"
#include "cli/cli_args.h"
#include "cli/cli_profile.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <new>

namespace {

struct ListUpArgs {
    std::optional<QString> url, head, start, end, tail, dir;
    std::optional<int> digits;
    bool force = false;
};

QString parse(const QStringList& list, ListUpArgs& parsed) {
    CliArgs args(list);
    while (const auto arg = args.next()) {
        const auto text = [&](std::optional<QString>& into) {
            if (const auto v = args.value(*arg, "a text"))
                into = *v;
        };
        if (*arg == QLatin1String("--url"))
            text(parsed.url);
        else if (*arg == QLatin1String("--head"))
            text(parsed.head);
        else if (*arg == QLatin1String("--start"))
            text(parsed.start);
        else if (*arg == QLatin1String("--end"))
            text(parsed.end);
        else if (*arg == QLatin1String("--tail"))
            text(parsed.tail);
        else if (*arg == QLatin1String("--dir")) {
            if (const auto v = args.value(*arg, "a folder")) {
                if (v->isEmpty())
                    args.fail(QStringLiteral("--dir needs a folder"));
                parsed.dir = *v;
            }
        } else if (*arg == QLatin1String("--digits")) {
            if (const auto v = args.value(*arg, "a number")) {
                const auto n = ParseDecimal(*v, -2147483647 - 1, 2147483647);
                if (n)
                    parsed.digits = int(*n);
                else
                    args.fail(QStringLiteral("--digits needs a whole number, not \"%1\"").arg(*v));
            }
        } else if (*arg == QLatin1String("--force")) {
            parsed.force = true;
        } else {
            args.fail(QStringLiteral("unknown argument \"%1\"").arg(*arg));
        }
    }
    return args.problem();
}

int runListUp(const QStringList& list, QTextStream& out, QTextStream& err) {
    ListUpArgs parsed;
    if (const QString problem = parse(list, parsed); !problem.isEmpty())
        return UsageError(ListUpCommand, problem, err);

    CliProfile profile(ListUpCommand.name, err);
    profile.overwriteUnloaded = parsed.force;
    if (!profile.open(CliProfile::Access::Write) || !profile.loadJobs() ||
        !profile.mayWriteJobs() || !profile.loadSettings())
        return ExitError;
    Settings& s = profile.settings;

    // The inputs, as the window holds them after its start-up and the user's
    // typing: the edit text of the URL box is the first history item.
    if (parsed.url)
        s.url = *parsed.url;
    if (parsed.head)
        s.head = *parsed.head;
    if (parsed.digits)
        s.num = *parsed.digits;
    if (parsed.tail)
        s.back = *parsed.tail;
    if (parsed.dir) {
        // The jobs outlive this shell's working folder: the window, or a go
        // started elsewhere, must find the same folder. Names are glued to
        // it as they stand, so without its "/" every file would land beside
        // it under a longer name.
        s.path = QDir(*parsed.dir).absolutePath();
        if (!s.path.endsWith(QLatin1Char('/')))
            s.path += QLatin1Char('/');
    }
    // Leaving the start and end fields normalises them in the window.
    s.start = NormaliseSeriesNumber(parsed.start ? *parsed.start : s.start);
    s.end = NormaliseSeriesNumber(parsed.end ? *parsed.end : s.end);

    // Refusals change nothing on disk: a command either does what it says or
    // leaves the files as they were.
    const auto start = ParseSeriesNumber(s.start);
    if (!start) {
        profile.error(SeriesErrorMessage(SeriesError::StartNotInteger, {}, s.start));
        return ExitError;
    }
    const auto end = ParseSeriesNumber(s.end);
    if (!end) {
        profile.error(SeriesErrorMessage(SeriesError::EndNotInteger, {}, s.end));
        return ExitError;
    }
    SeriesSpec spec;
    spec.baseUrl = s.url;
    spec.saveDir = s.path;
    spec.head = s.head;
    spec.digits = s.num;
    spec.start = *start;
    spec.end = *end;
    spec.tail = s.back;
    if (const SeriesError refusal = CheckSeries(spec, qint64(profile.jobs.size()));
        refusal != SeriesError::None) {
        profile.error(SeriesErrorMessage(refusal, spec));
        return ExitError;
    }
    if (!QFileInfo(s.path).isDir()) {
        profile.error(QStringLiteral("the save folder %1 does not exist; create it or give "
                                     "another with --dir")
                          .arg(QDir::toNativeSeparators(s.path)));
        return ExitError;
    }

    AppendToUrlHistory(s.urlHistory, s.url);

    std::vector<Job> added;
    try {
        added = ExpandSeries(spec);
        profile.jobs.insert(profile.jobs.end(), added.begin(), added.end());
    } catch (const std::bad_alloc&) {
        profile.error(QStringLiteral("not enough memory to list the series up"));
        return ExitError;
    }

    // The window's close order: the settings, then the job list.
    if (!profile.storeSettings() || !profile.saveJobs(profile.jobs))
        return ExitError;

    out << "URL:     " << s.url << "\n";
    out << "Folder:  " << s.path << "\n";
    if (const auto preview = SeriesPreview(s.head, *start, *end, s.num, s.back))
        out << "Preview: " << *preview << "\n";
    out << "Added " << added.size() << " jobs; " << profile.jobs.size() << " in the list.\n";
    return ExitSuccess;
}

} // namespace

const CliCommand ListUpCommand{
    "list-up",
    "[--url BASE] [--head TEXT] [--digits N] [--start TEXT] [--end TEXT]\n"
    "      [--tail TEXT] [--dir DIR] [--force]\n"
    "      Append one job per number from start to end to the job list: URL = BASE +\n"
    "      name, file = DIR + name, name = head + number padded to N digits + tail.\n"
    "      Each option defaults to the saved input (the URL to the first of the URL\n"
    "      history); given options are saved, and BASE is added to the history.\n"
    "      Start and end keep only their digits. DIR must exist; it is kept as a\n"
    "      full path ending in \"/\". Prints the first and last name and the count\n"
    "      added. --force saves also over jobs after an empty row that were not\n"
    "      loaded.",
    runListUp,
};
