#include "cli/list_up_command.h"

#include "app/list_edits.h"
#include "app/open_series.h"
#include "app/series.h"
#include "cli/cli_args.h"
#include "cli/cli_profile.h"
#include "http/request_lines.h"
#include "http/url_credentials.h"
#include "settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPair>
#include <QSet>
#include <new>
#include <utility>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> table{
        {"url", 0, "BASE", QT_TRANSLATE_NOOP("CliOption", "base URL, ending in /")},
        {"head", 0, "TEXT", QT_TRANSLATE_NOOP("CliOption", "file name before the number")},
        {"digits", 0, "N", QT_TRANSLATE_NOOP("CliOption", "the number padded to N digits")},
        {"start", 0, "TEXT", QT_TRANSLATE_NOOP("CliOption", "first number")},
        {"end", 0, "TEXT",
         QT_TRANSLATE_NOOP("CliOption", "last number, or \"open\": found by the run")},
        {"misses", 0, "N",
         QT_TRANSLATE_NOOP("CliOption", "with an open end: N missing numbers in a row end it "
                                        "(default 3)")},
        {"tail", 0, "TEXT", QT_TRANSLATE_NOOP("CliOption", "file name after the number")},
        {"dir", 'd', "DIR", QT_TRANSLATE_NOOP("CliOption", "save folder (made when missing)")},
        kForceOption,
    };
    return table;
}

} // namespace

int ListUp(CliProfile& profile, const ListUpInputs& parsed, ListedJobs listed, QTextStream& out,
           qint64& addedCount) {
    addedCount = 0;
    Settings& s = profile.settings;
    // The inputs, as the window holds them after its start-up and the user's
    // typing: the edit text of the URL box is the first history item.
    if (parsed.url)
        s.url = *parsed.url;
    // A login is never listed: not in the jobs, the history or what is shown.
    if (const UrlCredentials taken = TakeCredentials(s.url); taken.hasUser) {
        s.url = taken.url;
        profile.warning(QCoreApplication::translate(
            "ListUpCommand", "the user name and password in the URL are not kept in the list; "
                             "give them to go with --user, or in ~/.netrc with --netrc"));
    }
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
    if (parsed.openEnd)
        s.openEnd = *parsed.openEnd;
    if (parsed.misses)
        s.misses = *parsed.misses;

    // Refusals change nothing on disk: a command either does what it says or
    // leaves the files as they were.
    // What goes into every job's URL may not hold a byte that could end its
    // request line early.
    for (const auto& [what, value] :
         {std::pair{QT_TRANSLATE_NOOP("ListUpCommand", "base URL"), s.url},
          std::pair{QT_TRANSLATE_NOOP("ListUpCommand", "head"), s.head},
          std::pair{QT_TRANSLATE_NOOP("ListUpCommand", "tail"), s.back}}) {
        if (const QString control = RequestLines::ControlByte(value.toUtf8()); !control.isEmpty()) {
            profile.error(QCoreApplication::translate("ListUpCommand", "the %1 \"%2\" holds %3")
                              .arg(QCoreApplication::translate("ListUpCommand", what),
                                   RequestLines::Shown(value.toUtf8()), control));
            return ExitError;
        }
    }
    const auto start = ParseSeriesNumber(s.start);
    if (!start) {
        profile.error(SeriesErrorMessage(SeriesError::StartNotInteger, {}, s.start));
        return ExitError;
    }
    // An open end lists its first number; the run lists the others as the
    // answers come in. End keeps the number last written.
    const auto end = s.openEnd ? start : ParseSeriesNumber(s.end);
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
    spec.step = parsed.step;
    // The series is refused before the folder is looked at, as the window does.
    ListedSeries series;
    try {
        QSet<QPair<QString, QString>> present;
        std::function<bool(const Job&)> listedAlready;
        if (listed == ListedJobs::Skip) {
            for (const Job& job : profile.jobs)
                present.insert({job.url, job.path});
            listedAlready = [&](const Job& job) { return present.contains({job.url, job.path}); };
        }
        series = ListUpSeries(spec, qint64(profile.jobs.size()), listedAlready);
    } catch (const std::bad_alloc&) {
        profile.error(QCoreApplication::translate("ListUpCommand",
                                                  "not enough memory to list the series up"));
        return ExitError;
    }
    if (series.refusal != SeriesError::None) {
        profile.error(SeriesErrorMessage(series.refusal, spec));
        return ExitError;
    }
    if (s.openEnd) {
        const OpenSeries open =
            OpenSeriesOf(s.url, s.head, s.num, *start, s.back, s.path, s.misses);
        if (const QString problem = OpenSeriesProblem(open); !problem.isEmpty()) {
            profile.error(problem);
            return ExitError;
        }
        series.jobs.addOpenSeries(open);
    }
    if (const QString problem = CreateDefaultSaveFolder(s.path); !problem.isEmpty())
        profile.warning(problem);
    // A folder that is not there yet is made, with its parents, as curl's
    // --create-dirs and wget do.
    if (!QFileInfo(s.path).isDir() && !QDir().mkpath(s.path)) {
        profile.error(
            QCoreApplication::translate("ListUpCommand", "the save folder %1 could not be created")
                .arg(QDir::toNativeSeparators(s.path)));
        return ExitError;
    }

    RaiseInUrlHistory(s.urlHistory, s.url);
    if (const QString taken =
            ListEdits::PathsTakenWarning(ListEdits::PathsTaken(profile.jobs, series.jobs));
        !taken.isEmpty())
        profile.warning(taken);
    const size_t added = series.jobs.size();
    const size_t already = series.alreadyListed;
    try {
        profile.jobs.append(std::move(series.jobs));
    } catch (const std::bad_alloc&) {
        profile.error(QCoreApplication::translate("ListUpCommand",
                                                  "not enough memory to list the series up"));
        return ExitError;
    }

    // The window's close order: the settings, then the job list.
    if (!profile.storeSettings() || !profile.saveJobs(profile.jobs))
        return ExitError;

    out << QCoreApplication::translate("ListUpCommand", "URL:     %1").arg(s.url) << "\n";
    out << QCoreApplication::translate("ListUpCommand", "Folder:  %1").arg(s.path) << "\n";
    if (const auto preview =
            s.openEnd ? OpenEndPreview(SeriesFileName(s.head, *start, s.num, s.back), s.misses)
                      : SeriesPreview(s.head, *start, *end, s.num, s.back))
        out << QCoreApplication::translate("ListUpCommand", "Preview: %1").arg(*preview) << "\n";
    if (already > 0)
        out << QCoreApplication::translate("ListUpCommand",
                                           "Added %1 jobs (%2 listed already); %3 in the list.")
                   .arg(added)
                   .arg(already)
                   .arg(profile.jobs.size());
    else
        out << QCoreApplication::translate("ListUpCommand", "Added %1 jobs; %2 in the list.")
                   .arg(added)
                   .arg(profile.jobs.size());
    out << "\n";
    addedCount = qint64(added);
    return ExitSuccess;
}

