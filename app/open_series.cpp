#include "app/open_series.h"

#include "app/download_outcome.h"
#include "app/download_run.h"
#include "app/list_edits.h"
#include "app/series.h"

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <algorithm>

OpenSeriesPlan::OpenSeriesPlan(qint64 first, int misses, int lanes, qint64 cap)
    : first_(first)
    , next_(first)
    , lastFound_(first - 1)
    , misses_(std::max(misses, 1))
    , lanes_(std::max(lanes, 1))
    , cap_(std::max<qint64>(cap, 1)) {}

std::optional<qint64> OpenSeriesPlan::NextToList() {
    if (next_ - first_ >= cap_ || next_ > Limit())
        return std::nullopt;
    waiting_.insert(next_);
    return next_++;
}

void OpenSeriesPlan::Listed(qint64 number) {
    waiting_.insert(number);
    next_ = std::max(next_, number + 1);
}

void OpenSeriesPlan::Settle(qint64 number) {
    waiting_.erase(number);
    found_.erase(number);
    missing_.erase(number);
}

void OpenSeriesPlan::Found(qint64 number) {
    Settle(number);
    found_.insert(number);
    lastFound_ = std::max(lastFound_, number);
}

void OpenSeriesPlan::Missing(qint64 number) {
    Settle(number);
    missing_.insert(number);
    lastFound_ = found_.empty() ? first_ - 1 : *found_.rbegin();
}

void OpenSeriesPlan::Failed(qint64 number) {
    Settle(number);
    lastFound_ = found_.empty() ? first_ - 1 : *found_.rbegin();
}

void OpenSeriesPlan::Take(qint64 number, SeriesAnswer answer) {
    switch (answer) {
    case SeriesAnswer::Found:
        Found(number);
        break;
    case SeriesAnswer::Missing:
        Missing(number);
        break;
    case SeriesAnswer::Failed:
        Failed(number);
        break;
    case SeriesAnswer::None:
        break;
    }
}

bool OpenSeriesPlan::Over() const {
    return waiting_.empty() && (next_ > Limit() || next_ - first_ >= cap_);
}

std::vector<qint64> OpenSeriesPlan::PastTheEnd() const {
    if (!Over() || found_.empty())
        return {};
    return {missing_.upper_bound(lastFound_), missing_.end()};
}

SeriesAnswer AnswerOf(JobList::Mark mark, int httpStatus, bool replyWhole) {
    using M = JobList::Mark;
    switch (mark) {
    case M::Done:
    case M::Skipped:
        return SeriesAnswer::Found;
    case M::Failed:
        // A page where a picture was asked for came with a success status.
        return httpStatus == 404 || httpStatus == 410 ||
                       (replyWhole && httpStatus >= 200 && httpStatus < 300)
                   ? SeriesAnswer::Missing
                   : SeriesAnswer::Failed;
    case M::GivenUp:
        return SeriesAnswer::Failed;
    default:
        return SeriesAnswer::None;
    }
}

