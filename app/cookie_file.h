#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

class CookieStore;

/// Adds the cookies of the cookies.txt at `path` to `store`; returns a
/// warning per malformed line ("cookies.txt line 3: ..."), each skipped, or
/// the one warning that the file cannot be read.
QStringList LoadCookieFile(const QString& path, CookieStore& store, qint64 now);

/// Writes the cookies of `store` to `path` in the same format, readable by
/// its owner alone (cookies open sessions); returns the empty text, else why
/// it could not be written.
QString SaveCookieFile(const QString& path, const CookieStore& store, qint64 now);
