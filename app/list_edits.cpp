#include "app/list_edits.h"

#include "app/download_run.h"
#include "app/status_mark.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace ListEdits {

int ClearMarks(JobGrid& grid, int top, int bottom) {
    int cleared = 0;
    for (int row = std::max(top, 1); row <= bottom && grid.IsJobRow(row); ++row) {
        if (!grid.Status(row).isEmpty())
            ++cleared;
        grid.SetStatus(row, QString());
        grid.SetReason(row, QString());
        // Retry means asking the server again, not finding a file at the path.
        grid.SetRefetch(row);
    }
    return cleared;
}

int ClearFailedMarks(JobGrid& grid) {
    int cleared = 0;
    for (int row = 1; row < grid.NextRow(); ++row) {
        const QString mark = grid.Status(row);
        if (mark == StatusMark::Failed || mark == StatusMark::GivenUp)
            cleared += ClearMarks(grid, row, row);
    }
    return cleared;
}

QStringList MissingFolders(const JobGrid& grid) {
    QStringList missing;
    QSet<QString> seen;
    const JobList& jobs = grid.Jobs();
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!StatusMark::IsFetched(jobs.mark(i)))
            continue;
        const QString path = jobs.path(i);
        const QString name = DownloadRun::FileNamePart(path);
        const QString folder = path.left(path.size() - name.size());
        if (folder.isEmpty() || seen.contains(folder))
            continue;
        seen.insert(folder);
        if (!QFileInfo(folder).isDir())
            missing << folder;
    }
    return missing;
}

QString FailureCount(const JobGrid& grid) {
    int failed = 0;
    int givenUp = 0;
    const JobList& jobs = grid.Jobs();
    for (size_t i = 0; i < jobs.size(); ++i) {
        failed += jobs.mark(i) == JobList::Mark::Failed;
        givenUp += jobs.mark(i) == JobList::Mark::GivenUp;
    }
    QStringList parts;
    if (failed > 0)
        parts << QStringLiteral("%1 %2").arg(failed).arg(StatusMark::Failed);
    if (givenUp > 0)
        parts << QStringLiteral("%1 %2").arg(givenUp).arg(StatusMark::GivenUp);
    return parts.join(QStringLiteral(", "));
}

} // namespace ListEdits

void ListUndo::Keep(const JobGrid& grid) {
    m_jobs = grid.Jobs();
}

bool ListUndo::Undo(JobGrid& grid) {
    if (!m_jobs)
        return false;
    JobList jobs = std::move(*m_jobs);
    m_jobs.reset();
    grid.Clear();
    grid.Append(std::move(jobs));
    return true;
}
