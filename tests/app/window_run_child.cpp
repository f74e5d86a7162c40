// The real main window as a child process that starts a run at once over the
// job list of SERIFETCH_HOME, for a test to kill or signal in the middle of it.
//
//     window_run_child [--about] [HEAD]
//
// HEAD goes into the file-name head box after the start, as if typed; --about
// opens the About box over the run, a dialog nobody will close.
#include "app/download_run.h"
#include "app/ui/signal_closer.h"
#include "app/ui/tform1.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TForm1 form;
    // As the program's main has it.
    SignalCloser closer(form);
    // Nothing may wait for a click: messages are dropped, questions declined.
    form.SetMessageSink([](TForm1::MessageKind, const QString&) {});
    form.SetQuestionAsker([](const QString&) { return false; });
    form.FormCreate();
    // Shown, so that closing it ends the event loop as in the program.
    form.show();
    QStringList args = QApplication::arguments().mid(1);
    const bool about = args.removeAll(QStringLiteral("--about")) > 0;
    if (!args.isEmpty())
        form.Edit1->setText(args.first());
    form.Run().SetTickInterval(0);
    // The box opens at the loop's first pass; the run goes on under it.
    if (about)
        QTimer::singleShot(0, &form, [&form] { form.About1Click(); });
    form.GoButtonClick();
    return app.exec();
}
