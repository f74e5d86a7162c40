#pragma once

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

} // namespace StatusMark
