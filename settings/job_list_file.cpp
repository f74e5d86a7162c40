#include "settings/job_list_file.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"
#include "settings/job_list_journal.h"

#include <QFile>
#include <QSaveFile>
#include <QStringBuilder>
#include <QStringDecoder>
#include <algorithm>
#include <array>
#include <set>

namespace {

constexpr int kWidth = 4;
constexpr int kRowsPerSection = 100;
constexpr QByteArrayView kBom("\xEF\xBB\xBF");
constexpr QByteArrayView kLineEnd("\r\n");
constexpr QByteArrayView kFailed("\xE2\x96\xBC"); // ▼
constexpr QByteArrayView kGivenUp("\xC3\x97");    // ×

// The test ProfileFile makes of a whole file before it reads it as the old
// program's encoding instead.
bool isUtf8(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

bool isFailureMark(QByteArrayView mark) {
    return mark == kFailed || mark == kGivenUp;
}

// --- the file as a stream of sections -------------------------------------
//
// A list of a million jobs is a file of a hundred megabytes: it is read and
// written a section at a time, never held whole. The rules are those of
// ProfileFile (names matched without case and around blanks, the first of
// equal names wins, a written key replaces its line or goes after the
// section's last non-blank line, a new section goes at the end), applied
// here to the keys of the job rows only; every other line passes through.

// The keys of a row, in the order save() writes them.
enum Key { StatusKey, UrlKey, PathKey, ReasonKey, KeyCount };
constexpr std::array<QByteArrayView, KeyCount> kKeyNames = {"Status", "URL", "Path", "Reason"};

// The number written by IntToStrL(n, kWidth) as `digits`, or -1 for digits
// it never writes (so a name with them is never looked up).
qint64 writtenNumber(QByteArrayView digits) {
    if (digits.size() < kWidth || digits.size() > 18 ||
        (digits.size() > kWidth && digits[0] == '0'))
        return -1;
    qint64 n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Whether `name` starts with `word` (letters compared without case).
bool startsWithWord(QByteArrayView name, QByteArrayView word) {
    return name.size() >= word.size() &&
           std::equal(word.begin(), word.end(), name.begin(),
                      [](char w, char n) { return lower(w) == lower(n); });
}

// A name as ProfileFile compares it: trimmed; with other letters than ASCII
// in their Unicode-folded form (ASCII letters are compared without case).
QByteArrayView matchedName(QByteArrayView name, QByteArray& folded) {
    name = name.trimmed();
    if (std::none_of(name.begin(), name.end(), [](char c) { return c & 0x80; }))
        return name;
    folded = QString::fromUtf8(name).toCaseFolded().toUtf8();
    return folded;
}

// The first row of a "Data" + IntToStrL(h, 4) section (h a multiple of a
// hundred), or -1 for any other header.
qint64 dataSectionOf(QByteArrayView header) {
    header = header.trimmed();
    const qsizetype close = header.indexOf(']');
    QByteArray folded;
    const QByteArrayView name =
        matchedName(header.sliced(1, (close < 0 ? header.size() : close) - 1), folded);
    if (!startsWithWord(name, "data"))
        return -1;
    const qint64 n = writtenNumber(name.sliced(4));
    return n >= 0 && n % kRowsPerSection == 0 ? n : -1;
}

// Reads a file a block at a time, line by line; a line is valid until the next.
class LineReader {
public:
    explicit LineReader(QIODevice& in)
        : in_(in) {}

    /// The next line without its line end; false at the end or on a read error.
    bool next(QByteArrayView& line) {
        for (;;) {
            const qsizetype newline = buffer_.indexOf('\n', scan_);
            if (newline >= 0 || (eof_ && pos_ < buffer_.size())) {
                const qsizetype end = newline >= 0 ? newline : buffer_.size();
                line = QByteArrayView(buffer_).sliced(pos_, end - pos_);
                if (line.endsWith('\r'))
                    line.chop(1);
                pos_ = scan_ = newline >= 0 ? newline + 1 : end;
                if (first_) {
                    first_ = false;
                    bom_ = line.startsWith(kBom);
                    if (bom_)
                        line = line.sliced(kBom.size());
                }
                // Lines part at "\n", which no UTF-8 sequence holds: the file
                // is UTF-8 when each of its lines is.
                if (utf8_ && std::any_of(line.begin(), line.end(), [](char c) { return c & 0x80; }))
                    utf8_ = isUtf8(line);
                return true;
            }
            if (eof_)
                return false;
            buffer_.remove(0, pos_);
            scan_ = buffer_.size();
            pos_ = 0;
            constexpr qsizetype kBlock = 1 << 20;
            const qsizetype had = buffer_.size();
            buffer_.resize(had + kBlock);
            const qint64 got = in_.read(buffer_.data() + had, kBlock);
            buffer_.resize(had + std::max<qint64>(got, 0));
            failed_ = got < 0;
            eof_ = got <= 0;
        }
    }
    bool failed() const { return failed_; }
    bool utf8() const { return utf8_; }
    bool bom() const { return bom_; }

private:
    QIODevice& in_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    qsizetype scan_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    bool first_ = true;
    bool bom_ = false;
    bool utf8_ = true;
};

// One section: its header line (none for the lines before the first
// section), its lines, and where the keys of its job rows are.
class Section {
public:
    void start(QByteArrayView header) {
        header_ = header.toByteArray();
        firstRow_ = header_.isEmpty() ? -1 : dataSectionOf(header_);
        text_.clear();
        lines_.clear();
        keys_.fill(-1);
    }
    void startNew(qint64 firstRow) {
        start('[' + JobListFile::sectionName(firstRow).toLatin1() + ']');
    }

    /// The first row of a Data section, else -1.
    qint64 firstRow() const { return firstRow_; }

    void addLine(QByteArrayView line) {
        const int at = int(lines_.size());
        lines_.push_back(keep(line));
        if (firstRow_ < 0)
            return;
        const qsizetype eq = line.indexOf('=');
        if (eq < 0)
            return;
        QByteArray folded;
        const QByteArrayView name = matchedName(line.first(eq), folded);
        for (int key = 0; key < KeyCount; ++key) {
            if (!startsWithWord(name, kKeyNames[size_t(key)]))
                continue;
            const qint64 row = writtenNumber(name.sliced(kKeyNames[size_t(key)].size()));
            if (row >= firstRow_ && row < firstRow_ + kRowsPerSection) {
                int& slot = keys_[size_t((row - firstRow_) * KeyCount + key)];
                if (slot < 0) // the first of equal names wins
                    slot = at;
            }
        }
    }

    bool has(qint64 row, Key key) const { return slot(row, key) >= 0; }
    /// A key's value, trimmed; nothing when it is missing.
    QByteArrayView value(qint64 row, Key key) const {
        const int at = slot(row, key);
        if (at < 0)
            return {};
        const QByteArrayView line = this->line(at);
        return line.sliced(line.indexOf('=') + 1).trimmed();
    }

    /// Writes a key of a row as ProfileFile::writeUtf8 does. `value` is UTF-8
    /// in one or two pieces.
    void write(qint64 row, Key key, QByteArrayView value, QByteArrayView more = {}) {
        int& at = keys_[size_t((row - firstRow_) * KeyCount + key)];
        QByteArray name;
        if (at >= 0) {
            const QByteArrayView old = line(at);
            name = old.first(old.indexOf('=')).trimmed().toByteArray();
        } else {
            name = kKeyNames[size_t(key)].toByteArray() + IntToStrL(row, kWidth).toLatin1();
        }
        const qsizetype from = text_.size();
        text_.append(name).append('=');
        const qsizetype valueAt = text_.size();
        text_.append(value).append(more);
        // A line break inside a value would forge lines of its own.
        std::replace_if(
            text_.begin() + valueAt, text_.end(), [](char c) { return c == '\r' || c == '\n'; },
            ' ');
        const Span span{from, text_.size() - from};
        if (at >= 0) {
            lines_[size_t(at)] = span;
            return;
        }
        size_t after = lines_.size();
        while (after > 0 && line(int(after - 1)).trimmed().isEmpty())
            --after;
        lines_.insert(lines_.begin() + qsizetype(after), span);
        at = int(after);
    }

    void writeTo(QByteArray& out) const {
        if (!header_.isEmpty())
            out.append(header_).append(kLineEnd);
        for (size_t i = 0; i < lines_.size(); ++i)
            out.append(line(int(i))).append(kLineEnd);
    }

private:
    struct Span {
        qsizetype at;
        qsizetype size;
    };
    Span keep(QByteArrayView line) {
        const Span span{text_.size(), line.size()};
        text_.append(line);
        return span;
    }
    QByteArrayView line(int at) const {
        const Span s = lines_[size_t(at)];
        return QByteArrayView(text_).sliced(s.at, s.size);
    }
    int slot(qint64 row, Key key) const {
        if (firstRow_ < 0 || row < firstRow_ || row >= firstRow_ + kRowsPerSection)
            return -1;
        return keys_[size_t((row - firstRow_) * KeyCount + key)];
    }

    QByteArray header_;
    qint64 firstRow_ = -1;
    QByteArray text_;
    std::vector<Span> lines_;
    std::array<int, kRowsPerSection * KeyCount> keys_{};
};

// Hands out the sections of a file in order, each complete.
class SectionReader {
public:
    explicit SectionReader(QIODevice& in)
        : lines_(in) {}

    bool next(Section& section) {
        if (done_)
            return false;
        section.start(pendingHeader_);
        QByteArrayView line;
        while (lines_.next(line)) {
            if (line.trimmed().startsWith('[')) {
                pendingHeader_ = line.toByteArray();
                return true;
            }
            section.addLine(line);
        }
        done_ = true;
        return true;
    }
    /// Whether the file was read whole, as UTF-8; else ProfileFile reads it
    /// (and reports the error, or converts the old program's encoding).
    bool readAsIs() const { return !lines_.failed() && lines_.utf8(); }
    bool bom() const { return lines_.bom(); }

private:
    LineReader lines_;
    QByteArray pendingHeader_;
    bool done_ = false;
};

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
            if (!url.isEmpty()) {
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
