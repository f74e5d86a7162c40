#pragma once

#include <QString>
#include <QtGlobal>

/// Keeps the window and the command line from using the same profile folder
/// at once, so that two writers never overwrite each other's job list.
///
/// The lock is the file `serifetch.lock` in the profile folder, held with an
/// exclusive flock(2) for as long as this object holds it, with the holder's
/// PID written into it for the message the next one shows. The kernel drops
/// the lock when its holder exits, however it exits (even SIGKILL), so a
/// lock file left behind by a process that no longer runs is simply taken
/// over. The file itself stays (removing it would let two processes lock two
/// different files of the same name).
///
/// Start-up of either front end, before the settings file is read:
///
///     ProfileLock lock;                       // ProfileDir::path()
///     if (lock.tryLock() != ProfileLock::Result::Acquired) {
///         show(lock.holderPid() > 0 ? "in use by process N" : lock.errorText());
///         return;                             // do not read, do not save
///     }
///     ... load, run, save at close ...        // the lock goes with `lock`
///
/// Call ProfileDir::prepare() first so that the folder exists. A lock is
/// per object: a second ProfileLock on the same folder, in the same process
/// or another, is refused while the first holds it.
class ProfileLock {
public:
    enum class Result {
        Acquired, ///< this object holds the lock now
        Busy,     ///< another holder has it; see holderPid()
        Error,    ///< the lock file could not be opened; see errorText()
    };

    /// A lock on the folder `dir` (without a trailing "/"); not yet taken.
    explicit ProfileLock(const QString& dir);
    /// A lock on ProfileDir::path().
    ProfileLock();
    /// Releases the lock when held.
    ~ProfileLock();

    ProfileLock(const ProfileLock&) = delete;
    ProfileLock& operator=(const ProfileLock&) = delete;

    /// `dir` + "/serifetch.lock".
    QString filePath() const { return path_; }

    /// Takes the lock without waiting. Acquired also when this object held it
    /// already.
    Result tryLock();
    /// Whether this object holds the lock.
    bool isLocked() const { return fd_ >= 0; }
    /// Gives the lock up (also done by the destructor); harmless when not held.
    void unlock();

    /// After Busy: the PID the holder wrote into the file, or 0 when it wrote
    /// none (a holder that is not Serifetch, or one that is just starting).
    qint64 holderPid() const { return holderPid_; }
    /// After Error: what went wrong, naming the file.
    QString errorText() const { return error_; }

private:
    QString path_;
    int fd_ = -1;
    qint64 holderPid_ = 0;
    QString error_;
};
