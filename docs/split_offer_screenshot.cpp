// Takes docs/split-offer.png: the real main window on the X display given by
// DISPLAY (run it under Xvfb, see docs/take-split-screenshot), with a file
// URL pasted and the offer to split it or to find its series over it.
#include "app/ui/tform1.h"
#include "app/ui/user_prompts.h"
#include "app/ui_language.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
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
    form.Edit4->setText(QStringLiteral("/home/user/Downloads/"));
    bool saved = false;
    // The box the window shows, shown without waiting for a choice, so that
    // it can be taken with the window under it.
    form.SetSplitChooser([&](const QString& question) {
        const auto box = UserPrompts::SplitOfferBox(&form, question);
        box->show();
        Pump(5000, [&] { return box->windowHandle() && box->windowHandle()->isExposed(); });
        box->move(form.geometry().center() - box->rect().center());
        Pump(300); // let the X server take the last paint before reading it back
        const QPixmap shot =
            form.screen()->grabWindow(0, form.x(), form.y(), form.width(), form.height());
        saved = !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[1]));
        return UserPrompts::SplitChoice::Cancel;
    });
    form.ComboBox1->setEditText(QStringLiteral("http://127.0.0.1:8080/gallery/vol02/img_07.jpg"));
    form.OfferFileUrlSplit(form.ComboBox1->currentText());
    if (!saved) {
        std::fprintf(stderr, "could not grab or save the window\n");
        return 1;
    }
    return 0;
}
