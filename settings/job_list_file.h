#pragma once

#include "settings/job_list.h"

#include <QString>

/// Reads and writes the job list file `SeriData.txt`, an INI file that stores
/// the job grid row by row: row r (1-based, below the grid's header) lies in
/// section "Data" + IntToStrL((r / 100) * 100, 4) as the keys
/// "Status" + IntToStrL(r, 4), "URL" + … and "Path" + …, in that order, and
/// "Reason" + … for a job that failed (a reader that does not know the key
/// passes over it). The list ends at the first row whose URL is empty or
/// missing.
class JobListFile {
public:
    /// Whether the grid shows an empty row after its jobs. The grid of an empty
    /// list always does, so an empty list is saved with it whatever is passed.
    enum class TrailingRow { Absent, Present };

    struct LoadResult {
        JobList jobs;
        /// Why the file could not be read (the list is then empty); empty when
        /// it was read or was missing. Show it to the user.
        QString error;
        /// Jobs stored after the row that ended the list, when that row is
        /// not an end as save() writes it (three empty values) but a row
        /// emptied or removed by hand: they were not loaded, and the next save
        /// writes over them. 0 when the list ended properly.
        qint64 unloadedJobs = 0;
        /// The row that ended the list early (with unloadedJobs > 0).
        qint64 gapRow = 0;
        /// Marks of an interrupted run taken from the journal beside the file
        /// (see JobListJournal); the holder of the profile folder folds them
        /// into the file by saving the list.
        qint64 journalledMarks = 0;
        /// The text telling the user about the unloaded jobs; empty if none.
        QString unloadedWarning() const;
    };

    /// Loads the jobs from `path`, up to the first row with an empty or missing
    /// URL; a missing file is an empty list. Each job keeps its status mark as
    /// stored, then the marks of its journal applied. The job count for the
    /// status bar is `jobs.size()`. The file is read a block at a time into
    /// the compact list, never held whole, unless its sections are out of
    /// order or it is not UTF-8.
    static LoadResult load(const QString& path);

    /// `SaveData`: writes every job as rows 1, 2, …, then the empty trailing
    /// row when `trailing` says the grid has one, then a terminating row of
    /// three empty values. Nothing else in the file is erased: rows of a
    /// longer, older list stay after the terminator, unread. Written
    /// atomically; returns the empty text on success, else a text for the
    /// user, and the old file is then left as it was. A file that exists but
    /// could not be read is never overwritten. A saved list ends the
    /// journal beside it: the file now holds its marks. The old file is read
    /// and the new one written a section at a time.
    [[nodiscard]] static QString save(const QString& path, const JobList& jobs,
                                      TrailingRow trailing = TrailingRow::Absent);

    /// The section that holds row `row`, e.g. "Data0100" for rows 100 to 199.
    static QString sectionName(qint64 row);
};
