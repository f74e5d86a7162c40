#include "app/cookie_file.h"

#include "http/cookie_store.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

QStringList LoadCookieFile(const QString& path, CookieStore& store, qint64 now) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QCoreApplication::translate("CookieFile", "Cannot read the cookie file %1: %2")
                    .arg(path, file.errorString())};
    QStringList warnings;
    for (const CookieStore::Problem& problem : store.LoadNetscape(file.readAll(), now))
        warnings << QCoreApplication::translate("CookieFile", "%1 line %2 skipped: %3")
                        .arg(path)
                        .arg(problem.line)
                        .arg(problem.text);
    return warnings;
}

QString SaveCookieFile(const QString& path, const CookieStore& store, qint64 now) {
    QSaveFile file(path);
    const auto failed = [&] {
        return QCoreApplication::translate("CookieFile", "Cannot write the cookie file %1: %2")
            .arg(path, file.errorString());
    };
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return failed();
    const QByteArray text = store.ToNetscape(now);
    if (file.write(text) != text.size()) {
        QString why = failed();
        file.cancelWriting();
        return why;
    }
    if (!file.commit())
        return failed();
    return {};
}
