#include "settings/ui/form2.h"
#include "tests/settings_ui/recording_desktop.h"

#include <QLabel>
#include <QPushButton>
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
    EXPECT_FALSE(labelText(box, "Label5").isEmpty());
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

TEST(AboutBox, BrowserOpensTheHomePageAndTheBoxStaysOpen) {
    RecordingDesktop desktop;
    ScopedDesktop installed(desktop);
    TForm2 box;
    box.show();
    QTest::mouseClick(box.findChild<QPushButton*>("Button2"), Qt::LeftButton);
    EXPECT_EQ(desktop.urls, QStringList{"file://" + QString(TForm2::kDocumentationDir)});
    EXPECT_TRUE(desktop.files.isEmpty());
    EXPECT_TRUE(box.isVisible());

    QTest::keyClick(&box, Qt::Key_Return);
    EXPECT_FALSE(box.isVisible());
    EXPECT_EQ(box.result(), QDialog::Accepted);
    EXPECT_EQ(desktop.urls.size(), 1);
}

} // namespace
