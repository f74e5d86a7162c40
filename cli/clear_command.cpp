#include "cli/clear_command.h"

#include "cli/cli_profile.h"

namespace {

int runClear(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty())
        return UsageError(ClearCommand, QStringLiteral("unknown argument \"%1\"").arg(args.first()),
                          err);
    CliProfile profile(ClearCommand.name, err);
    if (!profile.open(CliProfile::Access::Write) || !profile.loadJobs())
        return ExitError;
    const size_t removed = profile.jobs.size();
    if (!profile.saveJobs({}))
        return ExitError;
    out << "Removed " << removed << " jobs; the list is empty.\n";
    return ExitSuccess;
}

} // namespace

const CliCommand ClearCommand{
    "clear",
    "\n"
    "      Remove every job from the job list. Downloaded files stay.",
    runClear,
};
