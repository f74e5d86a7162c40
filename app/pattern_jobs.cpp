#include "app/pattern_jobs.h"

#include "app/open_series.h"
#include "app/series.h"
#include "app/url_pattern.h"

#include <QCoreApplication>
#include <QPair>
#include <QSet>

PatternJobs ListUpPattern(const PatternInputs& in, const JobList& listed, bool skipListed) {
    PatternJobs result;
    const UrlPattern pattern = UrlPattern::Parse(in.pattern);
    if (!pattern.IsValid()) {
        result.refusal = pattern.Error();
        return result;
    }
    const std::optional<qint64> count = pattern.Count(kMaxJobsPerListUp, &result.refusal);
    if (!count)
        return result;
    // An open end lists one job now; the run lists the others.
    const qint64 adding = pattern.OpenEnd() ? 1 : *count;
    if (qint64(listed.size()) + adding > kMaxJobsInList) {
        SeriesSpec asked;
        asked.start = 1;
        asked.end = qint32(adding);
        result.refusal = SeriesErrorMessage(SeriesError::ListFull, asked);
        return result;
    }
    if (in.name.isEmpty() && !pattern.RelativePathError().isEmpty()) {
        result.refusal = pattern.RelativePathError();
        return result;
    }
    const QString folder = FolderWithSlash(in.folder);
    QSet<QPair<QString, QString>> present;
    if (skipListed)
        for (const Job& job : listed)
            present.insert({job.url, job.path});
    for (UrlPattern::Cursor at(pattern); !at.AtEnd(); at.Next()) {
        const QString name = in.name.isEmpty() ? pattern.RelativePath(at.Index(), at.Series())
                                               : pattern.FileName(at.Index(), in.name, at.Series());
        Job job{QString(), at.Url(), folder + name};
        if (present.contains({job.url, job.path}))
            ++result.already;
        else
            result.jobs.push_back(job);
        if (pattern.OpenEnd())
            break;
    }
    if (pattern.OpenEnd())
        result.jobs.addOpenSeries({in.pattern, folder, in.name, in.misses});
    return result;
}

QString PatternPreview(const PatternInputs& in) {
    const UrlPattern pattern = UrlPattern::Parse(in.pattern);
    if (!pattern.IsValid())
        return pattern.Error();
    QString refusal;
    const std::optional<qint64> count = pattern.Count(kMaxJobsPerListUp, &refusal);
    if (!count)
        return refusal;
    if (in.name.isEmpty() && !pattern.RelativePathError().isEmpty())
        return pattern.RelativePathError();
    const auto nameAt = [&](qint64 index) {
        return in.name.isEmpty() ? pattern.RelativePath(index) : pattern.FileName(index, in.name);
    };
    const QString names = pattern.OpenEnd()
                              ? OpenEndPreview(nameAt(0), in.misses)
                              : QCoreApplication::translate("PatternJobs", "%1  -  %2 (%3 files)")
                                    .arg(nameAt(0), nameAt(*count - 1), QString::number(*count));
    return QCoreApplication::translate(
               "PatternJobs",
               "%1, by the URL's pattern; head, digits, start, end and tail are not used")
        .arg(names);
}
