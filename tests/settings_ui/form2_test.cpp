#include "settings/ui/form2.h"
#include "settings/ui/readme_location.h"
#include "tests/settings_ui/recording_desktop.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QString labelText(const TForm2& box, const char* name) {
    return box.findChild<QLabel*>(name)->text();
}

TEST(AboutBox, ShowsNameVersionHomePageAndIcon) {
    TForm2 box;
    EXPECT_EQ(box.windowTitle(), "Serifetch");
    EXPECT_EQ(labelText(box, "Label1"), "Serifetch");
    EXPECT_EQ(labelText(box, "Label3"), "Ver2.0");
    EXPECT_FALSE(labelText(box, "Label4").isEmpty());
    EXPECT_EQ(labelText(box, "Label5"), "HTTP/1.1・HTTPS・プロキシ対応");
    EXPECT_EQ(labelText(box, "Label6"), TForm2::kDocumentationDir);

    const QLabel* name = box.findChild<QLabel*>("Label1");
    EXPECT_TRUE(name->font().bold());
    EXPECT_TRUE(name->font().italic());
    EXPECT_EQ(name->font().styleHint(), QFont::Serif);
    EXPECT_GE(name->font().pointSize(), 18);
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(0x00, 0x00, 0x80));

    // The icon comes from a resource compiled into a static library, which the
    // linker drops unless it is referenced.
    const QPixmap icon = box.findChild<QLabel*>("Image1")->pixmap();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.deviceIndependentSize().toSize(), QSize(32, 32));
}

TEST(AboutBox, TheReadmeIsLookedForInstalledThenBesideTheBuildFolder) {
    EXPECT_EQ(ReadmeCandidates("/usr/share/doc/serifetch", "/home/u/serifetch/build/bin"),
              (QStringList{"/usr/share/doc/serifetch/README.md", "/home/u/serifetch/README.md"}));
    EXPECT_EQ(ReadmeCandidates("/opt/sf/share/doc/serifetch/", "/opt/sf/bin/"),
              (QStringList{"/opt/sf/share/doc/serifetch/README.md", "/opt/README.md"}));

    const QStringList candidates{"/installed/README.md", "/src/README.md"};
    const struct {
        const char* name;
        QStringList existing;
        QString found;
    } rows[] = {
        {"installed", {"/installed/README.md"}, "/installed/README.md"},
        {"in the source tree only", {"/src/README.md"}, "/src/README.md"},
        {"both: the installed one",
         {"/src/README.md", "/installed/README.md"},
         "/installed/README.md"},
        {"neither", {"/elsewhere/README.md"}, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FindReadme(candidates,
                             [&](const QString& path) { return row.existing.contains(path); }),
                  row.found);
    }
}

TEST(AboutBox, BrowserOpensTheReadmeAndTheBoxStaysOpen) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString readme = dir.filePath("README.md");
    QFile file(readme);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    RecordingDesktop desktop;
    ScopedDesktop installed(desktop);
    TForm2 box;
    QStringList reports;
    box.setReporter([&](QWidget*, const QString& text) { reports << text; });
    // A folder named like the README is no README.
    box.setReadmeCandidates({dir.path(), readme});
    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    EXPECT_EQ(desktop.urls, QStringList{"file://" + readme});
    EXPECT_TRUE(desktop.files.isEmpty());
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_TRUE(box.isVisible());

    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(desktop.urls.size(), 1);
}

TEST(AboutBox, BrowserWithoutAReadmeSaysWhereItLookedAndOpensNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList candidates{dir.filePath("share/README.md"), dir.filePath("README.md")};
    RecordingDesktop desktop;
    ScopedDesktop installed(desktop);
    TForm2 box;
    QStringList reports;
    box.setReporter([&](QWidget*, const QString& text) { reports << text; });
    box.setReadmeCandidates(candidates);
    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    EXPECT_TRUE(desktop.urls.isEmpty());
    EXPECT_TRUE(desktop.files.isEmpty());
    ASSERT_EQ(reports.size(), 1);
    for (const QString& path : candidates)
        EXPECT_TRUE(reports[0].contains(path)) << reports[0].toStdString();
    EXPECT_TRUE(box.isVisible());
}

} // namespace
