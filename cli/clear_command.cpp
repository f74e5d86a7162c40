#include "cli/clear_command.h"

#include "app/list_edits.h"
#include "cli/cli_profile.h"

#include <QCoreApplication>

namespace {

const QList<CliOption>& options() {
    static const QList<CliOption> table{kForceOption};
    return table;
}

int runClear(const CliArgs& args, QTextStream& out, QTextStream& err) {
    CliProfile profile(ClearCommand.name, err);
    if (!profile.openToChangeJobs(args, false))
        return ExitError;
    const size_t removed = profile.jobs.size();
    if (!profile.saveJobs({}))
        return ExitError;
    // No run holds them: a go holds the profile folder's lock clear took.
    if (removed > 0)
        ListEdits::ForgetParts(profile.jobs, 0, removed - 1);
    out << QCoreApplication::translate("ClearCommand", "Removed %1 jobs; the list is empty.")
               .arg(removed)
        << "\n";
    return ExitSuccess;
}

} // namespace

const CliCommand ClearCommand{
    "clear",
    "",
    0,
    0,
    QT_TRANSLATE_NOOP("CliCommand", "Remove every job from the job list; downloaded files stay."),
    QT_TRANSLATE_NOOP("CliCommand",
                      "Empties the job list file. The files the jobs fetched are not touched;\n"
                      "what cut transfers left for a later resume (FILE.part and\n"
                      "FILE.part.resume) is removed."),
    options,
    QT_TRANSLATE_NOOP("CliCommand", "  0    the list is empty\n"
                                    "  2    bad arguments, or the job list cannot be written\n"),
    runClear,
};
