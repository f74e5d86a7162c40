#pragma once

#include "app/profile_session.h"
#include "cli/cli_args.h"
#include "settings/job_list.h"

#include <QString>
#include <QTextStream>

/// --force of the commands that save the job list: also over jobs that
/// follow an empty row of the file and so were not loaded.
inline const CliOption kForceOption{
    "force", 0, nullptr,
    QT_TRANSLATE_NOOP("CliOption", "save the list also over jobs after an empty row that were "
                                   "not loaded")};

/// The profile folder as one command of serifetch-cli uses it: the folder
/// prepared, the lock taken, the settings and the job list read, and the
/// same files written back. Errors are printed as
/// "serifetch-cli COMMAND: text" and make the command exit with ExitError.
class CliProfile {
public:
    enum class Access {
        /// Changes the files: the folder must be writable and the lock free.
        Write,
        /// Only reads: goes on while another holder has the lock (the list
        /// is then shown as last saved, which a note says) or when the
        /// folder cannot be written.
        Read,
    };

    CliProfile(const char* command, QTextStream& err);

    /// Prepares and locks the folder. False (after printing why) when the
    /// command must not go on.
    bool open(Access access);

    /// Reads the settings file (created on first use, like the window does).
    /// Warnings about bad values are printed and the defaults used; a file
    /// that exists but cannot be read fails.
    bool loadSettings();
    /// Reads the job list file; a missing file is an empty list, an
    /// unreadable one fails. Jobs stored after a row emptied by hand are not
    /// loaded; a warning says so.
    bool loadJobs();
    /// For a command that saves the job list: open(Access::Write), then
    /// loadJobs(), then a refusal to go on when the file holds jobs that
    /// were not loaded and `args` lacks --force (kForceOption), then
    /// loadSettings() when `settingsToo`. False after printing why; nothing
    /// is changed before it returns true.
    bool openToChangeJobs(const CliArgs& args, bool settingsToo);

    /// Writes the job list (atomically); false after printing why.
    bool saveJobs(const JobList& jobs);

    /// Writes the settings (atomically); false after printing why.
    bool storeSettings();
    /// The folder, for a save whose problem the caller reports itself.
    ProfileSession& session() { return session_; }

    Settings settings;
    JobList jobs;

    /// Prints "serifetch-cli COMMAND: text".
    void error(const QString& text);
    /// Prints "serifetch-cli COMMAND: warning: text".
    void warning(const QString& text);

private:
    const char* command_;
    QTextStream& err_;
    ProfileSession session_;
};
