#include "cli/fetch_command.h"

#include "app/pattern_jobs.h"
#include "app/series.h"
#include "app/url_pattern.h"
#include "cli/cli_profile.h"
#include "cli/go_command.h"
#include "cli/list_up_command.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QSet>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> table = [] {
        QList<CliOption> own{
            {"dir", 'd', "DIR",
             QT_TRANSLATE_NOOP("CliOption", "save folder (default: the current folder)")},
            {"output", 'o', "NAME",
             QT_TRANSLATE_NOOP("CliOption", "name the files NAME, #1, #2 … for the values")},
            {"misses", 0, "N",
             QT_TRANSLATE_NOOP("CliOption", "with an open end ([001-]): missing numbers in a "
                                            "row that end the series (1 to 100, default 3)")}};
        return own + GoOptions();
    }();
    return table;
}

// The URL split the way List Up joins it: base + head + number + tail.
// Returns the problem, or the empty text.
QString splitRange(const QString& url, ListUpInputs& inputs) {
    const qsizetype open = url.indexOf(QLatin1Char('['));
    const qsizetype close = url.indexOf(QLatin1Char(']'), open + 1);
    const qsizetype slash = url.lastIndexOf(QLatin1Char('/'), open < 0 ? -1 : open);
    inputs.url = url.left(slash + 1);
    if (open < 0) {
        // One job: the whole file name is the head, with no number.
        inputs.head = url.mid(slash + 1);
        if (inputs.head->isEmpty())
            return QCoreApplication::translate("FetchCommand",
                                               "the URL names no file: it ends in \"/\"");
        inputs.digits = 0;
        inputs.start = inputs.end = QStringLiteral("1");
        inputs.tail = QString();
        return {};
    }
    if (close < 0)
        return QCoreApplication::translate("FetchCommand",
                                           "the range in the URL has no closing \"]\"");
    const QString tail = url.mid(close + 1);
    if (tail.contains(QLatin1Char('[')))
        return QCoreApplication::translate(
            "FetchCommand", "only one [range] per URL; list the others up with list-up");
    if (tail.contains(QLatin1Char('/')))
        return QCoreApplication::translate(
            "FetchCommand", "the range must be in the file name, after the last \"/\"");
    static const QRegularExpression form(QStringLiteral("^([0-9]+)-([0-9]+)(?::([0-9]+))?$"));
    const QString range = url.mid(open + 1, close - open - 1);
    const QRegularExpressionMatch m = form.match(range);
    if (!m.hasMatch())
        return QCoreApplication::translate(
                   "FetchCommand", "the range [%1] must be numbers, as in [001-040] or [1-40:2]")
            .arg(range);
    const auto start = ParseSeriesNumber(m.captured(1));
    const auto end = ParseSeriesNumber(m.captured(2));
    const auto step =
        m.captured(3).isEmpty() ? std::optional<qint32>(1) : ParseSeriesNumber(m.captured(3));
    if (!start || !end || !step || *step < 1)
        return QCoreApplication::translate(
                   "FetchCommand", "the range [%1] needs numbers up to 2147483647 and a step of at "
                                   "least 1")
            .arg(range);
    if (*start > *end)
        return QCoreApplication::translate("FetchCommand", "the range [%1] starts after it ends")
            .arg(range);
    inputs.head = url.mid(slash + 1, open - slash - 1);
    // As curl pads: a first number written with leading zeros gives the
    // width ("001": three digits); otherwise none.
    const QString first = m.captured(1);
    inputs.digits = first.size() > 1 && first.startsWith(QLatin1Char('0')) ? int(first.size()) : 1;
    inputs.start = m.captured(1);
    inputs.end = m.captured(2);
    inputs.step = *step;
    inputs.tail = tail;
    return {};
}

// A pattern beyond one numeric range in the file name (ranges in folders,
// several of them, letters, lists): one job per URL of the product, each
// saved under the varying part of its path, or as `output` names it. Jobs
// listed by an earlier fetch of the same URL are not listed again: their
// marks tell go what is left. With an open end, the first job and the
// series, kept with the list so that a go after a stop carries it on.
int listUpPattern(CliProfile& profile, const PatternInputs& in, QTextStream& out) {
    PatternJobs listed = ListUpPattern(in, profile.jobs, true);
    if (!listed.refusal.isEmpty()) {
        profile.error(listed.refusal);
        return ExitError;
    }
    const qint64 added = qint64(listed.jobs.size());
    profile.jobs.append(std::move(listed.jobs));
    if (!profile.saveJobs(profile.jobs))
        return ExitError;
    const UrlPattern pattern = UrlPattern::Parse(in.pattern);
    out << QCoreApplication::translate("FetchCommand", "Pattern: %1")
               .arg(pattern.OpenEnd() ? in.pattern : pattern.UrlAt(0))
        << "\n";
    out << QCoreApplication::translate("ListUpCommand", "Folder:  %1")
               .arg(FolderWithSlash(in.folder))
        << "\n";
    if (!pattern.OpenEnd())
        out << QCoreApplication::translate("FetchCommand",
                                           "Added %1 jobs (%2 listed already); %3 in the list.")
                   .arg(added)
                   .arg(listed.already)
                   .arg(profile.jobs.size())
            << "\n";
    return ExitSuccess;
}

