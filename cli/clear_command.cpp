#include "cli/clear_command.h"

#include "cli/cli_profile.h"

namespace {

int runClear(const QStringList& args, QTextStream& out, QTextStream& err) {
    const bool force = args == QStringList{QStringLiteral("--force")};
    if (!args.isEmpty() && !force)
        return UsageError(ClearCommand, QStringLiteral("unknown argument \"%1\"").arg(args.first()),
                          err);
    CliProfile profile(ClearCommand.name, err);
    profile.overwriteUnloaded = force;
    if (!profile.open(CliProfile::Access::Write) || !profile.loadJobs() || !profile.mayWriteJobs())
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
    "[--force]\n"
    "      Remove every job from the job list. Downloaded files stay. --force also\n"
    "      when the file holds jobs after an empty row that were not loaded.",
    runClear,
};
