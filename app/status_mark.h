#pragma once

#include "settings/job_list.h"

#include <QString>

/// The one-character marks of a job's Status cell. The job list file stores
/// them as they stand, so their texts must never change.
namespace StatusMark {

inline const QString Done = QStringLiteral("○");      ///< the client reported success
inline const QString Requested = QStringLiteral("↓"); ///< request issued, not yet ended
inline const QString Skipped = QStringLiteral("▲");   ///< passed over: its file existed
inline const QString Small = QStringLiteral("▽");     ///< saved file too small, retry cycle open
inline const QString Failed = QStringLiteral("▼");    ///< the client reported failure
inline const QString GivenUp = QStringLiteral("×");   ///< given up; the next run tries again

/// Whether a run fetches a job with this mark: never tried, interrupted, or
/// given up. Every other text is passed over.
inline bool IsFetched(const QString& mark) {
    return mark.isEmpty() || mark == GivenUp || mark == Requested;
}

/// Whether the job ended well: fetched, or its file was already there.
inline bool IsSuccess(const QString& mark) {
    return mark == Done || mark == Skipped;
}

/// The glyph of a mark, as the Status cell and the file show it; empty for
/// None and for Other, whose text only the list keeps.
inline QString Glyph(JobList::Mark mark) {
    switch (mark) {
    case JobList::Mark::Done:
        return Done;
    case JobList::Mark::Requested:
        return Requested;
    case JobList::Mark::Skipped:
        return Skipped;
    case JobList::Mark::Small:
        return Small;
    case JobList::Mark::Failed:
        return Failed;
    case JobList::Mark::GivenUp:
        return GivenUp;
    case JobList::Mark::None:
    case JobList::Mark::Other:
        break;
    }
    return {};
}

/// The same, on a mark as a list stores it, for a scan over a whole list.
inline bool IsFetched(JobList::Mark mark) {
    using M = JobList::Mark;
    return mark == M::None || mark == M::GivenUp || mark == M::Requested;
}
inline bool IsSuccess(JobList::Mark mark) {
    return mark == JobList::Mark::Done || mark == JobList::Mark::Skipped;
}

/// The mark of a Status cell's text; Other for a text that is none of the six.
inline JobList::Mark MarkOf(const QString& glyph) {
    return JobList::markOf(glyph.toUtf8());
}

} // namespace StatusMark
