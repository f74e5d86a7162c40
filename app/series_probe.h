#pragma once

#include "app/file_url_split.h"

#include <QString>
#include <QtGlobal>
#include <map>
#include <optional>
#include <vector>

/// What a probe found: the series `head` + number padded to `digits` + tail,
/// from `first` to `last`; or, when `error` is not empty, why it found none.
struct ProbedSeries {
    QString head;
    int digits = 1; ///< the padding width; 1 (or 0) is unpadded
    qint64 first = 0;
    qint64 last = 0;
    int requests = 0; ///< questions answered, the failed one included
    /// Misses met by the search that set off a look past them (each costs up
    /// to misses - 1 more questions).
    int missesMet = 0;
    QString error;

    bool operator==(const ProbedSeries&) const = default;
};

/// Finds the series one file belongs to by asking the server about other
/// numbers: which padding it writes, where it starts (0, 1 or the pasted
/// number) and where it ends. Only the plan lives here: the caller puts each
/// question to the server (a HEAD request, say) and hands back the answer.
/// No sockets, no clock.
///
/// `misses` consecutive missing numbers end a series; fewer are a gap inside
/// it. The questions stay within 2 * log2(last) + 12, plus misses - 1 for each
/// miss met, for a series that starts at 0, 1 or the pasted number.
class SeriesProbe {
public:
    static constexpr int kDefaultMisses = 3;
    static constexpr int kMaxMisses = 100;

    /// Does the file numbered `number`, written `width` digits wide, exist?
    struct Question {
        qint64 number = 0;
        int width = 1; ///< 1 is unpadded
        QString url;   ///< base URL + head + padded number + tail

        bool operator==(const Question&) const = default;
    };

    enum class Reply {
        Found,
        /// 404 or 410, or a reply the content check takes for a stand-in page.
        Missing,
        /// Anything else: the probe ends with the reason.
        Failed,
    };

    /// Starts from one file's URL taken apart. `misses` is kept within 1 to
    /// kMaxMisses.
    explicit SeriesProbe(FileUrlParts pasted, int misses = kDefaultMisses);

    /// The question to ask now (the same one until it is answered); nothing
    /// when the probe has finished.
    std::optional<Question> Next();
    /// The answer to the question Next() gave; `reason` says why a Failed
    /// reply failed (a status line, a socket error).
    void Answer(Reply reply, const QString& reason = {});
    /// The series, or the error; nothing before Next() has given nothing.
    std::optional<ProbedSeries> Result() const;

private:
    enum class Seen { Found, Missing, Asking };
    struct Hit {
        Seen seen;
        qint64 number = 0;
    };

    void Replay();
    std::optional<qint64> FirstNumber();
    std::optional<qint64> LastNumber(qint64 top);
    std::optional<qint64> Bisect(qint64 found, qint64 missing);
    Seen Has(qint64 number);
    Hit FoundAbove(qint64 miss, qint64 limit);
    Hit FoundBelow(qint64 miss, qint64 limit);
    qint64 WidthTop() const;
    void Fail(const QString& error);

    FileUrlParts parts_;
    qint64 pasted_ = 0;
    int misses_ = kDefaultMisses;
    /// The paddings the pasted text allows, most likely first.
    std::vector<int> widths_;
    /// Every answer so far, by the digits asked.
    std::map<QString, bool> answers_;
    std::optional<QString> error_;
    int asked_ = 0;

    // Rebuilt by each replay of the plan over the answers.
    std::vector<int> live_;
    int missesMet_ = 0;
    std::optional<Question> pending_;
    std::optional<ProbedSeries> result_;
};
