#include "settings/settings_file.h"
#include "settings/ui/form7.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct HistoryEditor {
    explicit HistoryEditor(QStringList entries)
        : history(std::move(entries))
        , dialog(history) {
        dialog.show();
    }
    QListWidget* list() { return dialog.findChild<QListWidget*>("ListBox1"); }
    QStringList shown() {
        QStringList texts;
        for (int i = 0; i < list()->count(); ++i)
            texts.append(list()->item(i)->text());
        return texts;
    }
    QStringList selected() {
        QStringList texts;
        for (QListWidgetItem* item : list()->selectedItems())
            texts.append(item->text());
        return texts;
    }
    void select(int row) { list()->setCurrentRow(row, QItemSelectionModel::ClearAndSelect); }
    void click(const char* button) {
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    }

    QStringList history;
    TForm7 dialog;
};

const QStringList abc{"http://a/", "http://b/", "http://c/"};

TEST(HistoryEditor, DeletesTheSelectedEntryOnly) {
    HistoryEditor e(abc);
    EXPECT_EQ(e.shown(), abc);
    e.click("Button2");
    EXPECT_EQ(e.shown(), abc);

    e.select(1);
    e.click("Button2");
    EXPECT_EQ(e.shown(), (QStringList{"http://a/", "http://c/"}));
    EXPECT_TRUE(e.selected().isEmpty());
    e.click("Button2");
    EXPECT_EQ(e.shown().size(), 2);
    EXPECT_EQ(e.history, abc) << "the history changes only on OK";
}

TEST(HistoryEditor, MovesTheSelectedEntryAndKeepsItSelected) {
    HistoryEditor e(abc);
    e.click("Button3");
    e.click("Button4");
    EXPECT_EQ(e.shown(), abc) << "no selection, no move";

    e.select(0);
    e.click("Button3");
    EXPECT_EQ(e.shown(), abc);
    e.click("Button4");
    EXPECT_EQ(e.shown(), (QStringList{"http://b/", "http://a/", "http://c/"}));
    e.click("Button4");
    EXPECT_EQ(e.shown(), (QStringList{"http://b/", "http://c/", "http://a/"}));
    e.click("Button4");
    EXPECT_EQ(e.shown(), (QStringList{"http://b/", "http://c/", "http://a/"}));
    EXPECT_EQ(e.selected(), QStringList{"http://a/"});
    e.click("Button3");
    EXPECT_EQ(e.shown(), (QStringList{"http://b/", "http://a/", "http://c/"}));
    EXPECT_EQ(e.selected(), QStringList{"http://a/"});
}

TEST(HistoryEditor, OkWritesTheWorkingCopyBackCancelDoesNot) {
    HistoryEditor ok(abc);
    ok.select(2);
    ok.click("Button3");
    QTest::keyClick(ok.list(), Qt::Key_Return);
    EXPECT_EQ(ok.dialog.result(), QDialog::Accepted);
    EXPECT_EQ(ok.history, (QStringList{"http://a/", "http://c/", "http://b/"}));

    HistoryEditor emptied(abc);
    for (int i = 0; i < 3; ++i) {
        emptied.select(0);
        emptied.click("Button2");
    }
    emptied.click("Button1");
    EXPECT_TRUE(emptied.history.isEmpty());

    const std::function<void(HistoryEditor&)> ways[] = {
        [](HistoryEditor& e) { e.click("Button5"); },
        [](HistoryEditor& e) { QTest::keyClick(e.list(), Qt::Key_Escape); },
        [](HistoryEditor& e) { e.dialog.close(); },
    };
    for (const auto& leave : ways) {
        HistoryEditor e(abc);
        e.select(0);
        e.click("Button2");
        leave(e);
        EXPECT_FALSE(e.dialog.isVisible());
        EXPECT_EQ(e.dialog.result(), QDialog::Rejected);
        EXPECT_EQ(e.history, abc);
    }
}

TEST(HistoryEditor, OpeningAppendsATextNoEntryEqualsExactly) {
    QStringList history = abc;
    EXPECT_FALSE(AppendToUrlHistory(history, "http://b/"));
    EXPECT_EQ(history, abc);
    EXPECT_TRUE(AppendToUrlHistory(history, "http://B/"));
    EXPECT_TRUE(AppendToUrlHistory(history, "http://b"));
    EXPECT_EQ(history.mid(3), (QStringList{"http://B/", "http://b"}));

    QStringList empty;
    EXPECT_TRUE(AppendToUrlHistory(empty, ""));
    EXPECT_FALSE(AppendToUrlHistory(empty, ""));
    EXPECT_EQ(empty, QStringList{""});

    // The appended text is part of the history the editor works on, and stays
    // when the editor is cancelled.
    QStringList opened = abc;
    AppendToUrlHistory(opened, "http://d/");
    HistoryEditor e(opened);
    EXPECT_EQ(e.shown().last(), "http://d/");
    e.click("Button5");
    EXPECT_EQ(e.history.last(), "http://d/");
}

} // namespace
