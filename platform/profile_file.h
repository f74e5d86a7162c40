#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
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

    /// Sets `key` in `section` to `value` (in memory; see `save`).
    void write(const QString& section, const QString& key, const QString& value);

    /// The whole file as `save` would write it.
    QByteArray toBytes() const;

    /// Writes the profile to its path atomically: a temporary file in the same
    /// folder, renamed over the old one only when fully written. Returns the
    /// empty text on success, else a text saying what failed; on failure the
    /// old file is left as it was.
    QString save() const;

private:
    ProfileFile() = default;
    struct Section {
        QByteArray header; // raw "[name]" line; empty for the lines before any section
        std::vector<QByteArray> lines;
        QHash<QString, int> keys; // folded key name -> index in `lines`, first occurrence
    };

    void parse(const QByteArray& bytes);
    void addLine(Section& section, const QByteArray& line);
    Section& sectionFor(const QString& name);

    QString path_;
    QString error_;
    bool existed_ = false;
    bool bom_ = false;
    std::vector<Section> sections_;    // [0] holds the lines before the first section
    QHash<QString, int> sectionIndex_; // folded section name -> index, first occurrence
};
