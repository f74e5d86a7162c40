#pragma once

#include "app/job_grid.h"

#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

/// Edits of the job list that the window's commands make, kept apart from
/// the window so they can be checked without one.
namespace ListEdits {

/// Clears the marks and reasons of the jobs in grid rows top..bottom, so the
/// next run fetches them from the server, whatever "skip existing" would say
/// of a file at their paths. Returns how many marks were cleared.
int ClearMarks(JobGrid& grid, int top, int bottom);
/// Clears the marks of every job that failed ("▼") or was given up ("×").
int ClearFailedMarks(JobGrid& grid);
/// The folder part of a job's path, ending in its separator; empty for a
/// bare file name.
QString FolderOf(const QString& path);
/// A folder a job a run would fetch saves into, which does not exist; `job`
/// is the index of the first job that needs it.
struct MissingFolder {
    QString folder; ///< as the job's path names it, with its "/"
    size_t job = 0;
};
/// The folders of the jobs a run would fetch (and, `withFailed`, of the
/// failed and given-up ones about to be fetched again) that do not exist,
/// each once, in the order of the list: the one rule of both front ends.
std::vector<MissingFolder> FoldersToCreate(const JobList& jobs, bool withFailed = false);
/// The same, as folder names, for the grid's jobs.
QStringList MissingFolders(const JobGrid& grid);
/// Creates `folders` in turn; the problem with the first that could not be
/// made (the rest are not tried), or the empty text.
QString CreateFolders(const QStringList& folders);
/// The URLs of the jobs in grid rows top..bottom, ending at the first row
/// without a job.
QStringList Urls(const JobGrid& grid, int top, int bottom);
/// What Clear asks before it drops jobs not yet done; empty when every job
/// is done (or there are none) and nothing need be asked.
QString ClearQuestion(const JobGrid& grid);
/// The paths of the jobs a run would fetch that JobPolicy::PathRefusal
/// refuses (going up with "..", or into hidden folders or files), in the
/// order of the list.
QStringList RefusedPaths(const JobGrid& grid);
/// "3 ▼, 1 ×": the failed and given-up jobs of the list, or the empty text
/// when there are none.
QString FailureCount(const JobGrid& grid);
/// Jobs about to be appended whose path another job has already.
struct TakenPaths {
    qint64 count = 0; ///< of the jobs in `added`
    QString first;    ///< the first such path
};
/// Which of `added` share a path with a job of `listed` or an earlier one of
/// `added`: such jobs never run at once, and the last one's file stays.
TakenPaths PathsTaken(const JobList& listed, const JobList& added);
/// The warning List Up gives for them; empty when there are none.
QString PathsTakenWarning(const TakenPaths& taken);

/// The causes of the failed and given-up jobs with their counts, the most
/// common first, at most `most` of them: "404 Not Found: 2, …".
QString FailureCauses(const JobGrid& grid, qsizetype most);
/// What the whole list holds, by mark in the order of a run, the failures
/// by cause: "38 ○ · 2 ▼ (404 Not Found: 2) · 3 not tried". The causes (the
/// three most common) stand after the last failure mark.
QString Summary(const JobGrid& grid);

/// The jobs at `first`..`last` of `jobs` are about to go: removes the parts
/// and resume infos their cut transfers left, except where `held` says a
/// run holds the job, or a job that stays has the same path. Returns how
/// many parts went.
int ForgetParts(const JobList& jobs, size_t first, size_t last,
                const std::function<bool(size_t index)>& held = {});

} // namespace ListEdits

/// One step of undo for the commands that remove jobs: the list as it stood
/// before, restored whole.
class ListUndo {
public:
    /// Keeps the list as it stands now, in place of any earlier state.
    void Keep(const JobGrid& grid);
    /// Forgets the kept state (a new List Up or run starts).
    void Drop() { m_jobs.reset(); }
    bool CanUndo() const { return m_jobs.has_value(); }
    /// Puts the kept list back and forgets it; false when nothing was kept.
    bool Undo(JobGrid& grid);

private:
    std::optional<JobList> m_jobs;
};
