#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <array>
#include <optional>
#include <vector>

/// The job list file as a stream of sections, for JobListFile: a list of a
/// million jobs is a file of a hundred megabytes, read and written a section
/// at a time, never held whole. The rules are those of ProfileFile (names
/// matched without case and around blanks, the first of equal names wins, a
/// written key replaces its line or goes after the section's last non-blank
/// line, a new section goes at the end), applied here to the keys of the job
/// rows only; every other line passes through.
namespace JobListSections {

inline constexpr int kWidth = 4;
inline constexpr int kRowsPerSection = 100;
inline constexpr QByteArrayView kBom("\xEF\xBB\xBF");
inline constexpr QByteArrayView kLineEnd("\r\n");

/// The keys of a row, in the order a save writes them.
/// "Check" holds the validators of the row's file with the URL they were
/// given for: URL, ETag and Last-Modified, separated by tabs.
enum Key { StatusKey, UrlKey, PathKey, ReasonKey, CheckKey, KeyCount };
inline constexpr std::array<QByteArrayView, KeyCount> kKeyNames = {"Status", "URL", "Path",
                                                                   "Reason", "Check"};

/// Reads a file a block at a time, line by line; a line is valid until the next.
class LineReader {
public:
    explicit LineReader(QIODevice& in)
        : in_(in) {}

    /// The next line without its line end (and the first without a UTF-8
    /// byte-order mark); false at the end or on a read error.
    bool next(QByteArrayView& line);
    bool failed() const { return failed_; }
    /// Whether every line so far is UTF-8, as ProfileFile asks of a file.
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

/// One section: its header line (none for the lines before the first
/// section), its lines, and where the keys of its job rows are.
class Section {
public:
    void start(QByteArrayView header);
    /// A section the file does not have yet, for the rows from `firstRow`.
    void startNew(qint64 firstRow);

    /// The first row of a "Data" + IntToStrL(h, 4) section, else -1.
    qint64 firstRow() const { return firstRow_; }

    void addLine(QByteArrayView line);

    /// Whether the header names `name` (as ProfileFile compares names).
    bool isNamed(QByteArrayView name) const;
    /// The trimmed value of the first line setting `key` in a section that
    /// holds no rows; nothing when there is none.
    std::optional<QByteArrayView> find(QByteArrayView key) const;

    bool has(qint64 row, Key key) const { return slot(row, key) >= 0; }
    /// A key's value, trimmed; nothing when it is missing.
    QByteArrayView value(qint64 row, Key key) const;

    /// Writes a key of a row of this section as ProfileFile::writeUtf8
    /// does. The value is UTF-8 in one or two pieces.
    void write(qint64 row, Key key, QByteArrayView value, QByteArrayView more = {});

    /// The section as ProfileFile writes it out.
    void writeTo(QByteArray& out) const;

private:
    struct Span {
        qsizetype at;
        qsizetype size;
    };
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
    QByteArray text_; // the lines' bytes, a written line's after them
    std::vector<Span> lines_;
    // The line of the first key of each row and kind, -1 for none.
    std::array<int, size_t(kRowsPerSection) * KeyCount> keys_{};
};

/// Hands out the sections of a file in order, each complete.
class SectionReader {
public:
    explicit SectionReader(QIODevice& in)
        : lines_(in) {}

    /// The next section; false after the last.
    bool next(Section& section);
    /// Whether the file was read whole, as UTF-8; else ProfileFile reads it
    /// (and reports the error, or converts the old program's encoding).
    bool readAsIs() const { return !lines_.failed() && lines_.utf8(); }
    bool bom() const { return lines_.bom(); }

private:
    LineReader lines_;
    QByteArray pendingHeader_;
    bool done_ = false;
};

} // namespace JobListSections
