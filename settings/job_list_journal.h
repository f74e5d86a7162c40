#pragma once

#include "settings/job_list.h"

#include <QString>
#include <vector>

/// The marks a run set since the job list file was last written, appended
/// one line per change to `SeriData.txt.journal` beside the file, so that a
/// save during a run costs what changed rather than the whole list.
///
/// The first line names the version of the list file the journal belongs to
/// (its device, inode, size and modification time): every save of the list
/// file writes a new file and renames it, so a journal left beside a file
/// rewritten since is recognised and ignored. Each further line is
/// `row TAB mark TAB reason LF` (grid row, 1 for the first job; tabs and line
/// breaks inside a text are written as blanks, as the list file does).
///
/// A reader that does not know the journal reads the list file as it was
/// before the run that was interrupted: it loses that run's marks, nothing
/// else, and its next save makes the journal stale.
class JobListJournal {
public:
    /// `listPath` + ".journal".
    static QString pathFor(const QString& listPath);
    /// For a save of the whole file at `listPath`, once it is written: the
    /// journal is removed, and every journal open in this process stops
    /// being current.
    static void listSaved(const QString& listPath);

    /// Applies, in order, the changes the journal of `listPath` holds to
    /// `jobs` (the jobs just loaded from that file) and returns how many it
    /// applied. A journal of another version of the file applies nothing. A
    /// last line without its line end (torn by a crash) is passed over, and a
    /// line that cannot be read ends the journal there; a row past the jobs
    /// loaded is passed over.
    static qint64 apply(const QString& listPath, JobList& jobs);

    explicit JobListJournal(QString listPath);
    ~JobListJournal();
    JobListJournal(const JobListJournal&) = delete;
    JobListJournal& operator=(const JobListJournal&) = delete;

    /// Whether the journal is open and still belongs to the list file: no
    /// save of a list in this process since it was opened. It is asked before
    /// each append, so it looks at no file; the profile lock keeps other
    /// processes from saving the list meanwhile.
    bool isCurrent() const;

    /// Opens the journal for appending: continues one that belongs to the
    /// list file as it is now, else starts it anew. Only the holder of the
    /// profile lock may call it. Returns the empty text, or why it failed.
    QString open();

    /// A job's mark and reason as they now stand.
    struct Change {
        qint64 row = 0;
        QString mark;
        QString reason;
    };
    /// Appends changes, all of them with a single write (durable against a
    /// crash of the process; `sync` makes it durable against one of the
    /// machine).
    QString append(const std::vector<Change>& changes);
    QString sync();
    void close();

private:
    QString listPath_;
    quint64 saveCount_ = 0; // of the process, when it was opened
    int fd_ = -1;
};
