#include "settings/job_list_file.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"
#include "settings/job_list_journal.h"
#include "settings/job_list_sections.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QStringBuilder>
#include <algorithm>
#include <array>
#include <optional>
#include <set>

namespace {

using namespace JobListSections;

constexpr QByteArrayView kFailed("\xE2\x96\xBC"); // ▼
constexpr QByteArrayView kGivenUp("\xC3\x97");    // ×

bool isFailureMark(QByteArrayView mark) {
    return mark == kFailed || mark == kGivenUp;
}

// --- the validators of a row ---------------------------------------------------

// The URL goes with them: a key left behind by a row deleted in an older
// program, or edited by hand, never describes another row's file.
JobList::Validators readCheck(QByteArrayView value, QByteArrayView url) {
    const QList<QByteArray> fields = value.toByteArray().split('\t');
    if (fields.size() < 2 || fields[0] != url)
        return {};
    return {fields[1].trimmed(), fields.size() > 2 ? fields[2].trimmed() : QByteArray()};
}

QByteArray checkValue(const JobList::Utf8& url, const JobList::Validators& v) {
    if (v.empty())
        return {};
    QByteArray value = url.head.toByteArray();
    value.append(url.tail).append('\t').append(v.etag).append('\t').append(v.lastModified);
    // A line break inside a value would forge lines of its own.
    std::replace_if(
        value.begin(), value.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return value;
}

// --- the open series ------------------------------------------------------------

// After the rows, in a section of their own: "Pattern" + n, "Folder" + n,
// "Name" + n and "Misses" + n for n = 1, 2, … up to the first empty pattern.
constexpr QByteArrayView kSeriesSection("OpenSeries");
constexpr std::array<QByteArrayView, 4> kSeriesKeys = {"Pattern", "Folder", "Name", "Misses"};

QByteArray seriesKey(size_t key, int n) {
    return kSeriesKeys[key].toByteArray() + QByteArray::number(n);
}

// `value(name)` is a key's text, nothing when the key is missing.
template <typename Value> void readSeries(const Value& value, JobList& jobs) {
    for (int n = 1;; ++n) {
        const std::optional<QString> pattern = value(seriesKey(0, n));
        if (!pattern || pattern->isEmpty())
            return;
        OpenSeries series{*pattern, value(seriesKey(1, n)).value_or(QString()),
                          value(seriesKey(2, n)).value_or(QString())};
        bool ok = false;
        const int misses = value(seriesKey(3, n)).value_or(QString()).toInt(&ok);
        if (ok)
            series.misses = std::clamp(misses, 1, OpenSeries::kMaxMisses);
        jobs.addOpenSeries(series);
    }
}

void readSeries(const Section& section, JobList& jobs) {
    readSeries(
        [&](const QByteArray& key) -> std::optional<QString> {
            const std::optional<QByteArrayView> v = section.find(key);
            return v ? std::optional(QString::fromUtf8(*v)) : std::nullopt;
        },
        jobs);
}

// `write(key, value)` sets a key.
template <typename Write> void writeSeries(const JobList& jobs, const Write& write) {
    int n = 0;
    for (const OpenSeries& series : jobs.openSeries()) {
        ++n;
        write(seriesKey(0, n), series.pattern);
        write(seriesKey(1, n), series.folder);
        write(seriesKey(2, n), series.name);
        write(seriesKey(3, n), QString::number(series.misses));
    }
}

// --- loading ------------------------------------------------------------------

// Goes through the rows of the list as their sections come, as load() reads
// them: the jobs up to the first row without a URL, then, when that row is no
// end as save() writes it, a count of the jobs stored after it.
class RowLoader {
public:
    explicit RowLoader(JobListFile::LoadResult& result)
        : result_(result) {}

    /// False when the section comes out of the order the rows need, which a
    /// hand-edited file may have: the caller then reads the file as a whole.
    bool take(const Section& section) {
        const qint64 first = section.firstRow();
        if (first < 0 || state_ == State::Done || !seen_.insert(first).second)
            return true; // a later section of the same name is never read
        if (first != nextRow_ / kRowsPerSection * kRowsPerSection)
            return false;
        for (; nextRow_ < first + kRowsPerSection && state_ != State::Done; ++nextRow_)
            row(&section, nextRow_);
        return true;
    }
    /// The rows left, from `rows` (the file read whole), or from none at the
    /// end of a streamed file: the rows after its last section are missing.
    template <typename Rows> void finish(const Rows* rows) {
        while (state_ != State::Done)
            row(rows, nextRow_++);
        if (result_.unloadedJobs > 0)
            result_.gapRow = gapRow_;
    }

private:
    enum class State { Loading, Counting, Done };

    template <typename Rows> static bool isWrittenEnd(const Rows* s, qint64 row) {
        return s && s->has(row, StatusKey) && s->value(row, StatusKey).isEmpty() &&
               s->has(row, UrlKey) && s->value(row, UrlKey).isEmpty() && s->has(row, PathKey) &&
               s->value(row, PathKey).isEmpty();
    }

    template <typename Rows> void row(const Rows* s, qint64 row) {
        const QByteArrayView url = s ? s->value(row, UrlKey) : QByteArrayView();
        if (state_ == State::Loading) {
            if (s && !url.isEmpty()) {
                const QByteArrayView mark = s->value(row, StatusKey);
                result_.jobs.append(mark, url, s->value(row, PathKey),
                                    isFailureMark(mark) ? s->value(row, ReasonKey)
                                                        : QByteArrayView());
                if (const QByteArrayView check = s->value(row, CheckKey); !check.isEmpty())
                    result_.jobs.setValidators(url, readCheck(check, url));
                return;
            }
            state_ = isWrittenEnd(s, row) ? State::Done : State::Counting;
            gapRow_ = row;
            return;
        }
        // Up to the end the last save wrote; a second row missing altogether
        // ends the count too, so a file with no end at all is not read for ever.
        if (!s || !s->has(row, UrlKey) || isWrittenEnd(s, row))
            state_ = State::Done;
        else if (!url.isEmpty())
            ++result_.unloadedJobs;
    }

    JobListFile::LoadResult& result_;
    State state_ = State::Loading;
    qint64 nextRow_ = 1;
    qint64 gapRow_ = 0;
    std::set<qint64> seen_;
};

// The keys of the job rows in the file held whole by ProfileFile, for a file
// whose sections are out of order or that is not UTF-8. It answers as a
// Section does, so that the rows are read and written by the same rules.
class WholeFileRows {
public:
    explicit WholeFileRows(ProfileFile& file)
        : file_(file) {}

    bool has(qint64 row, Key key) const { return read(row, key, kMissing) != kMissing; }
    /// Valid until the same key of another row is asked for.
    QByteArrayView value(qint64 row, Key key) const {
        Held& held = held_[size_t(key)];
        if (held.row != row)
            held = {row, read(row, key, {}).toUtf8()};
        return held.utf8;
    }
    void write(qint64 row, Key key, QByteArrayView value, QByteArrayView more = {}) {
        setRow(row);
        held_[size_t(key)].row = -1;
        file_.writeUtf8(section_, keys_[size_t(key)],
                        QString::fromUtf8(value.toByteArray().append(more)));
    }

private:
    // Stands for a key that is not in the file at all.
    inline static const QString kMissing = QStringLiteral("\n");

    QString read(qint64 row, Key key, const QString& missing) const {
        setRow(row);
        return file_.readUtf8(section_, keys_[size_t(key)], missing);
    }
    // The names of the row's section and keys; the section changes once
    // every hundred rows.
    void setRow(qint64 row) const {
        if (row == row_)
            return;
        row_ = row;
        if (row / kRowsPerSection != hundred_) {
            hundred_ = row / kRowsPerSection;
            section_ = JobListFile::sectionName(row).toLatin1();
        }
        const QByteArray number = IntToStrL(row, kWidth).toLatin1();
        for (int key = 0; key < KeyCount; ++key)
            keys_[size_t(key)] = kKeyNames[size_t(key)].toByteArray() + number;
    }

    ProfileFile& file_;
    mutable qint64 row_ = -1;
    mutable qint64 hundred_ = -1;
    mutable QByteArray section_;
    mutable std::array<QByteArray, KeyCount> keys_;
    struct Held {
        qint64 row = -1;
        QByteArray utf8;
    };
    mutable std::array<Held, KeyCount> held_;
};

void loadWhole(const QString& path, JobListFile::LoadResult& result) {
    ProfileFile file(path);
    result.error = file.error();
    const WholeFileRows rows(file);
    RowLoader(result).finish(&rows);
    readSeries(
        [&](const QByteArray& key) -> std::optional<QString> {
            const QString missing = QStringLiteral("\n");
            const QString v = file.readUtf8(kSeriesSection, key, missing);
            return v == missing ? std::nullopt : std::optional(v);
        },
        result.jobs);
}

// --- saving -------------------------------------------------------------------

// One row as save() writes it: its texts in UTF-8, in one or two pieces.
struct RowTexts {
    QByteArrayView mark;
    JobList::Utf8 url;
    JobList::Utf8 path;
    QByteArrayView reason;
    QByteArray check;
};

class RowWriter {
public:
    RowWriter(const JobList& jobs, JobListFile::TrailingRow trailing)
        : jobs_(jobs)
        // The rows, then the empty trailing row, then the terminator.
        , lastRow_(qint64(jobs.size()) +
                   (trailing == JobListFile::TrailingRow::Present || jobs.empty() ? 2 : 1)) {}

    qint64 lastRow() const { return lastRow_; }

    RowTexts texts(qint64 row) const {
        if (row > qint64(jobs_.size()))
            return {};
        const auto i = size_t(row - 1);
        const JobList::Utf8 url = jobs_.urlUtf8(i);
        return {jobs_.statusUtf8(i), url, jobs_.pathUtf8(i), jobs_.reasonUtf8(i),
                jobs_.hasValidators() ? checkValue(url, jobs_.validators(i)) : QByteArray()};
    }

    /// Writes the rows that `section` holds.
    void writeRows(Section& section) const {
        const qint64 first = std::max<qint64>(section.firstRow(), 1);
        const qint64 last = std::min(section.firstRow() + kRowsPerSection - 1, lastRow_);
        for (qint64 row = first; row <= last; ++row)
            writeRow(section, row);
    }

    template <typename Rows> void writeRow(Rows& rows, qint64 row) const {
        const RowTexts t = texts(row);
        rows.write(row, StatusKey, t.mark);
        rows.write(row, UrlKey, t.url.head, t.url.tail);
        rows.write(row, PathKey, t.path.head, t.path.tail);
        // Only failed rows carry the key; a reason left from an earlier save
        // of the row is emptied rather than left to be read as this job's.
        if (!t.reason.isEmpty() || rows.has(row, ReasonKey))
            rows.write(row, ReasonKey, t.reason);
        // The same for the validators: a row whose file has none leaves no
        // older row's to be read as its own.
        if (!t.check.isEmpty() || rows.has(row, CheckKey))
            rows.write(row, CheckKey, t.check);
    }

private:
    const JobList& jobs_;
    qint64 lastRow_;
};

QString writeError(const QString& path, const QString& why) {
    return QCoreApplication::translate("JobListFile", "Cannot write %1: %2").arg(path, why);
}

// Writes through to the file in large pieces, each write checked, so that a
// full disk is never committed as a cut-off file.
class Output {
public:
    explicit Output(QSaveFile& file)
        : file_(file) {}
    QByteArray& buffer() { return buffer_; }
    bool flush(qsizetype atLeast = 0) {
        if (buffer_.size() < atLeast || buffer_.isEmpty())
            return true;
        const bool ok = file_.write(buffer_) == buffer_.size();
        buffer_.clear();
        return ok;
    }

private:
    QSaveFile& file_;
    QByteArray buffer_;
};

enum class Streamed { Saved, Failed, ReadWhole };

Streamed saveStreaming(const QString& path, const JobList& jobs, JobListFile::TrailingRow trailing,
                       QString& problem) {
    QFile old(path);
    const bool existed = old.exists();
    if (existed && !old.open(QIODevice::ReadOnly))
        return Streamed::ReadWhole;
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk) shows in write()'s
    // result: a buffered QSaveFile has been seen to commit a cut-off file when
    // only its final flush failed.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        problem = writeError(path, file.errorString());
        return Streamed::Failed;
    }
    const RowWriter rows(jobs, trailing);
    Output out(file);
    constexpr qsizetype kFlushAt = 1 << 20;
    std::vector<bool> written(size_t(rows.lastRow() / kRowsPerSection + 1));
    bool ok = true;
    Section section;
    if (existed) {
        SectionReader reader(old);
        QByteArray& buffer = out.buffer();
        bool first = true;
        while (ok && reader.next(section)) {
            if (first && reader.bom())
                buffer.append(kBom);
            first = false;
            // Written anew after the rows.
            if (section.isNamed(kSeriesSection))
                continue;
            const qint64 at = section.firstRow();
            if (at >= 0 && at <= rows.lastRow() && !written[size_t(at / kRowsPerSection)]) {
                written[size_t(at / kRowsPerSection)] = true;
                rows.writeRows(section);
            }
            section.writeTo(buffer);
            ok = out.flush(kFlushAt);
        }
        if (!reader.readAsIs()) {
            file.cancelWriting();
            return Streamed::ReadWhole;
        }
    }
    for (size_t h = 0; ok && h < written.size(); ++h) {
        if (written[h])
            continue;
        section.startNew(qint64(h) * kRowsPerSection);
        rows.writeRows(section);
        section.writeTo(out.buffer());
        ok = out.flush(kFlushAt);
    }
    if (!jobs.openSeries().empty()) {
        section.start('[' + kSeriesSection.toByteArray() + ']');
        writeSeries(jobs, [&](const QByteArray& key, const QString& value) {
            // A line break inside a value would forge lines of its own.
            QByteArray line = key + '=' + value.toUtf8();
            std::replace_if(
                line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            section.addLine(line);
        });
        section.writeTo(out.buffer());
    }
    if (!ok || !out.flush()) {
        const QString why = file.errorString();
        file.cancelWriting();
        problem = writeError(path, why);
        return Streamed::Failed;
    }
    if (!file.commit()) {
        problem = writeError(path, file.errorString());
        return Streamed::Failed;
    }
    return Streamed::Saved;
}

QString saveWhole(const QString& path, const JobList& jobs, JobListFile::TrailingRow trailing) {
    ProfileFile file(path);
    const RowWriter writer(jobs, trailing);
    WholeFileRows rows(file);
    for (qint64 row = 1; row <= writer.lastRow(); ++row)
        writer.writeRow(rows, row);
    writeSeries(jobs, [&](const QByteArray& key, const QString& value) {
        file.writeUtf8(kSeriesSection, key, value);
    });
    // The series the file had beyond these end at an empty pattern.
    const QByteArray end = seriesKey(0, int(jobs.openSeries().size()) + 1);
    if (!file.readUtf8(kSeriesSection, end, {}).isEmpty())
        file.writeUtf8(kSeriesSection, end, {});
    return file.save();
}

} // namespace

