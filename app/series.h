#pragma once

#include "settings/job_list.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <vector>

/// The inputs of one series, as the main window (or the command line) holds
/// them. The URL is a plain concatenation: a base URL without its "/" glues
/// the names on (the user may mean a prefix of them). The save folder is a
/// folder whether or not it was typed with its "/" (see FolderWithSlash).
struct SeriesSpec {
    QString baseUrl; ///< `ComboBox1`
    QString saveDir; ///< `Edit4`
    QString head;    ///< `Edit1`
    int digits = 2;  ///< `SpinEdit1`
    qint32 start = 1;
    qint32 end = 12;
    QString tail; ///< `Edit3`
    /// Every step-th number from start (the command line's `[1-40:2]`); the
    /// window always lists every number.
    qint32 step = 1;
};

/// Why a series was refused; None when it may be listed up.
enum class SeriesError {
    None,
    StartNotInteger,
    EndNotInteger,
    TooManyDigits,
    TooManyJobs,
    ListFull,
};

/// Bounds that keep one List Up from exhausting memory. Linux file names are
/// at most 255 bytes, so a wider number could never be saved anyway.
inline constexpr int kMaxSeriesDigits = 255;
inline constexpr qint64 kMaxJobsPerListUp = 1'000'000;
/// Total jobs the list may hold after a List Up; far below the 32-bit row
/// numbers the grid works in.
inline constexpr qint64 kMaxJobsInList = 10'000'000;

/// Start/end normalisation: an empty text becomes "0"; otherwise every
/// character outside "0".."9" is dropped, the digits keeping their order (so
/// a text of only non-digits becomes empty, which then fails the conversion).
QString NormaliseSeriesNumber(const QString& text);

/// Strict conversion of a start or end text to a signed 32-bit integer;
/// nothing when the text is empty or out of range.
std::optional<qint32> ParseSeriesNumber(const QString& text);

/// `folder` ending in "/", so that a file name joined to it lands inside it;
/// the empty text (the working folder) stays empty.
QString FolderWithSlash(const QString& folder);

/// head + `IntToStrL`(number, digits) + tail. The caller keeps digits within
/// kMaxSeriesDigits (see CheckSeriesDigits).
QString SeriesFileName(const QString& head, qint64 number, int digits, const QString& tail);

/// Number of jobs from start to end inclusive, every step-th number (step
/// >= 1); 0 when end < start. Never overflows, whatever the numbers.
qint64 SeriesJobCount(qint32 start, qint32 end, qint32 step = 1);

/// TooManyDigits when a digit count would build names no file system takes.
SeriesError CheckSeriesDigits(int digits);

/// Whether `spec` may be appended to a list that already holds `jobsInList`
/// jobs. A reversed range (start > end) is fine: it appends nothing.
SeriesError CheckSeries(const SeriesSpec& spec, qint64 jobsInList);

/// The message shown for a refusal. `spec` gives the numbers quoted in it;
/// `badText` is the input text that failed a conversion.
QString SeriesErrorMessage(SeriesError error, const SeriesSpec& spec = {},
                           const QString& badText = {});

/// The preview "first  -  last" (two blanks, a hyphen, two blanks). Nothing
/// when the digit count is refused.
std::optional<QString> SeriesPreview(const QString& head, qint32 start, qint32 end, int digits,
                                     const QString& tail);

/// One job per number from start to end, in order, with an empty status.
/// Empty for a reversed range. Requires CheckSeries(spec, …) == None.
JobList ExpandSeries(const SeriesSpec& spec);

/// What List Up adds to a list: the refusal (then no jobs), or the jobs to
/// append and how many of the series the list held already.
struct ListedSeries {
    SeriesError refusal = SeriesError::None;
    JobList jobs;
    size_t alreadyListed = 0;
};
/// List Up, for both front ends: checks `spec` against a list of
/// `jobsInList` jobs and expands it; `listed`, when given, says which jobs
/// the list holds already (the same URL and path), and those are left out.
/// The caller appends `jobs`. Throws std::bad_alloc for a series too big
/// for the memory.
ListedSeries ListUpSeries(const SeriesSpec& spec, qint64 jobsInList,
                          const std::function<bool(const Job&)>& listed = {});
