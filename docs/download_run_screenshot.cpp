// Takes docs/download-run.png: the real main window in the middle of a run,
// fetching a series from a local nginx slowed down to a visible pace: the
// running job's row, the overall line and the file's bar, and a failure in
// the log pane. Run it under Xvfb (docs/take-run-screenshot).
#include "app/download_run.h"
#include "app/ui/tform1.h"
#include "app/ui_language.h"
#include "http/nmhttp.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <cstdio>

int main(int argc, char** argv) {
    // With --failures: the window after a whole run with failures, its list's
    // context menu open on one of them (docs/run-failures.png), then the
    // tooltip of another's Status cell (docs/failure-tooltip.png).
    const bool failures = argc == 4 && QByteArray(argv[1]) == "--failures";
    if (argc != 2 && !failures) {
        std::fprintf(stderr, "usage: %s OUTPUT.png | --failures MENU.png TOOLTIP.png\n", argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[failures ? 2 : 1]);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Serifetch"));
    // In the language of the environment, as the program itself starts.
    InstallTranslation(app, ChooseLanguage(QStringLiteral("auto")));

    QTemporaryDir served, saved;
    for (int n = 1; n <= 12; ++n) {
        if (n == 3 || (failures && n == 8))
            continue; // missing on the server: shows a failed job
        const QString name = QStringLiteral("hampic%1.jpg").arg(n, 2, 10, QChar('0'));
        if (!testenv::writeFile(served.filePath(name), QByteArray(300 * 1024, char('a' + n))))
            return 1;
    }
    NginxFixture nginx(served.path(), failures ? QString() : QStringLiteral("limit_rate 200k;"));
    QString error;
    if (!nginx.start(&error)) {
        std::fprintf(stderr, "nginx: %s\n", qPrintable(error));
        return 1;
    }

    TForm1 form;
    form.SetMessageSink([](TForm1::MessageKind, const QString& text) {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    // The question at the end of a run with failures would cover the list.
    form.SetQuestionAsker([](const QString& question) {
        std::fprintf(stderr, "question: %s\n", qPrintable(question));
        return false;
    });
    form.setGeometry(0, 0, 1240, 820);
    form.show();
    form.ComboBox1->setEditText(nginx.baseUrl());
    form.Edit4->setText(saved.path() + "/");
    form.SpeedButton1->click();

    int status = 1;
    if (failures) {
        form.Run().SetTickInterval(10);
        QObject::connect(&form.Run(), &DownloadRun::runFinished, [&] {
            QTimer::singleShot(300, [&] {
                QTableView* grid = form.StringGrid1;
                const QPoint at = grid->visualRect(form.Grid().index(7, 1)).center();
                // The menu runs its own loop: the picture is taken inside it.
                QTimer::singleShot(400, [&, grid] {
                    const QRect frame = form.frameGeometry();
                    const QPixmap shot = form.screen()->grabWindow(0, frame.x(), frame.y(),
                                                                   frame.width(), frame.height());
                    status = !shot.isNull() && shot.save(output) ? 0 : 1;
                    form.GridMenu->close();
                    // What hovering over the first failure's mark shows.
                    const QRect mark = grid->visualRect(form.Grid().index(2, 0));
                    QTimer::singleShot(300, [&, grid, mark] {
                        QToolTip::showText(grid->viewport()->mapToGlobal(mark.center()),
                                           form.StatusToolTip(3), grid->viewport());
                        QTimer::singleShot(600, [&] {
                            const QRect frame = form.frameGeometry();
                            const QPixmap tip = form.screen()->grabWindow(
                                0, frame.x(), frame.y(), frame.width(), frame.height() / 2);
                            if (tip.isNull() || !tip.save(QString::fromLocal8Bit(argv[3])))
                                status = 1;
                            form.close();
                        });
                    });
                });
                emit grid->customContextMenuRequested(at);
            });
        });
        QTimer::singleShot(120'000, &app, [&] { form.close(); });
        form.GoButton->click();
        app.exec();
        return status;
    }

    // The picture is taken halfway through the fifth file.
    bool taken = false;
    QObject::connect(&form.Run(), &DownloadRun::progress, [&](JobGrid::JobId, qint64, qint64) {
        if (taken ||
            form.PanelText(0) != QCoreApplication::translate("RunPanels", "ダウンロード中：%1")
                                     .arg(QStringLiteral("hampic05.jpg")) ||
            form.NMHTTP1().ReceivedBytes < 120 * 1024)
            return;
        taken = true;
        QTimer::singleShot(100, [&] {
            const QPixmap shot = form.screen()->grabWindow(form.winId());
            status = !shot.isNull() && shot.save(output) ? 0 : 1;
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
