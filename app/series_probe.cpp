#include "app/series_probe.h"

#include "platform/int_to_str_l.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cstdlib>
#include <limits>

namespace {

// The series inputs take signed 32-bit numbers: nothing beyond is asked.
constexpr qint64 kMaxNumber = std::numeric_limits<qint32>::max();

QString Digits(qint64 number, int width) {
    return IntToStrL(number, width);
}

bool Holds(const std::vector<int>& widths, int width) {
    return std::find(widths.begin(), widths.end(), width) != widths.end();
}

// Which paddings the pasted digits allow, most likely first.
//
// Digits with a leading zero ("07") were padded to their own width; the width
// after it is a second guess in case the text was cut short ("07" of a series
// that writes "007"). Digits without one ("7", "17", "137") are what every
// width up to their own writes, or a wider padding wrote what the server has
// ("017"). The usual series are unpadded, padded to the number's own width,
// or padded to 2 or 3: those four are the candidates, in that order.
//
// The padding shows in small numbers only, and number 1 is the one a series
// most often has, so the probe asks for 1 in each candidate's writing before
// anything else: "1", then "01", then "001" for the digits "7" and "17", and
// "1", "001", "01" for "137". Whichever of the usual paddings the series has,
// it is known after at most 3 questions (4 for a pasted number of four
// digits or more, which has four usual candidates). Padded to the pasted
// digits' own width costs 1 question for digits with a leading zero.
std::vector<int> CandidateWidths(const QString& digits, qint64 number) {
    const int width = int(digits.size());
    const int own = int(QString::number(number).size());
    if (width > own)
        return width < 3 ? std::vector<int>{width, 3} : std::vector<int>{width};
    std::vector<int> widths;
    for (int w : {1, own, 2, 3})
        if (!Holds(widths, w))
            widths.push_back(w);
    return widths;
}

} // namespace

SeriesProbe::SeriesProbe(FileUrlParts pasted, int misses)
    : parts_(std::move(pasted))
    , pasted_(parts_.start.toLongLong())
    , misses_(std::clamp(misses, 1, kMaxMisses))
    , widths_(CandidateWidths(parts_.start, pasted_)) {
    Replay();
}

std::optional<SeriesProbe::Question> SeriesProbe::Next() {
    return pending_;
}

void SeriesProbe::Answer(Reply reply, const QString& reason) {
    if (!pending_)
        return;
    ++asked_;
    if (reply == Reply::Failed) {
        const QString why = reason.isEmpty()
                                ? QCoreApplication::translate("SeriesProbe", "no reason given")
                                : reason;
        error_ = QCoreApplication::translate("SeriesProbe", "Asking for %1 failed: %2")
                     .arg(pending_->url, why);
    } else {
        answers_[Digits(pending_->number, pending_->width)] = reply == Reply::Found;
    }
    Replay();
}

std::optional<ProbedSeries> SeriesProbe::Result() const {
    return result_;
}

// The plan is written as straight-line code that asks and waits; it runs
// again from the top over the answers kept so far after every answer, and
// stops at the first number it has no answer for. Every question is one
// more answer, so each run goes further, and a few dozen questions make the
// repeats cost nothing.
void SeriesProbe::Replay() {
    live_ = widths_;
    missesMet_ = 0;
    pending_.reset();
    result_.reset();
    const std::optional<qint64> first = FirstNumber();
    const std::optional<qint64> last = first ? LastNumber(WidthTop()) : std::nullopt;
    if (pending_ && error_) {
        pending_.reset();
        Fail(*error_);
    }
    if (!last)
        return;
    // Widths that are all still possible write the same names for every
    // number of the series: the pasted digits' own width is the one to show.
    const int width = int(parts_.start.size());
    result_ = ProbedSeries{
        parts_.head, Holds(live_, width) ? width : live_.front(), *first, *last, asked_, missesMet_,
        {}};
}

// 0 or 1 when the series has number 1, else the pasted number or the lowest
// number below it that no run of `misses` missing numbers cuts off. A series
// without 1 is taken not to start at 0: 1 would be a gap at its very start.
std::optional<qint64> SeriesProbe::FirstNumber() {
    const auto notThere = [this]() -> std::optional<qint64> {
        QStringList names;
        for (int width : live_) {
            const QString name = parts_.head + Digits(pasted_, width) + parts_.tail;
            if (!names.contains(name))
                names << name;
        }
        Fail(QCoreApplication::translate("SeriesProbe", "The server has no file numbered %1 (%2)")
                 .arg(pasted_)
                 .arg(names.join(QLatin1String(", "))));
        return std::nullopt;
    };
    if (pasted_ == 0) {
        const Seen zero = Has(0);
        if (zero == Seen::Asking)
            return std::nullopt;
        return zero == Seen::Found ? std::optional<qint64>(0) : notThere();
    }
    const Seen one = Has(1);
    if (one == Seen::Asking)
        return std::nullopt;
    if (one == Seen::Found) {
        const Seen zero = Has(0);
        if (zero == Seen::Asking)
            return std::nullopt;
        const Seen self = pasted_ > 1 ? Has(pasted_) : Seen::Found;
        if (self == Seen::Asking)
            return std::nullopt;
        if (self == Seen::Missing)
            return notThere();
        return zero == Seen::Found ? 0 : 1;
    }
    if (pasted_ == 1)
        return notThere();
    const Seen self = Has(pasted_);
    if (self == Seen::Asking)
        return std::nullopt;
    if (self == Seen::Missing)
        return notThere();

    // Number 1 is missing (and 0 with it): bisect between it and a number
    // found just below the pasted one, if any.
    qint64 lo = 1;
    qint64 hi = pasted_;
    if (pasted_ - 1 > lo) {
        const Seen below = Has(pasted_ - 1);
        if (below == Seen::Asking)
            return std::nullopt;
        if (below == Seen::Found) {
            hi = pasted_ - 1;
        } else {
            ++missesMet_;
            const Hit hit = FoundBelow(pasted_ - 1, lo);
            if (hit.seen == Seen::Asking)
                return std::nullopt;
            if (hit.seen == Seen::Missing)
                return pasted_;
            hi = hit.number;
        }
    }
    // lo is missing with nothing found just below it; hi is found.
    return Bisect(hi, lo);
}

