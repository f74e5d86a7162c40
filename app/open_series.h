#pragma once

#include "app/job_grid.h"
#include "app/url_pattern.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <set>
#include <vector>

class DownloadRun;
struct DownloadOutcome;

/// How a job answers an open series: a file, a miss (404, 410, or a reply
/// the content check rejected), another failure, or nothing yet (a job
/// still to be fetched again or checked). `httpStatus` is 0 when unknown;
/// `replyWhole` says the request itself ended with a whole success reply,
/// so that a failure with a success status came from the look at the saved
/// file, not from a cut or refused transfer, which is no miss.
enum class SeriesAnswer { None, Found, Missing, Failed };
SeriesAnswer AnswerOf(JobList::Mark mark, int httpStatus, bool replyWhole);

/// The numbers of a series whose end nobody knows. Numbers are listed from
/// the first on while they stay within `misses + lanes - 1` of the last one
/// found, so one file at a time asks exactly `misses` numbers past the end
/// and N at once at most N + misses. Misses are counted by number, not by
/// the order the answers came in: a file found after a miss makes the miss
/// one in the middle, and the series goes on. No clock, no network.
class OpenSeriesPlan {
public:
    /// `misses` consecutive missing numbers end the series (at least 1);
    /// `lanes` files are fetched at once (at least 1); at most `cap`
    /// numbers are listed.
    OpenSeriesPlan(qint64 first, int misses, int lanes, qint64 cap);

    /// The next number to list now, or nothing while the answers so far
    /// allow none (or the series is over).
    std::optional<qint64> NextToList();
    /// A number listed before (a resumed list): it waits for its answer.
    void Listed(qint64 number);
    /// The answer for a listed number; a later answer replaces an earlier
    /// one (a file found, then taken for a web page by the content check).
    /// A failure that is no miss (a 500, a reset) does not carry the series
    /// on, and its job stays a failure.
    void Found(qint64 number);
    void Missing(qint64 number);
    void Failed(qint64 number);
    /// One of the three above as `answer` says; nothing for None.
    void Take(qint64 number, SeriesAnswer answer);

    /// No number may be listed any more and every listed one is answered.
    bool Over() const;
    /// The last number found; first - 1 when none was.
    qint64 LastFound() const { return lastFound_; }
    /// The missing numbers after the last one found, once the series is
    /// over: they are no files and no failures. None while nothing was found,
    /// so that the misses stay to say why.
    std::vector<qint64> PastTheEnd() const;

private:
    qint64 Limit() const { return lastFound_ + misses_ + lanes_ - 1; }

    qint64 first_;
    qint64 next_;
    qint64 lastFound_;
    int misses_;
    int lanes_;
    qint64 cap_;
    void Settle(qint64 number);

    std::set<qint64> waiting_;
    std::set<qint64> found_;
    std::set<qint64> missing_;
};

/// An open-ended pattern (`img_[001-]`) fetched by a run: lists the jobs of
/// its numbers on the grid as the answers allow, each outer combination of
/// the pattern in turn, and when the run has completed, takes the jobs past
/// each series' end off the grid and the series off the grid's open ones.
/// Jobs of the pattern already on the grid (an earlier run) are counted as
/// listed.
class OpenSeriesRun : public QObject {
public:
    /// `pattern` is `series.pattern` read, open-ended.
    OpenSeriesRun(DownloadRun& run, JobGrid& grid, OpenSeries series, UrlPattern pattern, int lanes,
                  qint64 cap);

    /// Lists the first numbers; call before the run starts.
    void Start();
    /// After the run (see the class comment); nothing after a stopped run,
    /// which has not found where the series ends.
    void RunFinished(bool completed);
    /// Jobs listed by this run so far.
    qint64 Listed() const { return listed_; }

private:
    Job JobAt(qint64 number) const;
    void NewPlan();
    void ListWhatIsAllowed();
    void Answer(JobGrid::JobId id, SeriesAnswer answer);

    JobGrid& grid_;
    OpenSeries open_;
    UrlPattern pattern_;
    int lanes_;
    qint64 cap_;
    qint64 series_ = 0;
    qint64 seriesCount_ = 1;
    std::optional<OpenSeriesPlan> plan_;
    /// Job -> (series, number), for every job of the pattern on the grid.
    QHash<JobGrid::JobId, std::pair<qint64, qint64>> numbers_;
    /// How each job's last request ended: its HTTP status, and whether the
    /// reply came whole.
    struct Ended {
        int status = 0;
        bool whole = false;
    };
    QHash<JobGrid::JobId, Ended> status_;
    /// The jobs past the end of the series that are over.
    std::vector<JobGrid::JobId> pastTheEnd_;
    qint64 listed_ = 0;
    QString madeFolder_; ///< the folder last made for a job listed
};

/// The open series of a grid while a run fetches them: one OpenSeriesRun
/// each from Start() to the run's end. Made before the front end's own
/// handlers of the run, so that the jobs past the end are gone when they
/// see the run finish.
class OpenSeriesRuns : public QObject {
public:
    OpenSeriesRuns(DownloadRun& run, JobGrid& grid);

    /// Lists the first numbers of each of the grid's open series, `lanes`
    /// files at once, at most `cap` jobs each. Returns a text for each series
    /// that cannot be fetched (a pattern that no longer reads); those stay.
    QStringList Start(int lanes, qint64 cap);

private:
    DownloadRun& run_;
    JobGrid& grid_;
    std::vector<std::unique_ptr<OpenSeriesRun>> runs_;
};

/// The open series the described inputs give with an open end: the pattern
/// `base + head + [start-] + tail`, its numbers padded to `digits`, named
/// head, number and tail in the save folder as a closed series is.
OpenSeries OpenSeriesOf(const QString& baseUrl, const QString& head, int digits, qint64 start,
                        const QString& tail, const QString& saveDir, int misses);

/// Why `series` cannot be fetched (a pattern that does not read, has no open
/// end, or names no file); the empty text when it can.
QString OpenSeriesProblem(const OpenSeries& series);

/// The preview of an open series: its first file name, and how it ends.
QString OpenEndPreview(const QString& firstName, int misses);
