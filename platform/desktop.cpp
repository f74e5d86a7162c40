#include "platform/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace {

class RealDesktop final : public Desktop {
public:
    void openFile(const QString& path) override {
        QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    }
    void openUrl(const QString& url) override {
        // TolerantMode: the address comes from the user or from our own text,
        // not from a parser that has already validated it.
        QDesktopServices::openUrl(QUrl(url, QUrl::TolerantMode));
    }
};

RealDesktop realDesktop;
Desktop* installed = nullptr;

} // namespace

Desktop& Desktop::current() {
    return installed ? *installed : realDesktop;
}

Desktop* Desktop::install(Desktop* standIn) {
    Desktop* previous = installed;
    installed = standIn;
    return previous;
}
