// The real main window as a child process that starts a run at once over the
// job list of SERIFETCH_HOME, for a test to kill in the middle of it.
#include "app/download_run.h"
#include "app/ui/tform1.h"

#include <QApplication>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TForm1 form;
    // Nothing may wait for a click: messages are dropped, questions declined.
    form.SetMessageSink([](TForm1::MessageKind, const QString&) {});
    form.SetQuestionAsker([](const QString&) { return false; });
    form.FormCreate();
    form.Run().SetTickInterval(0);
    form.GoButtonClick();
    return app.exec();
}
