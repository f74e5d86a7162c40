#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <algorithm>
#include <deque>
#include <vector>

/// An INI ("private profile") file held in memory: read once, changed by
/// `read`/`write` calls, written back once by `save`.
///
/// Rules, as callers of the old one-call-per-value interface expect them:
/// - sections and keys are matched without regard to letter case; when a name
///   occurs twice, the first occurrence wins for reads and writes;
/// - blanks around section names, key names and values are ignored on read;
/// - a write replaces the value of an existing key (the line becomes
///   `key=value`, the key keeps its spelling from the file), appends a new key
///   after the last non-blank line of its section, and appends a new section
///   (`[section]`) at the end of the file;
/// - every other line (comments, text without "=", lines before the first
///   section) is kept byte for byte.
/// Text is UTF-8. Files with CR LF or LF line ends and with or without a UTF-8
/// byte-order mark read the same; `save` writes CR LF and keeps a mark that was
/// there.
class ProfileFile {
public:
    /// Reads and parses `path`. A missing file is an empty profile (and
    /// `existed()` is false). A file that exists but cannot be read gives an
    /// empty profile with `error()` set; `save` then refuses, so the file is
    /// never overwritten with what little this object knows.
    explicit ProfileFile(const QString& path);

    /// A profile bound to `path` whose content is `bytes` instead of what is on
    /// disk (used for content that could not be written yet).
    static ProfileFile fromBytes(const QString& path, const QByteArray& bytes);

    const QString& path() const { return path_; }
    /// Whether the file existed when it was opened.
    bool existed() const { return existed_; }
    /// Why the file could not be read; empty when it was read or was missing.
    const QString& error() const { return error_; }

    /// The value of `key` in `section`, trimmed; `def` when the section or the
    /// key is missing. A key that is present with nothing after "=" reads as
    /// the empty text, not as `def`.
    QString read(const QString& section, const QString& key, const QString& def) const;

    /// Sets `key` in `section` to `value` (in memory; see `save`). A line break
    /// in a name or value is written as a blank: the file has one entry a line.
    void write(const QString& section, const QString& key, const QString& value);

    /// `read` and `write` with the section and key names given as UTF-8: the
    /// same rules, without converting names (for long runs of generated keys).
    QString readUtf8(QByteArrayView section, QByteArrayView key, const QString& def) const;
    void writeUtf8(QByteArrayView section, QByteArrayView key, const QString& value);

    /// The whole file as `save` would write it.
    QByteArray toBytes() const;

    /// Writes the profile to its path atomically: a temporary file in the same
    /// folder, renamed over the old one only when fully written. Returns the
    /// empty text on success, else a text saying what failed; on failure the
    /// old file is left as it was.
    [[nodiscard]] QString save() const;
    /// The next save leaves the file readable and writable by its owner
    /// alone (mode 0600): it holds a password.
    void setOwnerOnly(bool on) { ownerOnly_ = on; }

    /// A section or key name as the file matches it: trimmed and, when it
    /// has letters beyond ASCII, in their Unicode-folded form (held in
    /// `folded`). Two such names are the same name when sameName says so.
    static QByteArrayView matchedName(QByteArrayView text, QByteArray& folded);
    /// Equal, with ASCII letters compared without case.
    static bool sameName(QByteArrayView a, QByteArrayView b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                          [](char x, char y) { return Name::lower(x) == Name::lower(y); });
    }

private:
    bool ownerOnly_ = false;
    ProfileFile() = default;

    /// A section or key name as matched: a view of its trimmed text, compared
    /// and hashed with ASCII letters folded. A name with other letters is
    /// viewed in its Unicode-folded form (kept in `foldedNames_` once stored).
    struct Name {
        QByteArrayView text;

        static char lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
        friend bool operator==(Name a, Name b) { return sameName(a.text, b.text); }
        friend size_t qHash(Name name, size_t seed) {
            // FNV-1a: the names are short, and the files are the user's own.
            size_t hash = seed ^ size_t(0xcbf29ce484222325u);
            for (char c : name.text)
                hash = (hash ^ uchar(lower(c))) * size_t(0x100000001b3u);
            return hash;
        }
    };
    struct Section {
        QByteArray header; // raw "[name]" line; empty for the lines before any section
        std::vector<QByteArray> lines;
        QHash<Name, int> keys; // key name -> index in `lines`, first occurrence
    };

    static Name nameOf(QByteArrayView text, QByteArray& folded) {
        return {matchedName(text, folded)};
    }
    void parse(const QByteArray& bytes);
    void indexKey(Section& section, int line);
    void indexSection(int section);
    Name keep(Name name, QByteArrayView storage);
    int findSection(QByteArrayView name) const;
    Section& sectionFor(QByteArrayView name);

    QString path_;
    QString error_;
    bool existed_ = false;
    bool bom_ = false;
    // The bytes read. Lines that were not written since are views into it, so
    // that reading a long file allocates nothing per line.
    QByteArray source_;
    std::vector<Section> sections_; // [0] holds the lines before the first section
    QHash<Name, int> sectionIndex_; // section name -> index, first occurrence
    std::deque<QByteArray> foldedNames_;
    mutable QByteArray lastSectionName_;
    mutable int lastSection_ = -1;
};
