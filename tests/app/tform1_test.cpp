#include "app/ui/tform1.h"
#include "tests/support/test_env.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

struct Shown {
    TForm1::MessageKind kind;
    QString text;
};

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        form.SetMessageSink([this](TForm1::MessageKind kind, const QString& text) {
            shown.push_back({kind, text});
        });
        form.show();
        form.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    }

    // Replaces the text of a field by typing, as a user would: select all,
    // then key clicks (the first one replaces the selection).
    void Type(QLineEdit* edit, const QString& text) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    void Type(QComboBox* combo, const QString& text) {
        combo->setFocus();
        combo->lineEdit()->selectAll();
        QTest::keyClicks(combo->lineEdit(), text);
    }
    void Erase(QLineEdit* edit) {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
    }
    // Moves the focus away so the field's exit handler runs.
    void Leave() {
        form.Edit1->setFocus();
        ASSERT_TRUE(testenv::waitUntil([this] { return form.Edit1->hasFocus(); }, 5000));
    }
    void ListUp() { QTest::mouseClick(form.SpeedButton1, Qt::LeftButton); }

    QStringList History() const {
        QStringList items;
        for (int i = 0; i < form.ComboBox1->count(); ++i)
            items << form.ComboBox1->itemText(i);
        return items;
    }

    TForm1 form;
    std::vector<Shown> shown;
};

} // namespace

TEST_F(MainWindow, ControlsCarryTheirNamesCaptionsHintsAndDefaults) {
    EXPECT_EQ(form.windowTitle(), "Serifetch");
    EXPECT_EQ(form.findChild<QComboBox*>("ComboBox1")->currentText(), "");
    EXPECT_EQ(form.findChild<QPushButton*>("Button2")->text(), "edit");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit1")->text(), "hampic");
    EXPECT_EQ(form.findChild<QSpinBox*>("SpinEdit1")->value(), 2);
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit2")->text(), "01");
    EXPECT_EQ(form.findChild<QLabel*>("Label4")->text(), "～");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit5")->text(), "12");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit3")->text(), ".jpg");
    EXPECT_EQ(form.findChild<QLabel*>("Label10")->text(), "hampic01.jpg  -  hampic12.jpg");
    EXPECT_EQ(form.findChild<QLineEdit*>("Edit4")->text(),
              QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + "/");
    EXPECT_EQ(form.findChild<QPushButton*>("Button1")->text(), "参照");
    EXPECT_EQ(form.findChild<QCheckBox*>("CheckBox1")->text(), "同一ファイル名はスキップ");
    EXPECT_FALSE(form.CheckBox1->isChecked());
    EXPECT_EQ(form.findChild<QCheckBox*>("CheckBox2")->text(), "");
    EXPECT_TRUE(form.CheckBox2->isChecked());
    EXPECT_EQ(form.findChild<QSpinBox*>("SpinEdit2")->value(), 0);
    EXPECT_TRUE(form.SpinEdit2->isEnabled());
    EXPECT_TRUE(form.findChild<QPlainTextEdit*>("Memo1")->toPlainText().isEmpty());
    EXPECT_TRUE(form.Memo1->isReadOnly());

    const std::pair<const char*, const char*> hints[] = {
        {"SpeedButton1", "List Up"}, {"GoButton", "Go!"},        {"CancelBtn", "Stop!"},
        {"SpeedButton2", "Save"},    {"SpeedButton3", "Delete"}, {"SpeedButton4", "Clear"}};
    for (const auto& [name, hint] : hints) {
        auto* button = form.findChild<QToolButton*>(name);
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->toolTip(), hint) << name;
    }

    QStringList captions;
    for (const QLabel* label : form.findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption : {"URL", "先頭部", "数字桁数", "開始番号", "終了番号", "後部",
                                "SaveDir", "KByte以下はリトライ"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;
    QStringList groups;
    for (const QGroupBox* box : form.findChildren<QGroupBox*>())
        groups << box->title();
    EXPECT_TRUE(groups.contains("Filename"));

    EXPECT_EQ(form.PanelText(0), "停止中");
    EXPECT_EQ(form.PanelText(1), "Bytes：");
    EXPECT_EQ(form.PanelText(2), "選択：1");
    EXPECT_EQ(form.PanelText(3), "全：");
    const int widths[] = {350, 180, 100, 100};
    for (int i = 0; i < 4; ++i) {
        auto* panel = form.findChild<QLabel*>(QStringLiteral("Panel%1").arg(i));
        ASSERT_NE(panel, nullptr);
        EXPECT_GE(panel->width(), widths[i]) << i;
    }
}

TEST_F(MainWindow, MenusAndGrid) {
    auto* file = form.findChild<QMenu*>("File1");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->title(), "&File");
    const QList<QAction*> fileActions = file->actions();
    ASSERT_EQ(fileActions.size(), 3);
    EXPECT_EQ(fileActions[0]->objectName(), "Option1");
    EXPECT_EQ(fileActions[0]->text(), "Proxy");
    EXPECT_TRUE(fileActions[1]->isSeparator());
    EXPECT_EQ(fileActions[2]->objectName(), "Exit1");
    EXPECT_EQ(fileActions[2]->text(), "E&xit");
    auto* help = form.findChild<QMenu*>("Help1");
    ASSERT_NE(help, nullptr);
    EXPECT_EQ(help->title(), "Help");
    ASSERT_EQ(help->actions().size(), 1);
    EXPECT_EQ(help->actions()[0]->objectName(), "About1");

    auto* view = form.findChild<QTableView*>("StringGrid1");
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->model(), &form.Grid());
    EXPECT_EQ(view->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view->selectionMode(), QAbstractItemView::ContiguousSelection);
    EXPECT_EQ(view->horizontalHeader()->sectionResizeMode(1), QHeaderView::Interactive);
    EXPECT_EQ(view->columnWidth(0), 22);
    EXPECT_EQ(view->columnWidth(1), 440);
    EXPECT_EQ(view->columnWidth(2), 238);
    EXPECT_EQ(view->model()->rowCount(), 1); // the empty list's one empty row
}

