// The GUI front end: one main window over the job grid.
#include "app/ui/tform1.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char* kNoDisplayHint = "serifetch-cli works without one";

bool DisplayConfigured() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    return false;
}

// Qt ends the process with a fatal message when the display named in the
// environment cannot be opened; say what that means before going.
QtMessageHandler g_defaultHandler = nullptr;
bool g_starting = true;

void ReportFatalDisplayProblems(QtMsgType type, const QMessageLogContext& context,
                                const QString& message) {
    if (type == QtFatalMsg && g_starting) {
        const QByteArray display = qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
                                       ? qgetenv("DISPLAY")
                                       : qgetenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "serifetch: cannot open the display \"%s\" (see above); %s.\n",
                     display.constData(), kNoDisplayHint);
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    if (g_defaultHandler)
        g_defaultHandler(type, context, message);
}

} // namespace

int main(int argc, char** argv) {
    if (!DisplayConfigured()) {
        std::fprintf(stderr,
                     "serifetch: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "%s.\n",
                     kNoDisplayHint);
        return EXIT_FAILURE;
    }
    g_defaultHandler = qInstallMessageHandler(ReportFatalDisplayProblems);
    QApplication::setApplicationName(QStringLiteral("Serifetch"));
    QApplication app(argc, argv);
    g_starting = false;
    QApplication::setApplicationDisplayName(QStringLiteral("Serifetch"));

    TForm1 form;
    form.show();
    return app.exec();
}
