#include "cli/show_command.h"

#include "cli/cli_profile.h"
#include "cli/job_marks.h"

namespace {

int runShow(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty())
        return UsageError(ShowCommand, QStringLiteral("unknown argument \"%1\"").arg(args.first()),
                          err);
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
    return ExitSuccess;
}

} // namespace

const CliCommand ShowCommand{
    "show",
    "\n"
    "      Print the job list, one job per line: row, mark, URL and file, separated\n"
    "      by tabs (the mark is empty for a job never tried), and for a job that\n"
    "      failed why; then the number of jobs per mark. Reads the list as last\n"
    "      saved even while it is in use.",
    runShow,
};
