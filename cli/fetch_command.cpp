#include "cli/fetch_command.h"

#include "app/series.h"
#include "cli/cli_profile.h"
#include "cli/go_command.h"
#include "cli/list_up_command.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> table = [] {
        QList<CliOption> own{
            {"dir", 'd', "DIR",
             QT_TRANSLATE_NOOP("CliOption", "save folder (default: the current folder)")}};
        return own + GoOptions();
    }();
    return table;
}

// The URL split the way List Up joins it: base + head + number + tail.
// Returns the problem, or the empty text.
QString splitRange(const QString& url, ListUpInputs& inputs) {
    if (!url.contains(QLatin1String("://")))
        return QCoreApplication::translate("FetchCommand", "\"%1\" is not a URL (http://host/path)")
            .arg(url);
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

int runFetch(const CliArgs& args, QTextStream& out, QTextStream& err) {
    ListUpInputs inputs;
    if (const QString problem = splitRange(args.operands().first(), inputs); !problem.isEmpty())
        return UsageError(FetchCommand, problem, err);
    inputs.dir = args.value("dir").value_or(QDir::currentPath());
    if (inputs.dir->isEmpty())
        return UsageError(FetchCommand,
                          QCoreApplication::translate("FetchCommand", "--dir needs a folder"), err);
    GoArgs go;
    if (const QString problem = ReadGoArgs(args, go); !problem.isEmpty())
        return UsageError(FetchCommand, problem, err);

    CliProfile profile(FetchCommand.name, err);
    if (!profile.openToChangeJobs(args, true))
        return ExitError;
    QString discarded;
    QTextStream quiet(&discarded);
    qint64 added = 0;
    // Jobs listed by an earlier fetch of the same URL are not listed again:
    // their marks tell go what is left.
    if (const int code = ListUp(profile, inputs, ListedJobs::Skip,
                                go.verbosity == Verbosity::Quiet ? quiet : out, added);
        code != ExitSuccess)
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
                      "List up a URL with a [range] and fetch it: list-up and go in one."),
    QT_TRANSLATE_NOOP(
        "CliCommand",
        "A numeric range in the file name of URL, as curl writes it, gives the\n"
        "series: pic[001-040].jpg is pic001.jpg to pic040.jpg (a first number with\n"
        "leading zeros sets the width), pic[1-40:2].jpg every second number. A URL\n"
        "without a range is one job. The jobs are listed up as list-up would (the\n"
        "inputs stored, the base URL added to the history), except that jobs the list\n"
        "holds already are not added again; then go runs over the whole list with\n"
        "the options given. Running the same fetch again resumes it. Quote the URL,\n"
        "so that the shell leaves the brackets alone."),
    options,
    QT_TRANSLATE_NOOP("CliCommand",
                      "  0    every job ended ○ or ▲\n"
                      "  1    some job did not\n"
                      "  2    bad arguments, a refused series, unusable files or folders\n"
                      "  130  stopped by Ctrl-C or SIGTERM\n"),
    runFetch,
};
