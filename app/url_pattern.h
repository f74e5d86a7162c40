#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>
#include <vector>

/// A URL with ranges and lists in it (globs, as curl calls them):
/// `http://h/ch[01-10]/p[001-030].jpg`, `http://h/{front,back}_[a-h].png`.
///
/// - `[01-30]` numbers, padded to the width of a start written with leading
///   zeros; `[1-40:2]` every second one; `[001-]` open-ended (the last glob
///   only: the run finds where the series ends).
/// - `[a-h]`, `[A-Z]`, `[a-z:3]` one letter each.
/// - `{front,back}` each text in turn; an empty item is allowed; no nesting.
/// - `\[`, `\]`, `\{`, `\}` and `\,` stand for the character itself.
/// - Brackets at the start of a host (`http://[::1]:8080/`) are an address.
///
/// The URLs are the product of the globs, the leftmost outermost. Nothing
/// is expanded ahead: a URL is built when it is asked for.
///
/// Where a job is: for a pattern without an open end, `index` runs over the
/// whole product and `series` is 0. With an open end, `series` picks the
/// combination of the other (outer) globs, 0 <= series < Count(), and
/// `index` is the position in the open range, with no end.
class UrlPattern {
public:
    /// At most this many ranges and lists in one pattern.
    static constexpr int kMaxGlobs = 9;

    /// Parses `pattern`. A pattern that cannot be read gives an invalid
    /// UrlPattern whose Error() names the 1-based column of the fault.
    static UrlPattern Parse(const QString& pattern);
    /// `text` as a fixed part of a pattern: its brackets and braces stand
    /// for themselves.
    static QString Escape(const QString& text);

    bool IsValid() const { return m_error.isEmpty(); }
    QString Error() const { return m_error; }
    /// 1-based column of the fault in the pattern text; 0 when valid.
    int ErrorColumn() const { return m_errorColumn; }

    /// Whether there is any range or list; a URL without one is one job.
    bool HasPattern() const { return !m_globs.empty(); }
    /// Whether the last range has no end (`[001-]`).
    bool OpenEnd() const { return !m_globs.empty() && m_globs.back().open; }
    /// How many ranges and lists there are (the `#1` ... `#N` of a template).
    int GlobCount() const { return int(m_globs.size()); }

    /// The number of URLs (with an open end: of series, the combinations of
    /// the outer globs), when it is at most `cap`; otherwise nothing, and
    /// `error` (when given) says why. Checked before it is multiplied out.
    std::optional<qint64> Count(qint64 cap, QString* error = nullptr) const;

    /// The URL at a place (see the class comment). Requires a valid pattern
    /// and a place within the counts; the empty text for an open range past
    /// the largest 64-bit number.
    QString UrlAt(qint64 index, qint64 series = 0) const;
    /// The text each glob takes at a place, in the order the globs are
    /// written: `#1` is the first. Like the other functions of a place, it
    /// gives nothing for an open range past the largest 64-bit number.
    QStringList ValuesAt(qint64 index, qint64 series = 0) const;

    /// `outputTemplate` with each `#N` replaced by the N-th glob's value, as
    /// curl's `-o` does: only a "#" followed by digits is replaced (all the
    /// digits make the number, `#12` is glob 12); any other "#" is kept, so
    /// "##1" is "#" and the first value; a number naming no glob stays as
    /// written.
    QString FileName(qint64 index, const QString& outputTemplate, qint64 series = 0) const;

    /// Why the jobs cannot be saved under RelativePath(); the empty text when
    /// every one can. A list item holding "/" in the path, or a path segment
    /// that is or may become empty, "." or "..", is refused.
    QString RelativePathError() const;
    /// The file a job is saved as when no template is given: the URL's path
    /// below its fixed prefix (the URL up to the last "/" before the first
    /// glob), so `http://h/g/ch[01-10]/p[001-030].jpg` gives `ch01/p001.jpg`.
    /// Each glob in the query or the fragment adds "_" and its value to the
    /// path, so `http://h/view.php?page=[1-5]` gives `view.php_1` .. `_5`
    /// and no two jobs share a file. Requires RelativePathError() empty.
    QString RelativePath(qint64 index, qint64 series = 0) const;

    /// Walks the URLs in order, building one at a time.
    class Cursor {
    public:
        /// Keeps a reference: `pattern` must outlive the cursor.
        explicit Cursor(const UrlPattern& pattern);
        Cursor(const UrlPattern&&) = delete;
        /// Past the last URL (never reached by Next() with an open end,
        /// short of the largest 64-bit number).
        bool AtEnd() const { return m_atEnd; }
        qint64 Index() const { return m_index; }
        qint64 Series() const { return m_series; }
        QString Url() const;
        void Next();
        /// On to the next combination of the outer globs, from the first
        /// value of the last glob: what the run does when a series ends.
        void NextSeries();

    private:
        const UrlPattern& m_pattern;
        std::vector<qint64> m_at; // per glob
        qint64 m_index = 0;
        qint64 m_series = 0;
        bool m_atEnd = false;
    };

private:
    enum class Kind { Numbers, Letters, List };
    struct Glob {
        Kind kind = Kind::Numbers;
        qint64 first = 0;
        qint64 last = 0; // unused when open
        qint64 step = 1;
        int width = 0;
        bool open = false;
        QStringList items;
        int column = 0;
        qint64 count() const;
        bool reaches(qint64 at) const;  // false past the largest number
        QString value(qint64 at) const; // requires reaches(at)
    };

    struct Fault {
        int column = 0;
        QString detail;
    };

    UrlPattern() = default;
    // Each reads the glob opening at `open` and returns where it closes, or
    // -1 with the fault.
    static qsizetype readList(const QString& text, qsizetype open, Glob& glob, Fault& fault);
    static qsizetype readRange(const QString& text, qsizetype open, Glob& glob, Fault& fault);
    void fail(int column, const QString& detail);
    std::vector<qint64> positions(qint64 index, qint64 series) const;
    QStringList values(const std::vector<qint64>& at) const;
    QString url(const std::vector<qint64>& at) const;

    std::vector<Glob> m_globs;
    // m_fixed[i] comes before glob i; the last one ends the URL. Each fixed
    // character's column is kept for the faults found after parsing.
    std::vector<QString> m_fixed;
    std::vector<std::vector<int>> m_fixedColumns;
    // Where the query or fragment starts: in fixed piece m_queryPiece at
    // m_queryOffset; m_queryPiece is m_fixed.size() when there is neither.
    size_t m_queryPiece = 0;
    qsizetype m_queryOffset = 0;
    QString m_error;
    int m_errorColumn = 0;
};
