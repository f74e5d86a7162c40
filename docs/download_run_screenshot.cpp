// Takes docs/download-run.png: the real main window in the middle of a run,
// fetching a series from a local nginx slowed down to a visible pace. Run it
// under Xvfb (docs/take-run-screenshot).
#include "app/download_run.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Serifetch"));

    QTemporaryDir served, saved;
    for (int n = 1; n <= 12; ++n) {
        if (n == 3)
            continue; // missing on the server: shows a failed job
        const QString name = QStringLiteral("hampic%1.jpg").arg(n, 2, 10, QChar('0'));
        if (!testenv::writeFile(served.filePath(name), QByteArray(300 * 1024, char('a' + n))))
            return 1;
    }
    NginxFixture nginx(served.path(), QStringLiteral("limit_rate 200k;"));
    QString error;
    if (!nginx.start(&error)) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(error));
        return 1;
    }

    TForm1 form;
    form.SetMessageSink([](TForm1::MessageKind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    form.move(0, 0);
    form.show();
    form.ComboBox1->setEditText(nginx.baseUrl());
    form.Edit4->setText(saved.path() + "/");
    form.SpeedButton1->click();

    // The picture is taken halfway through the fifth file.
    int status = 1;
    bool taken = false;
    QObject::connect(&form.Run(), &DownloadRun::progress, [&](JobGrid::JobId, qint64, qint64) {
        if (taken || form.PanelText(0) != QStringLiteral("ダウンロード中：hampic05.jpg") ||
            form.NMHTTP1().ReceivedBytes < 120 * 1024)
            return;
        taken = true;
        QTimer::singleShot(100, [&] {
            const QPixmap shot = form.screen()->grabWindow(form.winId());
            status = !shot.isNull() && shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
            form.close(); // aborts the request; the window goes once it has ended
        });
    });
    QTimer::singleShot(120'000, &app, [&] { form.close(); });
    form.GoButton->click();
    app.exec();
    if (status != 0)
        std::fprintf(stderr, "could not grab or save the window\n");
    return status;
}
