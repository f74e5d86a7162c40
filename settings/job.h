#pragma once

#include <QString>

/// One download job: a row of the job grid and of the job list file.
/// `status` is the job's mark ("" for a job never tried); `reason` says why
/// a job ended "▼" or "×" (empty for any other mark).
struct Job {
    QString status;
    QString url;
    QString path;
    QString reason = {};

    friend bool operator==(const Job&, const Job&) = default;
};