TEST_F(MainWindow, ExitClosesTheWindowAndAnnouncesIt) {
    QSignalSpy closing(&form, &TForm1::closing);
    form.Exit1->trigger();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closing.count(), 1);
}

TEST_F(MainWindow, PreviewFollowsEveryInput) {
    Type(form.Edit1, "pic");
    EXPECT_EQ(form.Label10->text(), "pic01.jpg  -  pic12.jpg");
    Type(form.Edit3, ".png");
    EXPECT_EQ(form.Label10->text(), "pic01.png  -  pic12.png");
    Type(form.Edit2, "7");
    Type(form.Edit5, "100");
    EXPECT_EQ(form.Label10->text(), "pic07.png  -  pic100.png");
    form.SpinEdit1->setValue(4);
    EXPECT_EQ(form.Label10->text(), "pic0007.png  -  pic0100.png");
    form.SpinEdit1->setValue(0);
    EXPECT_EQ(form.Label10->text(), "pic.png  -  pic.png");
    EXPECT_TRUE(shown.empty());
}

TEST_F(MainWindow, StartAndEndAreNormalisedAsTyped) {
    form.Edit2->setText("a1b2c"); // as a loader fills it
    EXPECT_EQ(form.Edit2->text(), "12");
    Type(form.Edit5, "1ab2");
    EXPECT_EQ(form.Edit5->text(), "12");
    EXPECT_EQ(form.Label10->text(), "hampic12.jpg  -  hampic12.jpg");
    Erase(form.Edit5);
    EXPECT_EQ(form.Edit5->text(), "0");
    EXPECT_TRUE(shown.empty());

    // Only non-digits: the text empties and cannot be read as a number.
    Type(form.Edit2, "x");
    EXPECT_EQ(form.Edit2->text(), "");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, TForm1::MessageKind::Error);
    EXPECT_TRUE(shown[0].text.contains("開始番号")) << shown[0].text.toStdString();
    // Leaving the field normalises the empty text to "0".
    Leave();
    EXPECT_EQ(form.Edit2->text(), "0");
    EXPECT_EQ(form.Label10->text(), "hampic00.jpg  -  hampic00.jpg");
}

