#include "platform/profile_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

QString ProfileDir::path() {
    const QString home = qEnvironmentVariable("SERIFETCH_HOME");
    if (!home.isEmpty())
        return QDir::cleanPath(home);
    // The XDG rules say a relative value is to be ignored.
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.isEmpty() && QDir::isAbsolutePath(config))
        return QDir::cleanPath(config + "/serifetch");
    return QDir::cleanPath(QDir::homePath() + "/.config/serifetch");
}

namespace {

// The files were first kept on a file system that ignores letter case, and a
// profile copied from there may spell them otherwise: such a file is used
// rather than a new empty one made beside it. The exact name wins; among
// other spellings, the first in name order.
QString FileIgnoringCase(const QString& dir, const QString& name) {
    QString exact = dir + QLatin1Char('/') + name;
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries =
        QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir + QLatin1Char('/') + entry;
    return exact;
}

} // namespace

QString ProfileDir::settingsFilePath() {
    return FileIgnoringCase(path(), QStringLiteral("serifech.ini"));
}

QString ProfileDir::jobListFilePath() {
    return FileIgnoringCase(path(), QStringLiteral("SeriData.txt"));
}

QString ProfileDir::prepare() {
    const QString dir = path();
    if (!QDir().mkpath(dir) || !QFileInfo(dir).isDir())
        return QCoreApplication::translate(
                   "ProfileDir", "The settings folder %1 cannot be created: the program runs with "
                                 "its defaults, and nothing will be saved.")
            .arg(dir);
    // Permission bits do not tell the whole story (root, read-only mounts), so
    // try what a save will do: create a file beside the others.
    QTemporaryFile probe(dir + "/.write-test-XXXXXX");
    if (!probe.open())
        return QCoreApplication::translate(
                   "ProfileDir", "The settings folder %1 cannot be written (%2): settings and the "
                                 "job list will not be saved.")
            .arg(dir, probe.errorString());
    return {};
}
