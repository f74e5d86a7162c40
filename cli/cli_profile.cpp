#include "cli/cli_profile.h"

#include "platform/profile_dir.h"
#include "settings/job_list_file.h"

#include <QDir>
#include <QFileInfo>

CliProfile::CliProfile(const char* command, QTextStream& err)
    : command_(command)
    , err_(err) {}

void CliProfile::error(const QString& text) {
    err_ << "serifetch-cli " << command_ << ": " << text << "\n";
    err_.flush();
}

void CliProfile::warning(const QString& text) {
    err_ << "serifetch-cli " << command_ << ": warning: " << text << "\n";
    err_.flush();
}

bool CliProfile::open(Access access) {
    const QString problem = ProfileDir::prepare();
    if (!problem.isEmpty()) {
        if (access == Access::Write || !QFileInfo(ProfileDir::path()).isDir()) {
            error(problem);
            return false;
        }
        // A folder we may not write can still be read; nothing is written.
        return true;
    }
    switch (lock_.tryLock()) {
    case ProfileLock::Result::Acquired:
        return true;
    case ProfileLock::Result::Busy: {
        const QString holder = lock_.holderPid() > 0
                                   ? QStringLiteral("process %1").arg(lock_.holderPid())
                                   : QStringLiteral("another process");
        if (access == Access::Read) {
            warning(QStringLiteral("the profile folder %1 is in use by %2; showing the job list "
                                   "as it was last saved")
                        .arg(QDir::toNativeSeparators(ProfileDir::path()), holder));
            return true;
        }
        error(QStringLiteral("the profile folder %1 is in use by %2 (the Serifetch window or "
                             "another serifetch-cli); nothing was changed. Try again when it "
                             "has finished.")
                  .arg(QDir::toNativeSeparators(ProfileDir::path()), holder));
        return false;
    }
    case ProfileLock::Result::Error:
        if (access == Access::Read)
            return true;
        error(lock_.errorText());
        return false;
    }
    return false;
}

bool CliProfile::loadSettings() {
    SettingsFile::LoadResult loaded = SettingsFile::load(ProfileDir::settingsFilePath());
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
    JobListFile::LoadResult loaded = JobListFile::load(ProfileDir::jobListFilePath());
    if (!loaded.error.isEmpty()) {
        error(loaded.error);
        return false;
    }
    unloadedJobs_ = loaded.unloadedJobs;
    if (unloadedJobs_ > 0)
        warning(loaded.unloadedWarning());
    jobs = std::move(loaded.jobs);
    // The marks of an interrupted run go into the file now, by the one
    // process that may write it; on failure they stay in the journal.
    if (loaded.journalledMarks > 0 && unloadedJobs_ == 0 && lock_.isLocked()) {
        const QString problem = JobListFile::save(ProfileDir::jobListFilePath(), jobs);
        if (!problem.isEmpty())
            warning(problem);
    }
    return true;
}

bool CliProfile::openToChangeJobs(const CliArgs& args, bool settingsToo) {
    if (!open(Access::Write) || !loadJobs())
        return false;
    if (unloadedJobs_ > 0 && !args.has(kForceOption.name)) {
        err_ << "serifetch-cli " << command_
             << ": nothing was changed, so the jobs that were not loaded stay in the file. "
                "Repair the empty row, or pass --force to save the list over them.\n";
        err_.flush();
        return false;
    }
    return !settingsToo || loadSettings();
}

bool CliProfile::saveJobs(const std::vector<Job>& list) {
    const QString problem = JobListFile::save(ProfileDir::jobListFilePath(), list);
    if (problem.isEmpty())
        return true;
    error(problem);
    return false;
}

bool CliProfile::storeSettings() {
    const QString problem = SettingsFile::store(ProfileDir::settingsFilePath(), settings);
    if (problem.isEmpty())
        return true;
    error(problem);
    return false;
}
