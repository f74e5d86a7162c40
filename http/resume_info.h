#pragma once

#include "http/reply_head.h"

#include <QByteArray>
#include <QString>
#include <optional>

/// What identifies the file on the server whose start a cut ".part" holds,
/// so that the next try asks only for the rest and the server can tell
/// whether its file is still the same one. Kept in a small file beside the
/// part (see InfoName): a plain file works on every file system the part can
/// be written to, where extended attributes are missing on FAT, exFAT and
/// many network mounts, and Delete, Clear or the user can remove it as they
/// remove the part.
struct ResumeInfo {
    QString url;             ///< the URL the part was fetched from
    qint64 length = -1;      ///< the length of the whole file
    QByteArray etag;         ///< a strong entity-tag, quotes included; or empty
    QByteArray lastModified; ///< a strong Last-Modified date when no ETag came

    /// A file shorter than this is not worth a resume file: fetched again
    /// whole it costs less than the file written (and flushed to the disk)
    /// beside each part, which for a series of small files would cost more
    /// than the files themselves.
    static constexpr qint64 kWorthFromBytes = 1 << 20;

    /// What a reply to `url` lets a cut transfer resume by: a 200 with its
    /// length, or a 206 with the whole length in its Content-Range, and a
    /// strong validator (RFC 9110 13.1.5): the ETag unless it is weak; with
    /// no ETag at all, the Last-Modified date when the reply's Date is at
    /// least a second later (the server's own clock, 8.8.2.2). Nothing
    /// otherwise: such a part is never appended to.
    static std::optional<ResumeInfo> Of(const QString& url, const ReplyHead& reply);

    /// The If-Range value.
    QByteArray Validator() const { return etag.isEmpty() ? lastModified : etag; }

    QByteArray ToText() const;
    /// Nothing for text that is not a whole record (a line missing, a length
    /// that is not a number, no validator).
    static std::optional<ResumeInfo> FromText(QByteArrayView text);

    /// The file beside `target`'s part that keeps its ResumeInfo.
    static QString InfoName(const QString& target);
    /// Writes it for `target`, atomically; false when it could not be
    /// written (the part is then not resumable).
    bool Save(const QString& target) const;
    /// The info kept for `target`'s part when it describes `url` and a part
    /// of 1 to `length` bytes is there (its size in `partSize`); nothing
    /// otherwise. `onDisk`, when given, tells whether there was an info file
    /// at all (so that nobody need remove one that is not there).
    static std::optional<ResumeInfo> Load(const QString& target, const QString& url,
                                          qint64& partSize, bool* onDisk = nullptr);
    /// Removes `target`'s part and its info.
    static void Forget(const QString& target);
};

/// What to do with the reply to a request that asked for the rest of a part
/// of `offset` bytes (`offset` -1: the whole file was asked for).
struct ResumeVerdict {
    enum class Step {
        Whole,      ///< a reply as to any request: a 200 starts the file again
        Append,     ///< a 206 with the rest: appended to the part
        Complete,   ///< a 416 while the part holds the whole length
        StartAgain, ///< the part is of no use: dropped, and asked again whole
        Refuse,     ///< a 206 to a request for the whole file: a failure
    };
    Step step = Step::Whole;
    QString reason; ///< of Refuse
};
ResumeVerdict JudgeResume(qint64 offset, const ResumeInfo& asked, const ReplyHead& reply);