TEST_F(MainWindow, LeavingAFieldNormalisesTextSetWithoutItsChangeSignal) {
    for (QLineEdit* edit : {form.Edit2, form.Edit5}) {
        edit->blockSignals(true);
        edit->setText("n-3");
        edit->blockSignals(false);
        edit->setFocus();
        ASSERT_TRUE(testenv::waitUntil([edit] { return edit->hasFocus(); }, 5000));
        // Another window (a message box, another program) taking the focus
        // is not leaving the field.
        QFocusEvent away(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(edit, &away);
        EXPECT_EQ(edit->text(), "n-3");
        Leave();
        EXPECT_EQ(edit->text(), "3") << edit->objectName().toStdString();
    }
}

TEST_F(MainWindow, ConversionFailureIsShownAndEarlierStepsStayDone) {
    const QString before = form.Label10->text();
    Type(form.Edit5, "99999999999"); // fails from the tenth digit on
    EXPECT_EQ(form.Edit5->text(), "99999999999");
    EXPECT_EQ(form.Label10->text(), "hampic01.jpg  -  hampic999999999.jpg");
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].text.contains("終了番号")) << shown[1].text.toStdString();
    EXPECT_TRUE(shown[1].text.contains("99999999999")) << shown[1].text.toStdString();
    EXPECT_NE(form.Label10->text(), before);

    // List Up: the URL goes into the history and the start is read before
    // the end fails; nothing is appended and the count is not rewritten.
    // Every later change of an input meets the same failure.
    shown.clear();
    Type(form.Edit2, "5");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("終了番号"));

    shown.clear();
    Type(form.ComboBox1, "http://127.0.0.1/a/");
    form.SetPanelText(3, "unchanged");
    ListUp();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("終了番号"));
    EXPECT_EQ(History(), QStringList{"http://127.0.0.1/a/"});
    EXPECT_EQ(form.StartNumber(), 5);
    EXPECT_EQ(form.NextRow(), 1);
    EXPECT_EQ(form.PanelText(3), "unchanged");
}

TEST_F(MainWindow, ListUpAppendsTheSeriesCountsAndSelectsTheLastRow) {
    Type(form.ComboBox1, "http://127.0.0.1/p/");
    form.Edit4->setText("/tmp/s/");
    ListUp();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(form.NextRow(), 13);
    EXPECT_EQ(form.Grid().GridRowCount(), 13);
    EXPECT_EQ(form.PanelText(3), "全：12");
    EXPECT_EQ(form.SelectedGridRows(), std::make_pair(12, 12));
    EXPECT_EQ(form.Grid().Url(1), "http://127.0.0.1/p/hampic01.jpg");
    EXPECT_EQ(form.Grid().Path(12), "/tmp/s/hampic12.jpg");
    EXPECT_EQ(form.Grid().Status(5), "");
    EXPECT_EQ(form.StartNumber(), 1);
    EXPECT_EQ(form.EndNumber(), 12);
    EXPECT_EQ(History(), QStringList{"http://127.0.0.1/p/"});

    // Again: listed twice, the history not doubled.
    Type(form.Edit2, "99");
    Type(form.Edit5, "100");
    ListUp();
    EXPECT_EQ(form.NextRow(), 15);
    EXPECT_EQ(form.PanelText(3), "全：14");
    EXPECT_EQ(form.SelectedGridRows(), std::make_pair(14, 14));
    EXPECT_EQ(form.Grid().Url(13), "http://127.0.0.1/p/hampic99.jpg");
    EXPECT_EQ(form.Grid().Url(14), "http://127.0.0.1/p/hampic100.jpg");
    EXPECT_EQ(History(), QStringList{"http://127.0.0.1/p/"});
    EXPECT_EQ(form.ComboBox1->currentText(), "http://127.0.0.1/p/");

    // The history comparison is exact: another letter case is another entry.
    Type(form.ComboBox1, "http://127.0.0.1/P/");
    form.SpinEdit1->setValue(0);
    Type(form.Edit2, "1");
    Type(form.Edit5, "2");
    ListUp();
    EXPECT_EQ(History(), QStringList({"http://127.0.0.1/p/", "http://127.0.0.1/P/"}));
    EXPECT_EQ(form.Grid().Url(15), "http://127.0.0.1/P/hampic.jpg");
    EXPECT_EQ(form.Grid().Url(16), "http://127.0.0.1/P/hampic.jpg");
}

