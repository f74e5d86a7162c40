// The GUI front end: one main window over the job grid.
#include "app/ui/tform1.h"
#include "platform/profile_dir.h"
#include "platform/profile_lock.h"
#include "settings/ui/program_icon.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
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

// Whether another Serifetch (the command line, or a second window) holds
// the profile folder; then says so and gives the text, else the empty text.
// Two writers would each save their own job list over the other's.
QString ProfileInUse(ProfileLock& lock) {
    if (lock.tryLock() != ProfileLock::Result::Busy)
        return {}; // an unusable folder is the window's to report
    const QString holder = lock.holderPid() > 0 ? QStringLiteral("process %1").arg(lock.holderPid())
                                                : QStringLiteral("another process");
    QString text = QStringLiteral("The profile folder %1 is in use by %2 (serifetch-cli or another "
                                  "Serifetch window). Start Serifetch again when it has finished.")
                       .arg(QDir::toNativeSeparators(ProfileDir::path()), holder);
    std::fprintf(stderr, "serifetch: %s\n", qUtf8Printable(text));
    std::fflush(stderr);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    // Before the display: the refusal must reach a terminal user as well.
    ProfileDir::prepare();
    ProfileLock lock;
    const QString inUse = ProfileInUse(lock);
    if (!inUse.isEmpty()) {
        if (DisplayConfigured()) {
            QApplication app(argc, argv);
            QApplication::setWindowIcon(ProgramIcon());
            QMessageBox::critical(nullptr, QStringLiteral("Serifetch"), inUse);
        }
        return EXIT_FAILURE;
    }
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
    // Also the icon of the dialogs and message boxes.
    QApplication::setWindowIcon(ProgramIcon());

    TForm1 form;
    form.FormCreate();
    form.show();
    return app.exec();
}
