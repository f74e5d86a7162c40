// The GUI front end: one main window over the job grid.
#include "app/profile_session.h"
#include "app/ui/signal_closer.h"
#include "app/ui/tform1.h"
#include "app/ui_language.h"
#include "platform/profile_dir.h"
#include "settings/ui/program_icon.h"

#include <QApplication>
#include <QComboBox>
#include <QMessageBox>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("WindowMain", text);
}

const char* const kNoDisplayHint =
    QT_TRANSLATE_NOOP("WindowMain", "serifetch-cli works without one");

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
        // Said before a catalogue can be installed: in the source texts.
        std::fprintf(stderr, "serifetch: %s\n",
                     qUtf8Printable(Tr("cannot open the display \"%1\" (see above); %2.")
                                        .arg(QString::fromLocal8Bit(display), Tr(kNoDisplayHint))));
        std::fflush(stderr);
        std::_Exit(EXIT_FAILURE);
    }
    if (g_defaultHandler)
        g_defaultHandler(type, context, message);
}

const char* const kHelp = QT_TRANSLATE_NOOP(
    "WindowMain", "Usage: serifetch [OPTIONS] [URL]\n"
                  "Open the Serifetch window: list up a numbered series of files and fetch it.\n"
                  "URL, when given, is put into the URL box as the base URL.\n"
                  "Files are fetched over HTTP/1.1 and HTTPS, directly or through an HTTP proxy\n"
                  "(a plain http: request goes out as HTTP/1.0 unless keep-alive is on).\n"
                  "\n"
                  "Options:\n"
                  "  -h, --help                  print this help and exit\n"
                  "  -V, --version               print the version and exit\n"
                  "Qt's own options (-platform NAME, -style NAME, ...) are taken too.\n"
                  "\n"
                  "SIGTERM, SIGINT and SIGHUP close the window as File > Exit does: the request\n"
                  "under way is aborted, the inputs, the layout and the job list are saved.\n"
                  "\n"
                  "Exit status:\n"
                  "  0    the window was closed\n"
                  "  1    no display, or the profile folder is in use\n");

// Before the first widget: captions are translated as they are made.
void SpeakTheUsersLanguage(QCoreApplication& app) {
    const UiLanguage language =
        ChooseLanguage(WindowLanguageSetting(ProfileDir::settingsFilePath()));
    if (!InstallTranslation(app, language))
        std::fputs("serifetch: the English catalogue is missing from this build\n", stderr);
}

// --help and --version are answered without a display, like any program's.
bool AnswersOnTheTerminal(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--help" || arg == "-h") {
            QCoreApplication terminal(argc, argv);
            SpeakTheUsersLanguage(terminal);
            std::fputs(qUtf8Printable(Tr(kHelp)), stdout);
            return true;
        }
        if (arg == "--version" || arg == "-V") {
            std::printf("serifetch %s\n", SERIFETCH_VERSION);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (AnswersOnTheTerminal(argc, argv))
        return EXIT_SUCCESS;
    // Before the display: the refusal must reach a terminal user as well.
    // Two writers would each save their own job list over the other's.
    // FormCreate prepares the folder again and reports a problem in its
    // message; here the folder only has to exist for the lock (an unusable
    // folder is the window's to report).
    auto profile = std::make_unique<ProfileSession>();
    static_cast<void>(profile->prepare());
    if (profile->lock() == ProfileLock::Result::Busy) {
        // The box needs the display; the terminal line is said in any case.
        std::unique_ptr<QCoreApplication> app =
            DisplayConfigured() ? std::make_unique<QApplication>(argc, argv)
                                : std::make_unique<QCoreApplication>(argc, argv);
        SpeakTheUsersLanguage(*app);
        QString inUse = Tr("%1 (serifetch-cli or another Serifetch window). Start Serifetch "
                           "again when it has finished.")
                            .arg(profile->inUseText());
        inUse[0] = inUse[0].toUpper();
        std::fprintf(stderr, "serifetch: %s\n", qUtf8Printable(inUse));
        std::fflush(stderr);
        if (DisplayConfigured()) {
            QApplication::setWindowIcon(ProgramIcon());
            QMessageBox::critical(nullptr, QStringLiteral("Serifetch"), inUse);
        }
        return EXIT_FAILURE;
    }
    if (!DisplayConfigured()) {
        QCoreApplication terminal(argc, argv);
        SpeakTheUsersLanguage(terminal);
        std::fprintf(stderr, "serifetch: %s\n",
                     qUtf8Printable(Tr("no display (neither DISPLAY nor WAYLAND_DISPLAY is "
                                       "set); %1.")
                                        .arg(Tr(kNoDisplayHint))));
        return EXIT_FAILURE;
    }
    g_defaultHandler = qInstallMessageHandler(ReportFatalDisplayProblems);
    QApplication::setApplicationName(QStringLiteral("Serifetch"));
    QApplication app(argc, argv);
    g_starting = false;
    SpeakTheUsersLanguage(app);
    QApplication::setApplicationDisplayName(QStringLiteral("Serifetch"));
    // Also the icon of the dialogs and message boxes.
    QApplication::setWindowIcon(ProgramIcon());

    TForm1 form;
    // From here on a logout or a kill saves what File > Exit saves.
    SignalCloser closer(form);
    form.FormCreate(std::move(profile));
    // A signal during a message box of the start has closed the window
    // already; the event loop would wait for nothing.
    if (closer.WindowClosed())
        return EXIT_SUCCESS;
    // A URL from the desktop (Exec=serifetch %U) or the shell; Qt has taken
    // its own options out of the list already.
    const QStringList args = QApplication::arguments().mid(1);
    if (!args.isEmpty())
        form.ComboBox1->setCurrentText(args.first());
    form.show();
    // A file URL is offered for splitting as a pasted one is.
    if (!args.isEmpty())
        form.OfferFileUrlSplit(args.first());
    if (closer.WindowClosed())
        return EXIT_SUCCESS;
    return app.exec();
}
