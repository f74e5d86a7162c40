#include "app/profile_session.h"

#include "platform/profile_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString Native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

// Why a file the program could not read at start is not written back.
QString NotSavedMessage(const QString& path) {
    return QCoreApplication::translate(
               "ProfileSession",
               "%1 was not saved, so that what it holds is not lost: it could not "
               "be read when the program started.")
        .arg(path);
}

} // namespace

ProfileSession::ProfileSession() = default;

QString ProfileSession::prepare() {
    folderProblem_ = ProfileDir::prepare();
    return folderProblem_;
}

bool ProfileSession::folderExists() const {
    return QFileInfo(ProfileDir::path()).isDir();
}

QString ProfileSession::inUseText() const {
    const QString holder =
        lock_.holderPid() > 0
            ? QCoreApplication::translate("ProfileSession", "process %1").arg(lock_.holderPid())
            : QCoreApplication::translate("ProfileSession", "another process");
    return QCoreApplication::translate("ProfileSession", "the profile folder %1 is in use by %2")
        .arg(Native(ProfileDir::path()), holder);
}

SettingsFile::LoadResult ProfileSession::loadSettings() {
    SettingsFile::LoadResult loaded = SettingsFile::load(ProfileDir::settingsFilePath());
    settingsReadable_ = loaded.unreadable.isEmpty();
    return loaded;
}

ProfileSession::JobsLoaded ProfileSession::loadJobs() {
    const QString path = ProfileDir::jobListFilePath();
    JobsLoaded loaded{JobListFile::load(path), {}};
    jobListReadable_ = loaded.list.error.isEmpty();
    firstStart_ = jobListReadable_ && folderProblem_.isEmpty() && !QFileInfo::exists(path);
    unloadedJobs_ = loaded.list.unloadedJobs;
    // The marks of an interrupted run go into the file by the one process
    // that may write it; on failure they stay in the journal for next time.
    if (loaded.list.journalledMarks > 0 && unloadedJobs_ == 0 && locked())
        loaded.foldProblem = JobListFile::save(path, loaded.list.jobs);
    return loaded;
}

QString ProfileSession::overwriteQuestion() const {
    return QCoreApplication::translate(
               "ProfileSession",
               "%1 holds %2 job(s) after an empty row that were not loaded. Saving "
               "the list writes over them.\n\nSave the list anyway?")
        .arg(Native(ProfileDir::jobListFilePath()))
        .arg(unloadedJobs_);
}

QString ProfileSession::saveJobs(const JobList& jobs) {
    const QString path = ProfileDir::jobListFilePath();
    if (!jobListReadable_)
        return NotSavedMessage(path);
    if (unloadedJobs_ > 0)
        return QCoreApplication::translate(
                   "ProfileSession", "The job list was not saved; %1 keeps the jobs that were not "
                                     "loaded.")
            .arg(Native(path));
    return JobListFile::save(path, jobs);
}

QString ProfileSession::storeSettings(const Settings& settings) {
    const QString path = ProfileDir::settingsFilePath();
    if (!settingsReadable_)
        return NotSavedMessage(path);
    return SettingsFile::store(path, settings);
}