TEST_F(MainWindow, ReversedRangeAppendsNothingButRefreshesCountAndSelection) {
    Type(form.Edit2, "5");
    Type(form.Edit5, "3");
    form.SetPanelText(3, "stale");
    ListUp();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(form.NextRow(), 1);
    EXPECT_EQ(form.PanelText(3), "全：0");
    EXPECT_EQ(form.SelectedGridRows(), std::make_pair(1, 1));
    EXPECT_EQ(History(), QStringList{""}); // an empty URL is recorded like any other

    Type(form.Edit2, "1");
    ListUp(); // 1 to 3
    form.SelectGridRows(1, 2);
    Type(form.Edit2, "5");
    ListUp();
    EXPECT_EQ(form.NextRow(), 4);
    EXPECT_EQ(form.SelectedGridRows(), std::make_pair(3, 3));
}

TEST_F(MainWindow, EndAtTheLargest32BitNumberEnds) {
    Type(form.Edit2, "2147483645");
    Type(form.Edit5, "2147483647");
    ListUp();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(form.NextRow(), 4);
    EXPECT_EQ(form.Grid().Url(3), "hampic2147483647.jpg");
}

TEST_F(MainWindow, HugeRangesAndDigitCountsAreRefusedWithAMessage) {
    Type(form.Edit2, "0");
    Type(form.Edit5, "2147483647");
    ListUp();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("1000000")) << shown[0].text.toStdString();
    EXPECT_EQ(form.NextRow(), 1);

    shown.clear();
    Type(form.Edit5, "3");
    form.SpinEdit1->setValue(1'000'000'000);
    EXPECT_TRUE(form.Label10->text().contains("255")) << form.Label10->text().toStdString();
    EXPECT_TRUE(shown.empty()); // the preview says it, no box while typing
    ListUp();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].text.contains("255"));
    EXPECT_EQ(form.NextRow(), 1);

    // The widest count still works.
    shown.clear();
    form.SpinEdit1->setValue(255);
    ListUp();
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(form.NextRow(), 5);
    EXPECT_EQ(form.Grid().Url(4).size(), QString("hampic.jpg").size() + 255);
}

TEST_F(MainWindow, CheckBox2GovernsTheLimitAndEnableTogglesTheInputs) {
    QTest::mouseClick(form.CheckBox2, Qt::LeftButton);
    EXPECT_FALSE(form.CheckBox2->isChecked());
    EXPECT_FALSE(form.SpinEdit2->isEnabled());
    form.CheckBox2->setChecked(true);
    EXPECT_TRUE(form.SpinEdit2->isEnabled());

    const std::vector<QWidget*> governed{
        form.ComboBox1, form.GoButton,  form.Edit1,     form.Edit2,     form.Edit3,  form.Edit4,
        form.Edit5,     form.SpinEdit1, form.SpinEdit2, form.CheckBox1, form.Button1};
    form.Enable(false);
    for (QWidget* w : governed)
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(form.SpeedButton1->isEnabled());
    EXPECT_TRUE(form.CancelBtn->isEnabled());
    form.Enable(true);
    for (QWidget* w : governed)
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
}
