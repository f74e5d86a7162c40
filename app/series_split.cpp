#include "app/series_split.h"

#include <QUrl>
#include <algorithm>

namespace {

// A folder name from a URL path segment: decoded as the user reads it, and
// never a path of its own ("/", "." and ".." would leave the save folder).
QString FolderName(const QString& segment) {
    QString name = QUrl::fromPercentEncoding(segment.toUtf8());
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c.unicode() < 0x20 || c.unicode() == 0x7f)
            c = QLatin1Char('_');
    }
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return {};
    return name;
}

// The last folder of the URL's path, or else its host.
QString NameFor(const QString& baseUrl) {
    const QUrl url(baseUrl);
    // The path as typed, so that an escaped "/" stays inside its segment.
    const QStringList segments =
        url.path(QUrl::FullyEncoded).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
        if (QString name = FolderName(*it); !name.isEmpty())
            return name;
    }
    return url.host();
}

} // namespace

QString SeriesFolderFor(const QString& saveDir, const QString& baseUrl) {
    const QString name = NameFor(baseUrl);
    if (saveDir.isEmpty() || name.isEmpty())
        return saveDir;
    QString folder = saveDir;
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    // Pasting a second file of the series the save folder is already named
    // after must not nest the folder in itself.
    if (folder.section(QLatin1Char('/'), -1) == name)
        return saveDir;
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    return folder + name + QLatin1Char('/');
}

SeriesFields SplitFields(const SeriesFields& now, const FileUrlParts& pasted) {
    SeriesFields fields = now;
    fields.baseUrl = pasted.baseUrl;
    fields.head = pasted.head;
    fields.digits = pasted.digits;
    fields.start = pasted.start;
    fields.tail = pasted.tail;
    // Where the series ends is not known yet: the run finds it. The end input
    // still holds the last series' end, so it is left for the box to ignore.
    fields.openEnd = true;
    fields.saveDir = SeriesFolderFor(now.saveDir, pasted.baseUrl);
    return fields;
}

SeriesFields FoundFields(const SeriesFields& now, const FileUrlParts& pasted,
                         const ProbedSeries& found) {
    SeriesFields fields = SplitFields(now, pasted);
    if (!found.error.isEmpty())
        return fields;
    const int digits = std::max(found.digits, 1);
    fields.head = found.head;
    fields.digits = digits;
    fields.start = PaddedSeriesNumber(found.first, digits);
    fields.end = PaddedSeriesNumber(found.last, digits);
    fields.openEnd = false;
    return fields;
}

QString PaddedSeriesNumber(qint64 number, int digits) {
    return QStringLiteral("%1").arg(number, std::max(digits, 1), 10, QLatin1Char('0'));
}
