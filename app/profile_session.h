#pragma once

#include "platform/profile_lock.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"

#include <QString>

/// One front end's hold on the profile folder, the same for the window and
/// serifetch-cli: the folder prepared, the lock taken, the settings and the
/// job list read at start, and the same two files written back. It keeps what
/// the reads found, so that a file that could not be read is never written
/// over, and jobs that were not loaded are written over only when the user
/// agreed. Every text is for the user as it stands; how it is shown (a
/// message box, a line on stderr) is the front end's.
///
///     ProfileSession profile;
///     profile.prepare();                 // the folder, before the lock
///     if (profile.lock() == ProfileLock::Result::Busy)
///         refuse(profile.inUseText());
///     show(profile.loadSettings().warnings);
///     JobListFile::LoadResult jobs = profile.loadJobs();
///     ... run ...
///     report(profile.storeSettings(s), profile.saveJobs(list));
class ProfileSession {
public:
    /// On ProfileDir's folder and files.
    ProfileSession();

    /// Creates the folder when missing. The problem text (a folder that
    /// cannot be made or written), also kept for folderProblem(); empty when
    /// the folder is ready. Safe to repeat.
    QString prepare();
    const QString& folderProblem() const { return folderProblem_; }
    /// Whether the folder exists, usable or not (a folder we may not write
    /// can still be read).
    bool folderExists() const;

    /// Takes the lock without waiting; see ProfileLock.
    ProfileLock::Result lock() { return lock_.tryLock(); }
    bool locked() const { return lock_.isLocked(); }
    /// After lock() gave Busy: "the profile folder F is in use by process N"
    /// (or "by another process" when the holder wrote no PID).
    QString inUseText() const;
    /// After lock() gave Error: what went wrong, naming the lock file.
    QString lockErrorText() const { return lock_.errorText(); }

    /// Reads the settings file (created with the defaults on first use).
    /// Bad values are among the result's warnings and get their defaults. A
    /// file that exists but cannot be read is then never stored over.
    SettingsFile::LoadResult loadSettings();
    /// Reads the job list; a missing file is an empty list and a first start.
    /// A file that cannot be read is never saved over. The marks of an
    /// interrupted run in its journal go into the file now when this session
    /// holds the lock and every job was loaded; a problem doing so is
    /// returned as `foldProblem`.
    struct JobsLoaded {
        JobListFile::LoadResult list;
        QString foldProblem;
    };
    JobsLoaded loadJobs();
    /// Whether loadJobs() found no job list file (and the folder was usable):
    /// the front end writes an empty one at once, so that a list is there
    /// from the first start on.
    bool firstStart() const { return firstStart_; }

    /// Jobs after an empty row of the file that loadJobs() did not load, and
    /// that the next save would write over; 0 once allowOverwritingUnloaded().
    qint64 unloadedJobs() const { return unloadedJobs_; }
    /// The question to ask before the first save that writes over them.
    QString overwriteQuestion() const;
    /// The user (or --force) agreed: the next saves write over them.
    void allowOverwritingUnloaded() { unloadedJobs_ = 0; }

    /// Writes the job list atomically. Refused with a text saying why when
    /// the file could not be read at start or while it holds unloaded jobs
    /// not agreed to; empty on success.
    [[nodiscard]] QString saveJobs(const JobList& jobs);
    /// Writes the settings atomically; refused when the file could not be
    /// read at start. Empty on success.
    [[nodiscard]] QString storeSettings(const Settings& settings);

private:
    QString folderProblem_;
    ProfileLock lock_;
    bool settingsReadable_ = true;
    bool jobListReadable_ = true;
    bool firstStart_ = false;
    qint64 unloadedJobs_ = 0;
};
