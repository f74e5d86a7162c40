#include "http/resume_info.h"

#include "http/part_file.h"
#include "http/reply_framing.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <sys/stat.h>

namespace {

constexpr QByteArrayView kFirstLine = "Serifetch resume 1";
constexpr qint64 kMaxInfoBytes = 64 * 1024;

} // namespace

std::optional<ResumeInfo> ResumeInfo::Of(const QString& url, const ReplyHead& reply) {
    ResumeInfo info;
    info.url = url;
    if (reply.statusCode == 200 && reply.framing == ReplyHead::Framing::Length)
        info.length = reply.contentLength;
    else if (reply.statusCode == 206 && reply.contentRange)
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
    if (!ok || info.length <= 0 || info.Validator().isEmpty())
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
                                           qint64& partSize) {
    partSize = 0;
    QFile file(InfoName(target));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const std::optional<ResumeInfo> info = FromText(file.read(kMaxInfoBytes));
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
        const auto& range = reply.contentRange;
        if (offset < 0)
            return {Step::Refuse,
                    QCoreApplication::translate(
                        "ResumeInfo", "The server sent part of the file (206) to a request for "
                                      "all of it")};
        if (range && range->first == offset && range->complete == asked.length &&
            range->last == asked.length - 1)
            return {Step::Append, {}};
        return {Step::Refuse, QCoreApplication::translate(
                                  "ResumeInfo", "The server sent bytes %1 instead of the rest from "
                                                "byte %2 of %3")
                                  .arg(range ? QStringLiteral("%1-%2/%3")
                                                   .arg(range->first)
                                                   .arg(range->last)
                                                   .arg(range->complete)
                                             : QStringLiteral("?"))
                                  .arg(offset)
                                  .arg(asked.length)};
    }
    if (offset >= 0 && reply.statusCode == 416)
        return {offset == asked.length ? Step::Complete : Step::StartAgain, {}};
    return {Step::Whole, {}};
}
