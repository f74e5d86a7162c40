#include "app/content_check.h"

#include <QCoreApplication>
#include <QFile>
#include <QSet>

namespace {

struct Kind {
    const char* noun; ///< "an image", for the reason text
    QSet<QString> extensions;
};

// SVG is left out on purpose: an XML file is exactly what it should be.
const Kind kKinds[] = {
    {QT_TRANSLATE_NOOP("ContentCheck", "an image"),
     {"jpg", "jpeg", "jpe", "jfif", "png", "gif", "bmp", "webp", "tif", "tiff", "ico", "heic",
      "heif", "avif", "jxl"}},
    {QT_TRANSLATE_NOOP("ContentCheck", "an audio file"),
     {"mp3", "m4a", "aac", "flac", "ogg", "oga", "opus", "wav", "wma", "mid"}},
    {QT_TRANSLATE_NOOP("ContentCheck", "a video"),
     {"mp4", "m4v", "mkv", "webm", "avi", "mov", "wmv", "flv", "mpg", "mpeg", "ts", "3gp"}},
    {QT_TRANSLATE_NOOP("ContentCheck", "an archive"),
     {"zip", "rar", "7z", "gz", "tgz", "bz2", "xz", "zst", "tar", "lzh", "lha", "cab", "iso"}},
};

const char* promisedKind(const QString& path) {
    const qsizetype slash = path.lastIndexOf('/');
    const qsizetype dot = path.lastIndexOf('.');
    if (dot <= slash + 1)
        return nullptr;
    const QString extension = path.mid(dot + 1).toLower();
    for (const Kind& kind : kKinds)
        if (kind.extensions.contains(extension))
            return kind.noun;
    return nullptr;
}

// "HTML" or "XML" when the bytes open like such a page (after a byte-order
// mark and blanks), else nullptr.
const char* pageKind(QByteArray head) {
    if (head.startsWith("\xEF\xBB\xBF"))
        head.remove(0, 3);
    head = head.trimmed().toLower();
    if (head.startsWith("<?xml"))
        return "XML";
    for (const char* opening :
         {"<!doctype html", "<html", "<head", "<body", "<title", "<meta", "<script", "<!--"})
        if (head.startsWith(opening))
            return "HTML";
    return nullptr;
}

} // namespace

namespace ContentCheck {

QString WrongContentReason(const QString& path) {
    return WrongContentReason(path, path);
}

QString WrongContentReason(const QString& path, const QString& named) {
    const char* promised = promisedKind(named);
    if (!promised)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const char* page = pageKind(file.read(512));
    if (!page)
        return {};
    return QCoreApplication::translate("ContentCheck", "%1 page instead of %2")
        .arg(QLatin1String(page), QCoreApplication::translate("ContentCheck", promised));
}

} // namespace ContentCheck