// Gallops up from the pasted number, doubling the distance, until a miss that
// is no gap; then bisects between the last number found and that miss.
//
// A padded series most often ends where its width does (99 for 2 digits): the
// gallop does not jump over that number but asks for it, and then for the
// one after it, so such a series ends there without a bisection; one that
// goes on past its width (01 ... 137) is followed as any other.
std::optional<qint64> SeriesProbe::LastNumber(qint64 top) {
    qint64 lo = pasted_;        // found
    qint64 hi = kMaxNumber + 1; // missing, and the next misses - 1 numbers too
    for (qint64 distance = 1; lo < kMaxNumber; distance *= 2) {
        qint64 ahead = std::min(pasted_ + distance, kMaxNumber);
        if (lo < top && ahead > top)
            ahead = top;
        else if (lo == top)
            ahead = top + 1;
        if (ahead <= lo)
            continue; // a gap's far side was found beyond it
        const Seen seen = Has(ahead);
        if (seen == Seen::Asking)
            return std::nullopt;
        if (seen == Seen::Found) {
            lo = ahead;
            continue;
        }
        ++missesMet_;
        const Hit hit = FoundAbove(ahead, hi);
        if (hit.seen == Seen::Asking)
            return std::nullopt;
        if (hit.seen == Seen::Found) {
            lo = hit.number;
            continue;
        }
        hi = ahead;
        break;
    }
    return Bisect(lo, hi);
}

// Halves the numbers between `found` and `missing` (either may be the lower)
// until they are neighbours; a miss on the way is looked past, as a gap may
// be, towards `missing`. The end of the series on the side of `missing`.
std::optional<qint64> SeriesProbe::Bisect(qint64 found, qint64 missing) {
    const bool upwards = found < missing;
    while (std::abs(missing - found) > 1) {
        const qint64 mid = std::min(found, missing) + std::abs(missing - found) / 2;
        const Seen seen = Has(mid);
        if (seen == Seen::Asking)
            return std::nullopt;
        if (seen == Seen::Found) {
            found = mid;
            continue;
        }
        ++missesMet_;
        const Hit hit = upwards ? FoundAbove(mid, missing) : FoundBelow(mid, missing);
        if (hit.seen == Seen::Asking)
            return std::nullopt;
        if (hit.seen == Seen::Found)
            found = hit.number;
        else
            missing = mid;
    }
    return found;
}

// Asks for `number` in each writing the live widths give it, until one is
// found; a found writing drops the widths that write the number otherwise. A
// missing one drops none: the series may simply not have that number.
SeriesProbe::Seen SeriesProbe::Has(qint64 number) {
    QStringList asked;
    for (int width : live_) {
        const QString digits = Digits(number, width);
        if (asked.contains(digits))
            continue;
        asked << digits;
        const auto answer = answers_.find(digits);
        if (answer == answers_.end()) {
            pending_ = Question{number, width, parts_.baseUrl + parts_.head + digits + parts_.tail};
            return Seen::Asking;
        }
        if (answer->second) {
            std::erase_if(live_, [&](int w) { return Digits(number, w) != digits; });
            return Seen::Found;
        }
    }
    return Seen::Missing;
}

// After a miss: the first number found among the next misses - 1 numbers
// above it, short of `limit` (known missing, as are the numbers after it).
SeriesProbe::Hit SeriesProbe::FoundAbove(qint64 miss, qint64 limit) {
    for (qint64 n = miss + 1; n < limit && n < miss + misses_; ++n) {
        const Seen seen = Has(n);
        if (seen != Seen::Missing)
            return {seen, n};
    }
    return {Seen::Missing};
}

// The same below a miss, down to just above `limit`.
SeriesProbe::Hit SeriesProbe::FoundBelow(qint64 miss, qint64 limit) {
    for (qint64 n = miss - 1; n > limit && n > miss - misses_; --n) {
        const Seen seen = Has(n);
        if (seen != Seen::Missing)
            return {seen, n};
    }
    return {Seen::Missing};
}

// The largest number a proven padding writes without growing (99 for 2
// digits); none for a series that may be unpadded, or whose pasted number is
// already past it.
qint64 SeriesProbe::WidthTop() const {
    if (*std::min_element(live_.begin(), live_.end()) < 2)
        return kMaxNumber;
    qint64 top = 1;
    for (int i = *std::max_element(live_.begin(), live_.end()); i > 0; --i)
        top *= 10;
    return pasted_ < top ? top - 1 : kMaxNumber;
}

void SeriesProbe::Fail(const QString& error) {
    result_ = ProbedSeries{parts_.head, int(parts_.start.size()), 0, 0, asked_, missesMet_, error};
}
