#include "settings/job_list_file.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"
#include "settings/job_list_journal.h"
#include "settings/job_list_sections.h"

#include <QFile>
#include <QSaveFile>
#include <QStringBuilder>
#include <algorithm>
#include <array>
#include <set>

namespace {

using namespace JobListSections;

constexpr QByteArrayView kFailed("\xE2\x96\xBC"); // ▼
constexpr QByteArrayView kGivenUp("\xC3\x97");    // ×

bool isFailureMark(QByteArrayView mark) {
    return mark == kFailed || mark == kGivenUp;
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
    /// At the end of the file: the rows after the last section are missing.
    void finish() {
        while (state_ != State::Done)
            row(nullptr, nextRow_++);
        if (result_.unloadedJobs > 0)
            result_.gapRow = gapRow_;
    }

private:
    enum class State { Loading, Counting, Done };

    static bool isWrittenEnd(const Section* s, qint64 row) {
        return s && s->has(row, StatusKey) && s->value(row, StatusKey).isEmpty() &&
               s->has(row, UrlKey) && s->value(row, UrlKey).isEmpty() && s->has(row, PathKey) &&
               s->value(row, PathKey).isEmpty();
    }

    void row(const Section* s, qint64 row) {
        const QByteArrayView url = s ? s->value(row, UrlKey) : QByteArrayView();
        if (state_ == State::Loading) {
            if (s && !url.isEmpty()) {
                const QByteArrayView mark = s->value(row, StatusKey);
                result_.jobs.append(mark, url, s->value(row, PathKey),
                                    isFailureMark(mark) ? s->value(row, ReasonKey)
                                                        : QByteArrayView());
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

// The same rows read through ProfileFile, the file held whole: for a file
// whose sections are out of order, or that is not UTF-8.
const QString kMissing = QStringLiteral("\n");

class RowNames {
public:
    void setRow(qint64 row) {
        if (row / kRowsPerSection != hundred_) {
            hundred_ = row / kRowsPerSection;
            section_ = JobListFile::sectionName(row).toLatin1();
        }
        const QByteArray number = IntToStrL(row, kWidth).toLatin1();
        for (int key = 0; key < KeyCount; ++key)
            keys_[size_t(key)] = kKeyNames[size_t(key)].toByteArray() + number;
    }
    QByteArrayView section() const { return section_; }
    QByteArrayView key(Key key) const { return keys_[size_t(key)]; }

private:
    qint64 hundred_ = -1;
    QByteArray section_;
    std::array<QByteArray, KeyCount> keys_;
};

bool isWrittenEnd(const ProfileFile& file, const RowNames& names) {
    return file.readUtf8(names.section(), names.key(StatusKey), kMissing).isEmpty() &&
           file.readUtf8(names.section(), names.key(UrlKey), kMissing).isEmpty() &&
           file.readUtf8(names.section(), names.key(PathKey), kMissing).isEmpty();
}

void loadWhole(const QString& path, JobListFile::LoadResult& result) {
    result.jobs.clear();
    const ProfileFile file(path);
    result.error = file.error();
    RowNames names;
    qint64 row = 1;
    for (;; ++row) {
        names.setRow(row);
        const QByteArray url = file.readUtf8(names.section(), names.key(UrlKey), {}).toUtf8();
        if (url.isEmpty())
            break;
        const QByteArray mark = file.readUtf8(names.section(), names.key(StatusKey), {}).toUtf8();
        const QByteArray reason =
            isFailureMark(mark) ? file.readUtf8(names.section(), names.key(ReasonKey), {}).toUtf8()
                                : QByteArray();
        result.jobs.append(mark, url,
                           file.readUtf8(names.section(), names.key(PathKey), {}).toUtf8(), reason);
    }
    if (isWrittenEnd(file, names))
        return;
    const qint64 gapRow = row;
    for (++row;; ++row) {
        names.setRow(row);
        const QString url = file.readUtf8(names.section(), names.key(UrlKey), kMissing);
        if (url == kMissing || isWrittenEnd(file, names))
            break;
        if (!url.isEmpty())
            ++result.unloadedJobs;
    }
    if (result.unloadedJobs > 0)
        result.gapRow = gapRow;
}

// --- saving -------------------------------------------------------------------

// One row as save() writes it: its texts in UTF-8, in one or two pieces.
struct RowTexts {
    QByteArrayView mark;
    JobList::Utf8 url;
    JobList::Utf8 path;
    QByteArrayView reason;
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
        return {jobs_.statusUtf8(i), jobs_.urlUtf8(i), jobs_.pathUtf8(i), jobs_.reasonUtf8(i)};
    }

    /// Writes the rows that `section` holds.
    void writeRows(Section& section) const {
        const qint64 first = std::max<qint64>(section.firstRow(), 1);
        const qint64 last = std::min(section.firstRow() + kRowsPerSection - 1, lastRow_);
        for (qint64 row = first; row <= last; ++row) {
            const RowTexts t = texts(row);
            section.write(row, StatusKey, t.mark);
            section.write(row, UrlKey, t.url.head, t.url.tail);
            section.write(row, PathKey, t.path.head, t.path.tail);
            // Only failed rows carry the key; a reason left from an earlier
            // save of the row is emptied rather than left to be read as
            // this job's.
            if (!t.reason.isEmpty() || section.has(row, ReasonKey))
                section.write(row, ReasonKey, t.reason);
        }
    }

private:
    const JobList& jobs_;
    qint64 lastRow_;
};

QString writeError(const QString& path, const QString& why) {
    return QStringLiteral("Cannot write %1: %2").arg(path, why);
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

QString toText(JobList::Utf8 text) {
    return QString::fromUtf8(text.head.toByteArray().append(text.tail));
}

QString saveWhole(const QString& path, const JobList& jobs, JobListFile::TrailingRow trailing) {
    ProfileFile file(path);
    const RowWriter rows(jobs, trailing);
    RowNames names;
    for (qint64 row = 1; row <= rows.lastRow(); ++row) {
        names.setRow(row);
        const RowTexts t = rows.texts(row);
        file.writeUtf8(names.section(), names.key(StatusKey), QString::fromUtf8(t.mark));
        file.writeUtf8(names.section(), names.key(UrlKey), toText(t.url));
        file.writeUtf8(names.section(), names.key(PathKey), toText(t.path));
        if (!t.reason.isEmpty() ||
            file.readUtf8(names.section(), names.key(ReasonKey), kMissing) != kMissing)
            file.writeUtf8(names.section(), names.key(ReasonKey), QString::fromUtf8(t.reason));
    }
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
        while (inOrder && reader.next(section))
            inOrder = rows.take(section);
        if (inOrder && reader.readAsIs()) {
            rows.finish();
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
    return QStringLiteral("The job list stops at row %1, which is empty, but %2 more job(s) "
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
