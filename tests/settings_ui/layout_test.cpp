#include "settings/ui/form2.h"
#include "settings/ui/form6.h"
#include "settings/ui/form7.h"

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// At its default size no caption is cut: every button and label is at least as
// large as it asks to be.
void expectNothingCut(QDialog& dialog) {
    dialog.show();
    for (QWidget* w : dialog.findChildren<QWidget*>()) {
        if (!qobject_cast<QAbstractButton*>(w) && !qobject_cast<QLabel*>(w))
            continue;
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_GE(w->height(), w->sizeHint().height()) << w->objectName().toStdString();
    }
}

TEST(DialogLayout, CaptionsFitAtTheDefaultSize) {
    QString proxy = "proxy.lan";
    int port = 8080;
    TForm6 proxyDialog(proxy, port);
    expectNothingCut(proxyDialog);

    QStringList history{"http://a/"};
    TForm7 editor(history);
    expectNothingCut(editor);

    TForm2 about;
    expectNothingCut(about);
}

TEST(DialogLayout, HistoryListTakesTheRoomWhenTheEditorGrows) {
    QStringList history{"http://a/"};
    TForm7 editor(history);
    editor.show();
    const QSize before = editor.findChild<QListWidget*>("ListBox1")->size();
    editor.resize(editor.width() + 200, editor.height() + 150);
    const QSize after = editor.findChild<QListWidget*>("ListBox1")->size();
    EXPECT_EQ(after - before, QSize(200, 150));
}

} // namespace
