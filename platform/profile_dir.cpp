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

QString ProfileDir::settingsFilePath() {
    return path() + "/serifech.ini";
}

QString ProfileDir::jobListFilePath() {
    return path() + "/SeriData.txt";
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
