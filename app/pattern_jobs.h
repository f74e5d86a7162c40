#pragma once

#include "settings/job_list.h"

#include <QString>

/// What List Up makes of a URL pattern (`http://h/ch[01-10]/p[001-030].jpg`):
/// one job per URL of the product, the leftmost glob outermost, each saved
/// in the folder under the varying part of its path (`ch01/p001.jpg`) or as
/// a name template says (`c#1-p#2.jpg`). A pattern with an open end gives
/// its first job and the open series, which a run carries on.
struct PatternJobs {
    JobList jobs;       ///< with the open series for an open end
    qint64 already = 0; ///< jobs on the list already, not listed again
    QString refusal;    ///< why nothing is listed; empty otherwise
};

struct PatternInputs {
    QString pattern;
    QString folder; ///< a "/" is added when missing
    QString name;   ///< a name template; empty for the URL's path
    int misses = OpenSeries::kDefaultMisses;
};

/// `listed` is the list the jobs join (for its size, and for the jobs it
/// holds already when `skipListed`: a repeated fetch resumes rather than
/// lists twice).
PatternJobs ListUpPattern(const PatternInputs& in, const JobList& listed, bool skipListed);

/// The window's preview of a pattern: its first and last file names and how
/// many, or with an open end its first name and how the series ends, and
/// that the series inputs are not used; or why the pattern is refused.
QString PatternPreview(const PatternInputs& in);