namespace {

int runListUp(const CliArgs& args, QTextStream& out, QTextStream& err) {
    ListUpInputs inputs;
    inputs.url = args.value("url");
    inputs.head = args.value("head");
    inputs.start = args.value("start");
    inputs.end = args.value("end");
    if (inputs.end) {
        inputs.openEnd = *inputs.end == QLatin1String("open");
        if (*inputs.openEnd)
            inputs.end.reset();
    }
    QString problem;
    inputs.misses = ReadMisses(args, problem);
    if (!problem.isEmpty())
        return UsageError(ListUpCommand, problem, err);
    inputs.tail = args.value("tail");
    inputs.dir = args.value("dir");
    if (inputs.dir && inputs.dir->isEmpty())
        return UsageError(ListUpCommand,
                          QCoreApplication::translate("ListUpCommand", "--dir needs a folder"),
                          err);
    if (const auto digits = args.value("digits")) {
        const auto n = ParseDecimal(*digits, -2147483647 - 1, 2147483647);
        if (!n)
            return UsageError(ListUpCommand,
                              QCoreApplication::translate(
                                  "ListUpCommand", "--digits needs a whole number, not \"%1\"")
                                  .arg(*digits),
                              err);
        inputs.digits = int(*n);
    }

    CliProfile profile(ListUpCommand.name, err);
    if (!profile.openToChangeJobs(args, true))
        return ExitError;
    qint64 added = 0;
    if (const int code = ListUp(profile, inputs, ListedJobs::Append, out, added); code != 0)
        return code;
    if (added == 0) {
        // The window lists nothing for a reversed range and says nothing; a
        // script must hear of it.
        profile.error(QCoreApplication::translate(
                          "ListUpCommand", "nothing added: the start number %1 is after the end "
                                           "number %2")
                          .arg(profile.settings.start, profile.settings.end));
        return ExitFailure;
    }
    return ExitSuccess;
}

} // namespace

const CliCommand ListUpCommand{
    "list-up",
    "",
    0,
    0,
    QT_TRANSLATE_NOOP("CliCommand", "Append one job per number of a series to the job list."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "Appends one job per number from start to end: URL = BASE + name, file =\n"
                      "DIR + name, name = head + number padded to N digits + tail. Each option\n"
                      "defaults to the saved input (the URL to the first of the URL history);\n"
                      "given options are saved, and BASE is added to the history. Start and end\n"
                      "keep only their digits. DIR is made when missing and kept as a full path\n"
                      "ending in \"/\". --end open lists the first number and keeps the series\n"
                      "with the list: go lists the others as files are found, until --misses\n"
                      "numbers in a row are missing. Prints the first and last name and the count\n"
                      "added."),
    options,
    QT_TRANSLATE_NOOP("CliCommand",
                      "  0    jobs were added\n"
                      "  1    nothing was added (the start number is after the end number)\n"
                      "  2    bad arguments, a refused series, unusable files or folders\n"),
    runListUp,
};
