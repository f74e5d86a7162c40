// Draws each dialog as the user sees it into PNG files, for the documentation:
//   xvfb-run -a settings_ui_screenshots <folder>
#include "app/ui_language.h"
#include "settings/settings_file.h"
#include "settings/ui/form2.h"
#include "settings/ui/form6.h"
#include "settings/ui/form7.h"
#include "settings/ui/program_icon.h"

#include <QApplication>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>

namespace {

bool shoot(QDialog& dialog, const QString& file) {
    dialog.show();
    QApplication::processEvents();
    const bool saved = dialog.grab().save(file);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(file));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallTranslation(app, ChooseLanguage(QStringLiteral("auto")));
    QApplication::setWindowIcon(ProgramIcon());
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString(".");
    bool ok = true;

    // As the window opens it: the proxy tab first, then the request tab.
    QString proxy = "proxy.example.lan";
    int port = 8080;
    RequestSettings request;
    request.userAgent = "Mozilla/5.0 (X11; Linux x86_64)";
    request.refererIsBaseUrl = true;
    request.extraHeaders = QStringList{"Cookie: gallery_session=4f2a9c", "Accept-Language: ja"};
    TForm6 proxyDialog(proxy, port, nullptr, &request);
    ok &= shoot(proxyDialog, folder + "/proxy-dialog.png");
    proxyDialog.findChild<QTabWidget*>("PageControl1")->setCurrentIndex(1);
    ok &= shoot(proxyDialog, folder + "/option-request-tab.png");

    QStringList history{"http://www.example.com/gallery/2024/", "http://images.example.org/series/",
                        "http://www.example.com/photos/", "http://192.168.1.20/pub/scans/"};
    TForm7 editor(history);
    editor.findChild<QListWidget*>("ListBox1")->setCurrentRow(1);
    ok &= shoot(editor, folder + "/url-history.png");

    TForm2 about;
    ok &= shoot(about, folder + "/about.png");
    return ok ? 0 : 1;
}
