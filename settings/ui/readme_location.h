#pragma once

#include <QString>
#include <QStringList>
#include <functional>

/// Where the about box looks for the README, in order: the folder `make
/// install` puts it in (`docDir`), then the source tree of a program run from
/// its build folder (`programDir` is build/bin, the README two folders up).
QStringList ReadmeCandidates(const QString& docDir, const QString& programDir);

/// The first of `candidates` for which `exists` is true; empty when none is.
QString FindReadme(const QStringList& candidates,
                   const std::function<bool(const QString& path)>& exists);
