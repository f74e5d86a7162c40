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

/// A series whose end is still to be found, kept with the job list: a run
/// lists its numbers as the answers come in, and the series is dropped once
/// a completed run has found its end. `pattern` is a URL pattern whose last
/// range is open (`http://h/img_[001-].jpg`), `folder` ends in "/", `name`
/// is a file-name template (`#1.jpg`) or empty for the URL's path below the
/// pattern's fixed part, and `misses` missing numbers in a row end it.
struct OpenSeries {
    static constexpr int kDefaultMisses = 3;
    static constexpr int kMaxMisses = 100;

    QString pattern;
    QString folder;
    QString name = {};
    int misses = kDefaultMisses;

    friend bool operator==(const OpenSeries&, const OpenSeries&) = default;
};
