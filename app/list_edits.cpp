#include "app/list_edits.h"

#include "app/download_run.h"
#include "app/job_policy.h"
#include "app/status_mark.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>

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

QString Summary(const JobGrid& grid) {
    // The marks in the order of a run, then the jobs never tried.
    const QStringList order = {StatusMark::Done,   StatusMark::Skipped, StatusMark::Small,
                               StatusMark::Failed, StatusMark::GivenUp, StatusMark::Requested};
    QHash<QString, int> counts;
    // The causes of the failures, in the order first met.
    QStringList causes;
    QHash<QString, int> causeCounts;
    int untried = 0;
    for (int row = 1; row < grid.NextRow(); ++row) {
        const QString mark = grid.Status(row);
        if (mark.isEmpty()) {
            ++untried;
            continue;
        }
        ++counts[mark];
        if (mark != StatusMark::Failed && mark != StatusMark::GivenUp)
            continue;
        const QString cause = JobPolicy::CauseOf(grid.Reason(row));
        if (!causeCounts.contains(cause))
            causes << cause;
        ++causeCounts[cause];
    }
    std::stable_sort(causes.begin(), causes.end(), [&](const QString& a, const QString& b) {
        return causeCounts.value(a) > causeCounts.value(b);
    });
    constexpr qsizetype kCausesShown = 3;
    QStringList named;
    for (qsizetype i = 0; i < std::min(causes.size(), kCausesShown); ++i)
        named << QStringLiteral("%1: %2").arg(causes[i].isEmpty() ? QStringLiteral("no reason")
                                                                  : causes[i])
                     .arg(causeCounts.value(causes[i]));
    if (causes.size() > kCausesShown)
        named << QStringLiteral("…");

    QStringList parts;
    for (const QString& mark : order) {
        if (const int n = counts.value(mark); n > 0) {
            QString part = QStringLiteral("%1 %2").arg(n).arg(mark);
            if (mark == StatusMark::GivenUp || (mark == StatusMark::Failed &&
                                                counts.value(StatusMark::GivenUp) == 0))
                if (!named.isEmpty())
                    part += QStringLiteral(" (%1)").arg(named.join(QStringLiteral(", ")));
            parts << part;
        }
    }
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (!order.contains(it.key()))
            parts << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
    if (untried > 0)
        parts << QStringLiteral("%1 not tried").arg(untried);
    return parts.join(QStringLiteral(" · "));
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
