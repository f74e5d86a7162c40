// Takes docs/main-window.png: the real main window on the X display given by
// DISPLAY (run it under Xvfb, see docs/take-screenshot), with the default
// series listed up once.
#include "app/ui/tform1.h"
#include "app/ui_language.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QToolButton>
#include <QWindow>
#include <cstdio>

namespace {

// Runs the event loop for `ms` milliseconds, or until `done` holds.
bool Pump(
    int ms, const std::function<bool()>& done = [] { return false; }) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Serifetch"));
    // In the language of the environment, as the program itself starts.
    InstallTranslation(app, ChooseLanguage(QStringLiteral("auto")));
    TForm1 form;
    form.SetMessageSink([](TForm1::MessageKind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    form.setGeometry(0, 0, 1240, 820);
    form.show();
    if (!Pump(5000, [&] { return form.windowHandle() && form.windowHandle()->isExposed(); })) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    form.ComboBox1->setEditText(QStringLiteral("http://127.0.0.1:8080/gallery/"));
    form.Edit4->setText(QStringLiteral("/home/user/Downloads/hampic/"));
    form.SpeedButton1->click();
    form.StringGrid1->scrollToTop();
    Pump(300); // let the X server take the last paint before reading it back

    const QPixmap shot = form.screen()->grabWindow(form.winId());
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "could not grab or save the window\n");
        return 1;
    }
    return 0;
}
