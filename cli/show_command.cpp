#include "cli/show_command.h"

#include "cli/cli_profile.h"
#include "cli/job_marks.h"

#include <QCoreApplication>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> none;
    return none;
}

int runShow(const CliArgs&, QTextStream& out, QTextStream& err) {
    CliProfile profile(ShowCommand.name, err);
    if (!profile.open(CliProfile::Access::Read) || !profile.loadJobs())
        return ExitError;

    MarkCounts counts;
    qint64 row = 0;
    for (const Job& job : profile.jobs) {
        out << ++row << '\t' << job.status << '\t' << job.url << '\t' << job.path;
        if (!job.reason.isEmpty())
            out << '\t' << job.reason;
        out << '\n';
        counts.add(job.status);
    }
    out << counts.summary() << "\n";
    // After the summary, so that the job lines stay as scripts read them.
    for (const OpenSeries& series : profile.jobs.openSeries())
        out << QCoreApplication::translate("ShowCommand",
                                           "Open series: %1 into %2, until %3 numbers in a row "
                                           "are missing")
                   .arg(series.pattern, series.folder, QString::number(series.misses))
            << "\n";
    return ExitSuccess;
}

} // namespace

const CliCommand ShowCommand{
    "show",
    "",
    0,
    0,
    QT_TRANSLATE_NOOP("CliCommand", "Print the job list and the number of jobs per mark."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "One job per line: row, mark, URL and file, separated by tabs (the mark is\n"
                      "empty for a job never tried), and for a job that failed, why; then the\n"
                      "number of jobs per mark, and each series whose end go is still to find.\n"
                      "Reads the list as last saved even while it is in use."),
    options,
    QT_TRANSLATE_NOOP("CliCommand", "  0    the list was printed\n"
                                    "  2    bad arguments, or the job list cannot be read\n"),
    runShow,
};
