#include "cli/cli_profile.h"

#include <QCoreApplication>

CliProfile::CliProfile(const char* command, QTextStream& err)
    : command_(command)
    , err_(err) {}

void CliProfile::error(const QString& text) {
    err_ << "serifetch-cli " << command_ << ": " << text << "\n";
    err_.flush();
}

void CliProfile::warning(const QString& text) {
    err_ << "serifetch-cli " << command_ << ": "
         << QCoreApplication::translate("CliProfile", "warning: %1").arg(text) << "\n";
    err_.flush();
}

bool CliProfile::open(Access access) {
    const QString problem = session_.prepare();
    if (!problem.isEmpty()) {
        if (access == Access::Write || !session_.folderExists()) {
            error(problem);
            return false;
        }
        // A folder we may not write can still be read; nothing is written.
        return true;
    }
    switch (session_.lock()) {
    case ProfileLock::Result::Acquired:
        return true;
    case ProfileLock::Result::Busy:
        if (access == Access::Read) {
            warning(QCoreApplication::translate("CliProfile",
                                                "%1; showing the job list as it was last saved")
                        .arg(session_.inUseText()));
            return true;
        }
        error(QCoreApplication::translate(
                  "CliProfile", "%1 (the Serifetch window or another serifetch-cli); nothing was "
                                "changed. Try again when it has finished.")
                  .arg(session_.inUseText()));
        return false;
    case ProfileLock::Result::Error:
        if (access == Access::Read)
            return true;
        error(session_.lockErrorText());
        return false;
    }
    return false;
}

bool CliProfile::loadSettings() {
    SettingsFile::LoadResult loaded = session_.loadSettings();
    // The window starts with its defaults when the file cannot be read; a
    // command would then act on inputs the user never gave, and list-up
    // would overwrite the file with them.
    if (!loaded.unreadable.isEmpty()) {
        error(loaded.unreadable);
        return false;
    }
    for (const QString& text : loaded.warnings)
        warning(text);
    settings = std::move(loaded.settings);
    return true;
}

bool CliProfile::loadJobs() {
    ProfileSession::JobsLoaded loaded = session_.loadJobs();
    if (!loaded.list.error.isEmpty()) {
        error(loaded.list.error);
        return false;
    }
    if (loaded.list.unloadedJobs > 0)
        warning(loaded.list.unloadedWarning());
    if (!loaded.foldProblem.isEmpty())
        warning(loaded.foldProblem);
    jobs = std::move(loaded.list.jobs);
    return true;
}

bool CliProfile::openToChangeJobs(const CliArgs& args, bool settingsToo) {
    if (!open(Access::Write) || !loadJobs())
        return false;
    if (session_.unloadedJobs() > 0) {
        if (!args.has(kForceOption.name)) {
            err_ << "serifetch-cli " << command_ << ": "
                 << QCoreApplication::translate(
                        "CliProfile",
                        "nothing was changed, so the jobs that were not loaded stay in the file. "
                        "Repair the empty row, or pass --force to save the list over them.")
                 << "\n";
            err_.flush();
            return false;
        }
        session_.allowOverwritingUnloaded();
    }
    return !settingsToo || loadSettings();
}

bool CliProfile::saveJobs(const JobList& list) {
    const QString problem = session_.saveJobs(list);
    if (problem.isEmpty())
        return true;
    error(problem);
    return false;
}

bool CliProfile::storeSettings() {
    const QString problem = session_.storeSettings(settings);
    if (problem.isEmpty())
        return true;
    error(problem);
    return false;
}
