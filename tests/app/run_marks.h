#pragma once

// The marks a run leaves in the job list, spelt out here rather than taken
// from the program, so that a changed mark fails the tests.
#include "app/job_grid.h"

#include <QStringList>

inline const QString kDone = QStringLiteral("○");
inline const QString kRequested = QStringLiteral("↓");
inline const QString kSkipped = QStringLiteral("▲");
inline const QString kSmall = QStringLiteral("▽");
inline const QString kFailed = QStringLiteral("▼");
inline const QString kGivenUp = QStringLiteral("×");

/// The mark of every job, top to bottom.
inline QStringList MarksOf(const JobGrid& grid) {
    QStringList marks;
    for (int row = 1; row < grid.NextRow(); ++row)
        marks << grid.Status(row);
    return marks;
}