namespace {

// The status a kept job's reason names ("HTTP/1.1 404 Not Found"), 0 when
// none: the answer of a job fetched by an earlier run.
int StatusInReason(const QString& reason) {
    static const QRegularExpression status(QStringLiteral("^HTTP/\\d(?:\\.\\d)? (\\d{3})\\b"));
    const QRegularExpressionMatch m = status.match(reason);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

} // namespace

OpenSeriesRun::OpenSeriesRun(DownloadRun& run, JobGrid& grid, OpenSeries series, UrlPattern pattern,
                             int lanes, qint64 cap)
    : grid_(grid)
    , open_(std::move(series))
    , pattern_(std::move(pattern))
    , lanes_(lanes)
    , cap_(cap) {
    connect(&run, &DownloadRun::requestEnded, this,
            [this](JobGrid::JobId id, const DownloadOutcome& outcome) {
                if (!numbers_.contains(id))
                    return;
                status_[id] = {outcome.httpStatus, outcome.Succeeded()};
                const int row = grid_.RowOf(id);
                if (row != 0)
                    Answer(id,
                           AnswerOf(grid_.MarkAt(row), outcome.httpStatus, outcome.Succeeded()));
            });
    // A mark given after the request (the checks of a saved file) or without
    // one (a file that exists, skipped).
    connect(&run, &DownloadRun::jobFinished, this,
            [this](JobGrid::JobId id, JobList::Mark mark, const QString&) {
                if (numbers_.contains(id) &&
                    (status_.contains(id) || mark == JobList::Mark::Skipped))
                    Answer(id, AnswerOf(mark, status_.value(id).status, status_.value(id).whole));
            });
}

Job OpenSeriesRun::JobAt(qint64 number) const {
    const QString name = open_.name.isEmpty() ? pattern_.RelativePath(number, series_)
                                              : pattern_.FileName(number, open_.name, series_);
    return Job{QString(), pattern_.UrlAt(number, series_), open_.folder + name};
}

void OpenSeriesRun::Start() {
    seriesCount_ = std::max<qint64>(pattern_.Count(cap_).value_or(1), 1);
    series_ = 0;
    NewPlan();
    ListWhatIsAllowed();
}

void OpenSeriesRun::NewPlan() {
    plan_.emplace(0, open_.misses, lanes_, cap_);
    // The jobs an earlier run listed of this series count as listed, with
    // the answers their marks give.
    QHash<QString, int> rows;
    for (int row = 1; grid_.IsJobRow(row); ++row)
        rows.insert(grid_.Url(row), row);
    for (qint64 n = 0;; ++n) {
        const int row = rows.value(pattern_.UrlAt(n, series_));
        if (row == 0)
            break;
        const JobGrid::JobId id = grid_.IdAt(row);
        numbers_.insert(id, {series_, n});
        plan_->Listed(n);
        plan_->Take(n, AnswerOf(grid_.MarkAt(row), StatusInReason(grid_.Reason(row)), false));
    }
}

void OpenSeriesRun::ListWhatIsAllowed() {
    while (plan_) {
        if (const std::optional<qint64> n = plan_->NextToList()) {
            const Job job = JobAt(*n);
            // Folders appear as the series needs them (ch01/, ch02/ …); one
            // that cannot be made fails its jobs with the reason.
            if (const QString folder = ListEdits::FolderOf(job.path); folder != madeFolder_) {
                QDir().mkpath(folder);
                madeFolder_ = folder;
            }
            grid_.Append(job);
            numbers_.insert(grid_.IdAt(grid_.NextRow() - 1), {series_, *n});
            ++listed_;
            continue;
        }
        if (!plan_->Over())
            return;
        for (const qint64 n : plan_->PastTheEnd())
            for (auto it = numbers_.cbegin(); it != numbers_.cend(); ++it)
                if (it.value() == std::pair{series_, n})
                    pastTheEnd_.push_back(it.key());
        if (++series_ >= seriesCount_) {
            plan_.reset();
            return;
        }
        NewPlan();
    }
}

void OpenSeriesRun::Answer(JobGrid::JobId id, SeriesAnswer answer) {
    const auto [series, number] = numbers_.value(id);
    if (!plan_ || series != series_ || answer == SeriesAnswer::None)
        return;
    plan_->Take(number, answer);
    ListWhatIsAllowed();
}

void OpenSeriesRun::RunFinished(bool completed) {
    if (!completed)
        return;
    // Every series of the pattern has found its end: the list is closed now.
    if (!plan_)
        grid_.CloseOpenSeries(open_);
    std::vector<int> rows;
    for (const JobGrid::JobId id : pastTheEnd_)
        if (const int row = grid_.RowOf(id); row != 0)
            rows.push_back(row);
    std::sort(rows.rbegin(), rows.rend());
    for (const int row : rows)
        grid_.DeleteRows(row, row);
    pastTheEnd_.clear();
}

OpenSeriesRuns::OpenSeriesRuns(DownloadRun& run, JobGrid& grid)
    : run_(run)
    , grid_(grid) {
    connect(&run_, &DownloadRun::runFinished, this, [this](DownloadRun::End end) {
        for (const auto& series : runs_)
            series->RunFinished(end == DownloadRun::End::Completed);
        runs_.clear();
    });
}

QStringList OpenSeriesRuns::Start(int lanes, qint64 cap) {
    runs_.clear();
    QStringList problems;
    // A copy: a series may close while the others are listed.
    const std::vector<OpenSeries> open = grid_.OpenSeriesList();
    for (const OpenSeries& series : open) {
        if (const QString problem = OpenSeriesProblem(series); !problem.isEmpty()) {
            problems << problem;
            continue;
        }
        runs_.push_back(std::make_unique<OpenSeriesRun>(
            run_, grid_, series, UrlPattern::Parse(series.pattern), lanes, cap));
        runs_.back()->Start();
    }
    return problems;
}

OpenSeries OpenSeriesOf(const QString& baseUrl, const QString& head, int digits, qint64 start,
                        const QString& tail, const QString& saveDir, int misses) {
    // The first number written to the width gives the padding, as in a
    // fetch pattern (`[001-]`); the names are the closed series' own.
    const QString first =
        QStringLiteral("%1").arg(start, std::max(digits, 1), 10, QLatin1Char('0'));
    OpenSeries series;
    series.pattern = UrlPattern::Escape(baseUrl + head) + QLatin1Char('[') + first +
                     QStringLiteral("-]") + UrlPattern::Escape(tail);
    series.folder = FolderWithSlash(saveDir);
    // Named as the closed series names them. A "#" and digits in the head or
    // tail would read as a number of the template; the URL's own name rule
    // is taken then (the same name below a base URL ending in "/").
    static const QRegularExpression numbered(QStringLiteral("#\\d"));
    if (!(head + tail).contains(numbered))
        series.name = head + QStringLiteral("#1") + tail;
    series.misses = misses;
    return series;
}

QString OpenSeriesProblem(const OpenSeries& series) {
    const UrlPattern pattern = UrlPattern::Parse(series.pattern);
    QString why;
    if (!pattern.IsValid())
        why = pattern.Error();
    else if (!pattern.OpenEnd())
        why = QCoreApplication::translate("OpenSeries", "its last range has an end");
    else if (series.name.isEmpty())
        why = pattern.RelativePathError();
    if (why.isEmpty())
        return {};
    return QCoreApplication::translate("OpenSeries", "the open series %1 cannot be fetched: %2")
        .arg(series.pattern, why);
}

QString OpenEndPreview(const QString& firstName, int misses) {
    return QCoreApplication::translate("OpenSeries",
                                       "%1  -  (open end: until %2 numbers in a row are missing)")
        .arg(firstName, QString::number(misses));
}
