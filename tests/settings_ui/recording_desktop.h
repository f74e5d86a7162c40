#pragma once

#include "platform/desktop.h"

#include <QStringList>

/// A desktop that only notes what it was asked to open.
class RecordingDesktop final : public Desktop {
public:
    void openFile(const QString& path) override { files.append(path); }
    void openUrl(const QString& url) override { urls.append(url); }

    QStringList files;
    QStringList urls;
};