QString JobListFile::sectionName(qint64 row) {
    return u"Data" % IntToStrL(row / kRowsPerSection * kRowsPerSection, kWidth);
}

JobListFile::LoadResult JobListFile::load(const QString& path) {
    LoadResult result;
    QFile file(path);
    bool streamed = false;
    if (file.open(QIODevice::ReadOnly)) {
        SectionReader reader(file);
        RowLoader rows(result);
        Section section;
        bool inOrder = true;
        while (inOrder && reader.next(section)) {
            if (section.isNamed(kSeriesSection))
                readSeries(section, result.jobs);
            inOrder = rows.take(section);
        }
        if (inOrder && reader.readAsIs()) {
            rows.finish<Section>(nullptr);
            streamed = true;
        }
    } else if (!file.exists()) {
        streamed = true;
    }
    if (!streamed) {
        result = LoadResult();
        loadWhole(path, result);
    }
    if (result.error.isEmpty())
        result.journalledMarks = JobListJournal::apply(path, result.jobs);
    return result;
}

QString JobListFile::LoadResult::unloadedWarning() const {
    if (unloadedJobs == 0)
        return {};
    return QCoreApplication::translate(
               "JobListFile", "The job list stops at row %1, which is empty, but %2 more job(s) "
                              "follow it in the file; they were not loaded. Saving the list writes "
                              "over them.")
        .arg(gapRow)
        .arg(unloadedJobs);
}

QString JobListFile::save(const QString& path, const JobList& jobs, TrailingRow trailing) {
    QString problem;
    switch (saveStreaming(path, jobs, trailing, problem)) {
    case Streamed::Saved:
        break;
    case Streamed::Failed:
        return problem;
    case Streamed::ReadWhole:
        problem = saveWhole(path, jobs, trailing);
        if (!problem.isEmpty())
            return problem;
        break;
    }
    JobListJournal::listSaved(path);
    return {};
}
