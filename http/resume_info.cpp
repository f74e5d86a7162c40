#include "http/resume_info.h"

#include "http/part_file.h"
#include "http/reply_framing.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <sys/stat.h>

namespace {

constexpr QByteArrayView kFirstLine = "Serifetch resume 1";
constexpr qint64 kMaxInfoBytes = qint64(64) * 1024;

} // namespace

std::optional<ResumeInfo> ResumeInfo::Of(const QString& url, const ReplyHead& reply) {
    ResumeInfo info;
    info.url = url;
    if (reply.statusCode == 200 && reply.framing == ReplyHead::Framing::Length)
        info.length = reply.contentLength;
    else if (reply.statusCode == 206 && reply.contentRange && reply.contentRange->first == 0)
        info.length = reply.contentRange->complete;
    if (info.length <= 0)
        return std::nullopt;
    if (!reply.etag.isEmpty()) {
        // A weak tag may not go into If-Range: such a part starts again.
        if (reply.etagWeak)
            return std::nullopt;
        info.etag = reply.etag;
        return info;
    }
    const auto modified = ReplyFraming::HttpDate(reply.lastModified);
    const auto date = ReplyFraming::HttpDate(reply.date);
    if (!modified || !date || modified->secsTo(*date) < 1)
        return std::nullopt;
    info.lastModified = reply.lastModified;
    return info;
}

QByteArray ResumeInfo::ToText() const {
    QByteArray text = kFirstLine.toByteArray() + '\n';
    text += "URL=" + url.toUtf8() + '\n';
    text += "Length=" + QByteArray::number(length) + '\n';
    text += "ETag=" + etag + '\n';
    text += "Last-Modified=" + lastModified + '\n';
    return text;
}

std::optional<ResumeInfo> ResumeInfo::FromText(QByteArrayView text) {
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    if (lines.size() < 5 || lines[0] != kFirstLine)
        return std::nullopt;
    const auto value = [&](int line, QByteArrayView key) -> std::optional<QByteArray> {
        if (!lines[line].startsWith(key.toByteArray() + '='))
            return std::nullopt;
        return lines[line].mid(key.size() + 1);
    };
    const auto url = value(1, "URL");
    const auto length = value(2, "Length");
    const auto etag = value(3, "ETag");
    const auto modified = value(4, "Last-Modified");
    if (!url || !length || !etag || !modified || url->isEmpty())
        return std::nullopt;
    ResumeInfo info;
    bool ok = false;
    info.url = QString::fromUtf8(*url);
    info.length = length->toLongLong(&ok);
    info.etag = *etag;
    info.lastModified = *modified;
    // What goes back into a request line must be what a reply could have
    // given: a quoted tag, or a date that reads.
    const auto plain = [](const QByteArray& text) {
        return std::none_of(text.begin(), text.end(),
                            [](char c) { return uchar(c) < 0x20 || c == 0x7f; });
    };
    const bool tagReads = info.etag.size() >= 2 && info.etag.startsWith('"') &&
                          info.etag.endsWith('"') && plain(info.etag);
    const bool dateReads =
        plain(info.lastModified) && ReplyFraming::HttpDate(info.lastModified).has_value();
    if (!ok || info.length <= 0 || (info.etag.isEmpty() ? !dateReads : !tagReads))
        return std::nullopt;
    return info;
}

QString ResumeInfo::InfoName(const QString& target) {
    return PartFile::SideName(target, QStringLiteral(".part.resume"));
}

bool ResumeInfo::Save(const QString& target) const {
    QSaveFile file(InfoName(target));
    return file.open(QIODevice::WriteOnly) && file.write(ToText()) == ToText().size() &&
           file.commit();
}

std::optional<ResumeInfo> ResumeInfo::Load(const QString& target, const QString& url,
                                           qint64& partSize, bool* onDisk) {
    partSize = 0;
    QFile file(InfoName(target));
    const bool opened = file.open(QIODevice::ReadOnly);
    if (onDisk)
        *onDisk = opened;
    if (!opened)
        return std::nullopt;
    std::optional<ResumeInfo> info = FromText(file.read(kMaxInfoBytes));
    if (!info || info->url != url)
        return std::nullopt;
    // The part itself, never what a link in its place points to.
    struct stat st {};
    if (::lstat(QFile::encodeName(PartFile::PartName(target)).constData(), &st) != 0 ||
        !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > info->length)
        return std::nullopt;
    partSize = st.st_size;
    return info;
}

void ResumeInfo::Forget(const QString& target) {
    QFile::remove(PartFile::PartName(target));
    QFile::remove(InfoName(target));
}

ResumeVerdict JudgeResume(qint64 offset, const ResumeInfo& asked, const ReplyHead& reply) {
    using Step = ResumeVerdict::Step;
    if (reply.statusCode == 206) {
        if (offset < 0)
            return {Step::Refuse,
                    QCoreApplication::translate(
                        "ResumeInfo", "The server sent part of the file (206) to a request for "
                                      "all of it")};
        // A server that ignored If-Range may send the rest of another file:
        // the validators it sends with the part must be those asked for.
        const auto& range = reply.contentRange;
        const bool otherTag =
            !asked.etag.isEmpty() && !reply.etag.isEmpty() && reply.etag != asked.etag;
        const bool otherDate = !asked.lastModified.isEmpty() && !reply.lastModified.isEmpty() &&
                               reply.lastModified != asked.lastModified;
        if (range && range->first == offset && range->complete == asked.length &&
            range->last == asked.length - 1 && !otherTag && !otherDate)
            return {Step::Append, {}};
        return {Step::StartAgain, {}};
    }
    // Whole only when the server names the same length the part holds.
    if (offset >= 0 && reply.statusCode == 416) {
        const bool whole = offset == asked.length && reply.contentRange &&
                           reply.contentRange->complete == asked.length;
        return {whole ? Step::Complete : Step::StartAgain, {}};
    }
    return {Step::Whole, {}};
}
