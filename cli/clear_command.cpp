#include "cli/clear_command.h"

#include "cli/cli_profile.h"

namespace {

int runClear(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (!args.isEmpty()) {
        err << "serifetch-cli clear: unknown argument \"" << args.first() << "\"\n"
            << "Usage: serifetch-cli clear " << ClearCommand.usage << "\n";
        return ExitError;
    }
    CliProfile profile("clear", err);
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
