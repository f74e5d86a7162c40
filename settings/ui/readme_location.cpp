#include "settings/ui/readme_location.h"

#include <QDir>

QStringList ReadmeCandidates(const QString& docDir, const QString& programDir) {
    const QString name = QStringLiteral("README.md");
    return {QDir::cleanPath(docDir + QLatin1Char('/') + name),
            QDir::cleanPath(programDir + QStringLiteral("/../../") + name)};
}

QString FindReadme(const QStringList& candidates,
                   const std::function<bool(const QString& path)>& exists) {
    for (const QString& path : candidates) {
        if (exists(path))
            return path;
    }
    return {};
}