// The described series, one numeric range in the file name, is listed up as
// list-up lists it; anything more is a pattern.
bool OneRangeInTheFileName(const QString& url, const UrlPattern& pattern) {
    return pattern.GlobCount() <= 1 && !url.contains(QLatin1String("://[")) &&
           !url.contains(QLatin1Char('{')) && !url.contains(QLatin1Char('\\'));
}

int runFetch(const CliArgs& args, QTextStream& out, QTextStream& err) {
    GoArgs go;
    // A user and password in the URL are the run's, never the list's.
    const QString url = go.logins.TakeFromUrl(args.operands().first());
    if (!url.contains(QLatin1String("://")))
        return UsageError(
            FetchCommand,
            QCoreApplication::translate("FetchCommand", "\"%1\" is not a URL (http://host/path)")
                .arg(url),
            err);
    const UrlPattern pattern = UrlPattern::Parse(url);
    if (!pattern.IsValid())
        return UsageError(FetchCommand, pattern.Error(), err);
    ListUpInputs inputs;
    bool described = false;
    if (!pattern.HasPattern() && !url.contains(QLatin1String("://[")) && !args.value("output")) {
        // One file, or no URL at all: said as list-up would say it.
        if (const QString problem = splitRange(url, inputs); !problem.isEmpty())
            return UsageError(FetchCommand, problem, err);
        described = true;
    } else if (OneRangeInTheFileName(url, pattern) && !pattern.OpenEnd() && !args.value("output")) {
        described = splitRange(url, inputs).isEmpty();
    }
    inputs.dir = args.value("dir").value_or(QDir::currentPath());
    if (inputs.dir->isEmpty())
        return UsageError(FetchCommand,
                          QCoreApplication::translate("FetchCommand", "--dir needs a folder"), err);
    if (const QString problem = ReadGoArgs(args, go); !problem.isEmpty())
        return UsageError(FetchCommand, problem, err);
    QString problem;
    const int misses = ReadMisses(args, problem).value_or(OpenSeries::kDefaultMisses);
    if (!problem.isEmpty())
        return UsageError(FetchCommand, problem, err);

    CliProfile profile(FetchCommand.name, err);
    if (!profile.openToChangeJobs(args, described))
        return ExitError;
    QString discarded;
    QTextStream quiet(&discarded);
    QTextStream& shown = go.verbosity == Verbosity::Quiet ? quiet : out;
    qint64 added = 0;
    const int code =
        described
            ? ListUp(profile, inputs, ListedJobs::Skip, shown, added)
            : listUpPattern(profile,
                            {url, *inputs.dir, args.value("output").value_or(QString()), misses},
                            shown);
    if (code != ExitSuccess)
        return code;
    return Go(profile, go, out);
}

} // namespace

const CliCommand FetchCommand{
    "fetch",
    "URL",
    1,
    1,
    QT_TRANSLATE_NOOP("CliCommand",
                      "List up a URL with [ranges] and {lists} and fetch it: list-up and go in "
                      "one."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "A numeric range in the file name of URL, as curl writes it, gives the\n"
                      "series: pic[001-040].jpg is pic001.jpg to pic040.jpg (a first number with\n"
                      "leading zeros sets the width), pic[1-40:2].jpg every second number; it is\n"
                      "listed up as list-up would (the inputs stored, the base URL added to the\n"
                      "history). More is a pattern, as curl's globbing has it: ranges in folders\n"
                      "too and several of them (ch[01-10]/p[001-030].jpg: their product, the\n"
                      "leftmost outermost), letters (plate_[a-h].jpg), lists ({front,back}); the\n"
                      "innermost range may be left open (img_[001-].jpg): the run fetches on\n"
                      "until --misses numbers in a row are missing, and takes those misses off\n"
                      "the list (a miss that a later file follows stays a failed job). Each\n"
                      "file keeps the varying part of the path (ch01/p001.jpg, folders made as\n"
                      "needed), or is named by -o, where #1, #2 … stand for the values (-o\n"
                      "'#1-#2.jpg'). \\[ and \\{ stand for themselves. A URL without a range is\n"
                      "one job. Jobs the list holds already are not added again; then go runs\n"
                      "over the whole list with the options given, so running the same fetch\n"
                      "again resumes it. Quote the URL, so that the shell leaves the brackets\n"
                      "alone."),
    options,
    QT_TRANSLATE_NOOP("CliCommand",
                      "  0    every job ended ○ or ▲\n"
                      "  1    some job did not\n"
                      "  2    bad arguments, a refused series, unusable files or folders\n"
                      "  130  stopped by Ctrl-C or SIGTERM\n"),
    runFetch,
};
