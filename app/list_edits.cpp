#include "app/list_edits.h"

#include "app/download_run.h"
#include "app/job_policy.h"
#include "app/status_mark.h"
#include "http/part_file.h"
#include "http/resume_info.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <map>
#include <utility>

namespace ListEdits {

int ForgetParts(const JobList& jobs, size_t first, size_t last,
                const std::function<bool(size_t index)>& held) {
    // A finished job's part became its file; only the others can have one.
    // Looked up on disk first, so a long list without parts costs no set.
    std::vector<size_t> cut;
    QSet<QString> staying;
    for (size_t i = first; i <= last && i < jobs.size(); ++i) {
        // A held job's part is being written: no job of its path may take it.
        if (held && held(i)) {
            staying.insert(jobs.path(i));
            continue;
        }
        const JobList::Mark mark = jobs.mark(i);
        if (mark == JobList::Mark::Done || mark == JobList::Mark::Skipped)
            continue;
        const QString path = jobs.path(i);
        if (QFileInfo::exists(ResumeInfo::InfoName(path)) ||
            QFileInfo::exists(PartFile::PartName(path)))
            cut.push_back(i);
    }
    if (cut.empty())
        return 0;
    for (size_t i = 0; i < jobs.size(); ++i)
        if (i < first || i > last)
            staying.insert(jobs.path(i));
    QSet<QString> forgotten;
    for (const size_t i : cut) {
        const QString path = jobs.path(i);
        if (staying.contains(path) || forgotten.contains(path))
            continue;
        ResumeInfo::Forget(path);
        forgotten.insert(path);
    }
    return int(forgotten.size());
}

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

QString FolderOf(const QString& path) {
    return path.left(path.size() - DownloadRun::FileNamePart(path).size());
}

std::vector<MissingFolder> FoldersToCreate(const JobList& jobs, bool withFailed) {
    std::vector<MissingFolder> missing;
    QSet<QString> seen;
    for (size_t i = 0; i < jobs.size(); ++i) {
        const JobList::Mark mark = jobs.mark(i);
        const bool failed = mark == JobList::Mark::Failed || mark == JobList::Mark::GivenUp;
        if (!StatusMark::IsFetched(mark) && !(withFailed && failed))
            continue;
        const QString folder = FolderOf(jobs.path(i));
        if (folder.isEmpty() || seen.contains(folder))
            continue;
        seen.insert(folder);
        if (!QFileInfo(folder).isDir())
            missing.push_back({folder, i});
    }
    return missing;
}

QStringList MissingFolders(const JobGrid& grid) {
    QStringList names;
    for (const MissingFolder& missing : FoldersToCreate(grid.Jobs()))
        names << missing.folder;
    return names;
}

QString CreateFolders(const QStringList& folders) {
    for (const QString& folder : folders) {
        if (!QDir().mkpath(folder))
            return QCoreApplication::translate(
                       "ListEdits", "The folder %1 could not be created; nothing was fetched.")
                .arg(folder);
    }
    return {};
}

QStringList Urls(const JobGrid& grid, int top, int bottom) {
    QStringList urls;
    for (int row = top; row <= bottom && grid.IsJobRow(row); ++row)
        urls << grid.Url(row);
    return urls;
}

QString ClearQuestion(const JobGrid& grid) {
    const JobList& jobs = grid.Jobs();
    qint64 open = 0;
    for (size_t i = 0; i < jobs.size(); ++i)
        open += !StatusMark::IsSuccess(jobs.mark(i));
    if (open == 0)
        return {};
    return QCoreApplication::translate("ListEdits", "The list holds %1 job(s) not yet done.\n\n"
                                                    "Clear the list anyway? (Ctrl+Z undoes it)")
        .arg(open);
}

QStringList RefusedPaths(const JobGrid& grid) {
    QStringList refused;
    const JobList& jobs = grid.Jobs();
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (!StatusMark::IsFetched(jobs.mark(i)))
            continue;
        const QString path = jobs.path(i);
        if (!JobPolicy::PathRefusal(path).isEmpty())
            refused << path;
    }
    return refused;
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

TakenPaths PathsTaken(const JobList& listed, const JobList& added) {
    TakenPaths taken;
    QSet<QString> seen;
    seen.reserve(qsizetype(listed.size()) + qsizetype(added.size()));
    for (size_t i = 0; i < listed.size(); ++i)
        seen.insert(listed.path(i));
    for (size_t i = 0; i < added.size(); ++i) {
        const QString path = added.path(i);
        if (seen.contains(path)) {
            if (taken.count++ == 0)
                taken.first = path;
        } else {
            seen.insert(path);
        }
    }
    return taken;
}

QString PathsTakenWarning(const TakenPaths& taken) {
    if (taken.count == 0)
        return {};
    return QCoreApplication::translate(
               "ListEdits", "%1 of the new jobs save to a path that another job has already (%2): "
                            "they are fetched one after another, and the last one's file stays.")
        .arg(taken.count)
        .arg(QDir::toNativeSeparators(taken.first));
}

QString FailureCauses(const JobGrid& grid, qsizetype most) {
    // The causes in the order first met, the most common first. Marks are
    // read as the list keeps them: no text per job but the failures' reasons.
    QStringList causes;
    QHash<QString, int> counts;
    const JobList& jobs = grid.Jobs();
    for (size_t i = 0; i < jobs.size(); ++i) {
        const JobList::Mark mark = jobs.mark(i);
        if (mark != JobList::Mark::Failed && mark != JobList::Mark::GivenUp)
            continue;
        const QString cause = JobPolicy::CauseOf(jobs.reason(i));
        if (!counts.contains(cause))
            causes << cause;
        ++counts[cause];
    }
    std::stable_sort(causes.begin(), causes.end(), [&](const QString& a, const QString& b) {
        return counts.value(a) > counts.value(b);
    });
    QStringList named;
    for (qsizetype i = 0; i < std::min(causes.size(), most); ++i)
        named << QStringLiteral("%1: %2").arg(
            causes[i].isEmpty() ? QCoreApplication::translate("ListEdits", "no reason") : causes[i],
            QString::number(counts.value(causes[i])));
    if (causes.size() > most)
        named << QStringLiteral("…");
    return named.join(QStringLiteral(", "));
}

QString Summary(const JobGrid& grid) {
    using M = JobList::Mark;
    // The marks in the order of a run, then any other text, then the jobs
    // never tried; counted on the marks the list keeps.
    const std::pair<M, QString> order[] = {
        {M::Done, StatusMark::Done},       {M::Skipped, StatusMark::Skipped},
        {M::Small, StatusMark::Small},     {M::Failed, StatusMark::Failed},
        {M::GivenUp, StatusMark::GivenUp}, {M::Requested, StatusMark::Requested}};
    std::map<M, int> counts;
    std::map<QString, int> others;
    const JobList& jobs = grid.Jobs();
    for (size_t i = 0; i < jobs.size(); ++i) {
        const M mark = jobs.mark(i);
        if (mark == M::Other)
            ++others[jobs.status(i)];
        else
            ++counts[mark];
    }
    // The causes stand after the last failure mark.
    const M lastFailure = counts[M::GivenUp] > 0 ? M::GivenUp : M::Failed;
    QStringList parts;
    for (const auto& [mark, glyph] : order) {
        const int n = counts[mark];
        if (n == 0)
            continue;
        QString part = QStringLiteral("%1 %2").arg(n).arg(glyph);
        if (mark == lastFailure)
            part += QStringLiteral(" (%1)").arg(FailureCauses(grid, 3));
        parts << part;
    }
    for (const auto& [text, n] : others)
        parts << QStringLiteral("%1 %2").arg(n).arg(text);
    if (const int untried = counts[M::None]; untried > 0)
        parts << QCoreApplication::translate("ListEdits", "%1 not tried").arg(untried);
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
