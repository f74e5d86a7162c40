// The window's list commands, selection report, open, folder picker and
// about box, driven offscreen.
#include "app/download_run.h"
#include "app/ui/tform1.h"
#include "app/ui/user_prompts.h"
#include "settings/job_list_file.h"
#include "settings/ui/form2.h"
#include "tests/app/run_marks.h"
#include "tests/app/window_fixture.h"
#include "tests/settings_ui/recording_desktop.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_env.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QToolButton>

namespace {

using testsupport::PeerScript;
using testsupport::ScriptedPeer;

std::vector<Job> NumberedJobs(int count, const QString& base = "http://127.0.0.1/s/",
                              const QString& dir = "/tmp/s/") {
    std::vector<Job> jobs;
    for (int n = 1; n <= count; ++n) {
        const QString name = QStringLiteral("a%1.jpg").arg(n, 2, 10, QChar('0'));
        jobs.push_back({QString(), base + name, dir + name});
    }
    return jobs;
}

QStringList Urls(const TForm1& form) {
    QStringList urls;
    for (const Job& job : form.Grid().Jobs())
        urls << job.url.section('/', -1);
    return urls;
}

class Commands : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        form = Open();
        // Clear asks before it drops jobs not yet done; these tests mean it.
        form->SetQuestionAsker([](const QString&) { return true; });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    QPoint RowCentre(int gridRow) {
        QTableView* view = form->StringGrid1;
        return view->visualRect(view->model()->index(gridRow - 1, 1)).center();
    }

    std::unique_ptr<TForm1> form;
};

TEST_F(Commands, DeleteRemovesTheSelectedRows) {
    form->Grid().Append(NumberedJobs(5));
    form->SelectGridRows(2, 3);
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(Urls(*form), (QStringList{"a01.jpg", "a04.jpg", "a05.jpg"}));
    EXPECT_EQ(form->NextRow(), 4);
    EXPECT_EQ(form->PanelText(3), "全：3");

    form->SelectGridRows(2, 3); // the last rows
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(Urls(*form), QStringList{"a01.jpg"});
    EXPECT_EQ(form->PanelText(3), "全：1");

    form->SelectGridRows(1, 1); // every row
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    EXPECT_EQ(form->NextRow(), 1);
    EXPECT_EQ(form->StringGrid1->model()->rowCount(), 1);
    EXPECT_EQ(form->PanelText(3), "全：0");
}

TEST_F(Commands, ClearEmptiesTheListAndSaveWritesIt) {
    form->Grid().Append(NumberedJobs(3));
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_EQ(JobListFile::load(JobsPath()).jobs, NumberedJobs(3));

    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
    EXPECT_EQ(form->NextRow(), 1);
    EXPECT_EQ(form->StringGrid1->model()->rowCount(), 1);
    EXPECT_EQ(form->PanelText(3), "全：0");
    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    EXPECT_TRUE(JobListFile::load(JobsPath()).jobs.empty());
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// Undo puts the rows back where the user was looking, selected, instead of
// at the top of the list.
TEST_F(Commands, UndoKeepsTheGridsViewWhereItWas) {
    form->Grid().Append(NumberedJobs(300));
    QTableView* view = form->StringGrid1;
    for (const bool clear : {false, true}) {
        SCOPED_TRACE(clear ? "Clear" : "Delete");
        form->SelectGridRows(150, 152);
        const int scroll = view->verticalScrollBar()->value();
        ASSERT_GT(scroll, 0);
        if (clear)
            QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
        else
            QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
        form->UndoEdit->trigger();
        EXPECT_EQ(form->Grid().JobCount(), 300);
        EXPECT_EQ(view->verticalScrollBar()->value(), scroll);
        EXPECT_EQ(form->SelectedGridRows(), std::make_pair(150, 152));
        EXPECT_EQ(view->currentIndex().row(), 151);
        EXPECT_EQ(form->PanelText(2), "選択：150 ～ 152");
    }
}

// A failed job's row shows light red, apart from the running job's tint.
TEST_F(Commands, FailedRowsAreTintedLightRed) {
    std::vector<Job> jobs = NumberedJobs(4);
    jobs[0].status = kFailed;
    jobs[1].status = kGivenUp;
    jobs[2].status = kDone;
    form->Grid().Append(jobs);
    form->SelectGridRows(4, 4);
    QTableView* view = form->StringGrid1;
    const auto background = [&](int gridRow) {
        const QRect cell = view->visualRect(view->model()->index(gridRow - 1, 0));
        return view->viewport()->grab().toImage().pixelColor(cell.topLeft() + QPoint(2, 2));
    };
    const QColor tint = QColor::fromRgb(MainWindowControls::kFailedRowTint);
    EXPECT_EQ(background(1), tint);
    EXPECT_EQ(background(2), tint);
    EXPECT_NE(background(3), tint);
    form->Grid().SetRunningJob(form->Grid().IdAt(2));
    EXPECT_NE(background(2), tint);
    EXPECT_NE(background(2), background(3));
    form->Grid().SetRunningJob(0);
    form->RetryFailed->trigger();
    EXPECT_NE(background(1), tint);
}

TEST_F(Commands, SelectionIsReportedAsTheMouseChangesIt) {
    form->Grid().Append(NumberedJobs(10));
    QWidget* cells = form->StringGrid1->viewport();
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(7));
    EXPECT_EQ(form->PanelText(2), "選択：7");
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(3));
    QTest::mouseClick(cells, Qt::LeftButton, Qt::ShiftModifier, RowCentre(5));
    EXPECT_EQ(form->PanelText(2), "選択：3 ～ 5");
}

TEST_F(Commands, DoubleClickAndTheAboutBoxReachTheDesktop) {
    RecordingDesktop desktop;
    ScopedDesktop use(desktop);
    QWidget* cells = form->StringGrid1->viewport();
    QTest::mouseDClick(cells, Qt::LeftButton, {}, RowCentre(1)); // the empty row
    form->Grid().Append(NumberedJobs(3));
    QTest::mouseClick(cells, Qt::LeftButton, {}, RowCentre(2));
    QTest::mouseDClick(cells, Qt::LeftButton, {}, RowCentre(2));
    EXPECT_EQ(desktop.files, QStringList{"/tmp/s/a02.jpg"});

    // The box opens the README wherever it is found; here, in a folder of the
    // test's own.
    QTemporaryDir docs;
    const QString readme = docs.filePath("README.md");
    ASSERT_TRUE(testenv::writeFile(readme, "# Serifetch\n"));
    WhenOpen<TForm2>(form.get(), [&](TForm2& about) {
        EXPECT_EQ(about.parent(), form.get());
        EXPECT_TRUE(about.isModal());
        about.setReadmeCandidates({readme});
        about.findChild<QPushButton*>("Button2")->click(); // "ブラウザ"
        about.findChild<QPushButton*>("Button1")->click();
    });
    form->About1->trigger();
    EXPECT_EQ(desktop.urls, QStringList{"file://" + readme});
    EXPECT_EQ(form->findChild<TForm2*>(), nullptr);
}

// The picker opens in the save folder, or the nearest folder of it that is
// there; what it gives back ends in "/".
TEST_F(Commands, FolderPickerStartsInTheSaveFolderAndLeavesItEndingInASlash) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ASSERT_TRUE(QDir(out.path()).mkpath("old/sub"));
    QStringList starts;
    QString answer = out.filePath("picked");
    form->SetFolderPicker([&](QWidget*, const QString& start) {
        starts << start;
        return answer;
    });
    form->Edit4->setText(out.filePath("old/sub/"));
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(form->Edit4->text(), out.filePath("picked/"));
    answer.clear(); // cancelled
    QTest::mouseClick(form->Button1, Qt::LeftButton);
    EXPECT_EQ(form->Edit4->text(), out.filePath("picked/"));
    EXPECT_EQ(starts, (QStringList{out.filePath("old/sub"), out.path()}));

    const struct {
        QString folder;
        QString start;
    } rows[] = {
        {out.filePath("old/sub/"), out.filePath("old/sub")},
        {out.filePath("old/sub"), out.filePath("old/sub")},
        {out.filePath("old/gone/deeper/"), out.filePath("old")},
        {out.filePath("old/../old/gone"), out.filePath("old")},
        {"/", "/"},
        {"", QDir::homePath()},
        {"relative/dir/", QDir::homePath()},
    };
    for (const auto& row : rows)
        EXPECT_EQ(UserPrompts::PickerStart(row.folder), row.start) << row.folder.toStdString();
}

TEST_F(Commands, ProgressTextIsNotCutInTheStatusBar) {
    const QString text = QStringLiteral("Bytes：123456 / 1048576 (11%)");
    form->SetPanelText(1, text);
    auto* panel = form->findChild<QLabel*>("Panel1");
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(testenv::waitUntil(
        [&] {
            return panel->contentsRect().width() >= panel->fontMetrics().horizontalAdvance(text);
        },
        5000))
        << panel->contentsRect().width();
}

// While a request runs its own event loop, the list is edited under it.
class EditDuringRun : public Commands {
protected:
    void SetUp() override {
        Commands::SetUp();
        ASSERT_TRUE(out.isValid());
        form->Run().SetTickInterval(10);
        form->CheckBox1->setChecked(false);
        form->CheckBox2->setChecked(false);
    }

    // Runs `edit` from the event loop once the first body bytes of a request
    // have arrived, with the request still under way.
    void DuringFirstBody(const std::function<void()>& edit) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection =
            QObject::connect(&form->Run(), &DownloadRun::progress,
                             [this, connection, edit](JobGrid::JobId, qint64 received, qint64) {
                                 if (received == 0)
                                     return;
                                 QObject::disconnect(*connection);
                                 QTimer::singleShot(0, [this, edit] {
                                     EXPECT_TRUE(form->Run().Requesting());
                                     edit();
                                     edited = true;
                                 });
                             });
    }

    // Each reply ends slowly, so the edit lands inside the request.
    ScriptedPeer peer{PeerScript()
                          .waitFor("\r\n\r\n")
                          .send("HTTP/1.0 200 OK\r\n\r\n")
                          .sendPattern(1000)
                          .drip("0123456789", 30)
                          .close()};
    QTemporaryDir out;
    bool edited = false;
};

TEST_F(EditDuringRun, DeleteAboveTheJobUnderWayMarksThatJob) {
    std::vector<Job> jobs =
        NumberedJobs(3, QStringLiteral("http://127.0.0.1:%1/").arg(peer.port()), out.path() + "/");
    jobs[0].status = kDone; // passed over: the run starts at row 2
    form->Grid().Append(jobs);
    DuringFirstBody([this] {
        form->SelectGridRows(1, 1);
        QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    });
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return edited && !form->Run().Running(); }, 20'000));
    EXPECT_EQ(Urls(*form), (QStringList{"a02.jpg", "a03.jpg"}));
    EXPECT_EQ(form->Grid().Status(1), kDone);
    EXPECT_EQ(form->Grid().Status(2), kDone);
    EXPECT_EQ(peer.connections(), 2);
    EXPECT_EQ(testenv::readFile(out.filePath("a02.jpg")).size(), 1010);
    EXPECT_EQ(form->PanelText(3), "全：2");
}

TEST_F(EditDuringRun, ClearUnderTheJobUnderWayMarksNothing) {
    form->Grid().Append(
        NumberedJobs(2, QStringLiteral("http://127.0.0.1:%1/").arg(peer.port()), out.path() + "/"));
    DuringFirstBody([this] { QTest::mouseClick(form->SpeedButton4, Qt::LeftButton); });
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return edited && !form->Run().Running(); }, 20'000));
    EXPECT_EQ(form->NextRow(), 1);
    EXPECT_EQ(form->Grid().Status(1), QString());
    EXPECT_EQ(form->PanelText(3), "全：0");
    EXPECT_EQ(peer.connections(), 1);
}

// The inputs do not trap: no completion from the history, a pasted file URL
// offered for splitting, and a folder that is missing asked about at Go!.
class Inputs : public Commands {
protected:
    void SetUp() override {
        Commands::SetUp();
        form->SetQuestionAsker([this](const QString& q) {
            questions << q;
            return answer;
        });
        form->SetSplitChooser([this](const QString& q) {
            questions << q;
            return answer ? UserPrompts::SplitChoice::Split : UserPrompts::SplitChoice::Cancel;
        });
    }
    QStringList questions;
    bool answer = true;
};

TEST_F(Inputs, TypedUrlStaysAsTypedAndAPastedFileUrlIsSplitOnYes) {
    form->ComboBox1->addItem("http://127.0.0.1/slow/pic017.jpg");
    form->ComboBox1->setEditText(QString());
    form->ComboBox1->setFocus();
    QTest::keyClicks(form->ComboBox1, "http://127.0.0.1/slow/");
    QTest::keyClick(form->ComboBox1, Qt::Key_Tab);
    EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/slow/");
    EXPECT_FALSE(form->UrlSlashWarning->isVisible());
    QTest::qWait(20);
    EXPECT_TRUE(questions.isEmpty()) << questions.join('\n').toStdString();

    form->Edit4->setText("/home/u/pics/");
    for (const bool yes : {false, true}) {
        answer = yes;
        form->Edit5->setText("5");
        form->OpenEndBox->setChecked(false);
        form->ComboBox1->setEditText(QString());
        QApplication::clipboard()->setText("http://127.0.0.1/d/pic017.jpg");
        form->ComboBox1->setFocus();
        QTest::keySequence(form->ComboBox1->lineEdit(), QKeySequence::Paste);
        ASSERT_TRUE(testenv::waitUntil([&] { return !questions.isEmpty(); }, 2000));
        questions.clear();
        if (!yes) {
            EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/d/pic017.jpg");
            EXPECT_TRUE(form->UrlSlashWarning->isVisible());
            EXPECT_TRUE(form->UrlSlashWarning->toolTip().contains("pic017.jpg" +
                                                                  form->Edit1->text() + "01.jpg"))
                << form->UrlSlashWarning->toolTip().toStdString();
            continue;
        }
        EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/d/");
        EXPECT_EQ(form->Edit1->text(), "pic");
        EXPECT_EQ(form->SpinEdit1->value(), 3);
        EXPECT_EQ(form->Edit2->text(), "017");
        // The end is left open: the last series' end is no guide to this one.
        EXPECT_EQ(form->Edit5->text(), "5");
        EXPECT_TRUE(form->OpenEndBox->isChecked());
        EXPECT_EQ(form->Edit3->text(), ".jpg");
        // A second series goes to a folder of its own, not into the first one's.
        EXPECT_EQ(form->Edit4->text(), "/home/u/pics/d/");
        EXPECT_TRUE(form->Label10->text().startsWith("pic017.jpg"))
            << form->Label10->text().toStdString();
        EXPECT_FALSE(form->UrlSlashWarning->isVisible());
    }

    // A URL holding "%2C" is quoted as it is, each part in its place.
    answer = false;
    form->ComboBox1->setEditText(QString());
    QApplication::clipboard()->setText("http://127.0.0.1/photos%2C2020/img07.jpg");
    QTest::keySequence(form->ComboBox1->lineEdit(), QKeySequence::Paste);
    ASSERT_TRUE(testenv::waitUntil([&] { return !questions.isEmpty(); }, 2000));
    EXPECT_TRUE(questions.first().endsWith(
        QString::fromUtf8("URL: http://127.0.0.1/photos%2C2020/\n先頭部: img\n数字桁数: "
                          "2\n開始番号: 07\n後部: .jpg\nSaveDir: /home/u/pics/d/photos,2020/")))
        << questions.first().toStdString();
}

// The split offer's two choices against a real nginx serving
// vol02/img_001.jpg … img_012.jpg, and a server that never answers.
class SplitOffer : public WindowTest {
protected:
    static void SetUpTestSuite() {
        www = std::make_unique<QTemporaryDir>();
        ASSERT_TRUE(QDir(www->path()).mkpath("gallery/vol02"));
        for (int n = 1; n <= 12; ++n)
            testenv::writeFile(
                www->filePath(QStringLiteral("gallery/vol02/img_%1.jpg").arg(n, 3, 10, QChar('0'))),
                "jpeg");
        nginx = std::make_unique<NginxFixture>(www->path());
        QString error;
        if (!nginx->start(&error)) {
            nginx.reset();
            FAIL() << error.toStdString();
        }
    }
    static void TearDownTestSuite() {
        nginx.reset();
        www.reset();
    }
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_TRUE(nginx);
        // No pause between the probe's requests.
        testenv::writeFile(IniPath(), "[Server]\nInterval=0\n");
        form = Open();
        form->SetSplitChooser([this](const QString& q) {
            messages << q;
            return choice;
        });
    }

    static inline std::unique_ptr<QTemporaryDir> www;
    static inline std::unique_ptr<NginxFixture> nginx;
    std::unique_ptr<TForm1> form;
    UserPrompts::SplitChoice choice = UserPrompts::SplitChoice::Split;
};

TEST_F(SplitOffer, SplitLeavesTheEndOpenAndFindingTheSeriesFillsBothEnds) {
    // Connections wait in its backlog, never answered: only Cancel ends them.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const QString served = nginx->baseUrl() + "gallery/vol02/";
    const QString unanswered =
        QStringLiteral("http://127.0.0.1:%1/vol02/").arg(silent.serverPort());
    using Choice = UserPrompts::SplitChoice;
    const struct {
        const char* name;
        Choice choice;
        QString pasted;
        const char* saveDir;
        bool cancel;
        const char* head;
        int digits;
        const char* start;
        const char* end;
        bool openEnd;
        const char* saveDirAfter;
        const char* told; ///< the start of the one message, or nothing
    } rows[] = {
        {"split", Choice::Split, served + "img_07.jpg", "/home/u/pics/", false, "img_", 2, "07",
         "40", true, "/home/u/pics/vol02/", nullptr},
        {"split into its own folder again", Choice::Split, served + "img_07.jpg",
         "/home/u/pics/vol02/", false, "img_", 2, "07", "40", true, "/home/u/pics/vol02/", nullptr},
        {"found: padding and both ends", Choice::FindSeries, served + "img_07.jpg", "/home/u/pics",
         false, "img_", 3, "001", "012", false, "/home/u/pics/vol02/", nullptr},
        {"found from its last file", Choice::FindSeries, served + "img_012.jpg", "/home/u/pics/",
         false, "img_", 3, "001", "012", false, "/home/u/pics/vol02/", nullptr},
        {"not found: told, split", Choice::FindSeries, served + "img_050.jpg", "/home/u/pics/",
         false, "img_", 3, "050", "40", true, "/home/u/pics/vol02/", "The series was not found"},
        {"cancelled: split", Choice::FindSeries, unanswered + "img_07.jpg", "/home/u/pics/", true,
         "img_", 2, "07", "40", true, "/home/u/pics/vol02/", nullptr},
        {"declined", Choice::Cancel, served + "img_07.jpg", "/home/u/pics/", false, "x", 1, "1",
         "40", false, "/home/u/pics/", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        form->Edit1->setText("x");
        form->SpinEdit1->setValue(1);
        form->Edit2->setText("1");
        form->Edit5->setText("40");
        form->OpenEndBox->setChecked(false);
        form->Edit3->setText(".png");
        form->Edit4->setText(row.saveDir);
        messages.clear();
        choice = row.choice;
        if (row.cancel)
            WhenOpen<QProgressDialog>(form.get(), [](QProgressDialog& d) {
                QTest::mouseClick(d.findChild<QPushButton*>(), Qt::LeftButton);
            });
        form->OfferFileUrlSplit(row.pasted);
        ASSERT_TRUE(testenv::waitUntil(
            [&] { return !form->findChild<QProgressDialog*>("SeriesFinderProgress"); }, 20'000));
        ASSERT_FALSE(messages.isEmpty());
        // Every row's series has the same folder of its own.
        EXPECT_TRUE(messages.takeFirst().endsWith("\nSaveDir: /home/u/pics/vol02/"));
        EXPECT_EQ(form->Edit1->text(), row.head);
        EXPECT_EQ(form->SpinEdit1->value(), row.digits);
        EXPECT_EQ(form->Edit2->text(), row.start);
        EXPECT_EQ(form->Edit5->text(), row.end);
        EXPECT_EQ(form->OpenEndBox->isChecked(), row.openEnd);
        EXPECT_EQ(form->Edit4->text(), row.saveDirAfter);
        if (!row.openEnd && row.choice == Choice::FindSeries) {
            EXPECT_EQ(form->Label10->text(), "img_001.jpg  -  img_012.jpg");
        }
        if (row.told) {
            ASSERT_EQ(messages.size(), 1);
            EXPECT_TRUE(messages[0].startsWith(row.told)) << messages[0].toStdString();
        } else {
            EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
        }
        // Nothing is listed before List Up.
        EXPECT_EQ(form->NextRow(), 1);
    }
}

TEST_F(Inputs, GoAsksOnceForAMissingFolderAndStartsOnlyWhenItIsThere) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const QString folder = out.path() + "/new/dl/";
    form->Grid().Append(NumberedJobs(2, "http://127.0.0.1:1/", folder));
    answer = false;
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains(folder));
    EXPECT_FALSE(form->Run().Running());
    EXPECT_EQ(form->Grid().Status(1), QString());
    EXPECT_FALSE(QFileInfo(folder).isDir());

    answer = true;
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(questions.size(), 2);
    form->CancelBtnClick();
    ASSERT_TRUE(testenv::waitUntil([&] { return !form->Run().Running(); }, 20'000));
}

// Go! asks once about jobs that would save into hidden files, naming five at
// most; on "no" they fail as refused and nothing is fetched for them.
TEST_F(Inputs, GoAsksOnceAboutHiddenPathsNamingFiveAtMost) {
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const struct {
        int count;
        QString more;
    } rows[] = {{1, ""}, {7, "... and 2 more"}};
    for (const auto& row : rows) {
        form->Grid().Clear();
        form->Grid().Append(NumberedJobs(row.count, "http://127.0.0.1:1/", out.path() + "/."));
        form->Run().SetTickInterval(10);
        questions.clear();
        answer = false;
        QTest::mouseClick(form->GoButton, Qt::LeftButton);
        ASSERT_FALSE(questions.isEmpty());
        const QString& asked = questions[0];
        EXPECT_TRUE(asked.startsWith(QString::number(row.count) + " job(s) would save"));
        EXPECT_TRUE(asked.contains(out.path() + "/.a01.jpg"));
        EXPECT_FALSE(asked.contains(".a06.jpg")) << asked.toStdString();
        EXPECT_EQ(asked.contains("more"), !row.more.isEmpty());
        EXPECT_TRUE(row.more.isEmpty() || asked.contains(row.more));
        ASSERT_TRUE(testenv::waitUntil([&] { return !form->Run().Running(); }, 20'000));
        EXPECT_TRUE(form->Grid().Reason(1).startsWith("Refused")) << row.count;
    }
}

TEST_F(Inputs, DeleteKeyClearAndOneStepUndo) {
    form->Grid().Append(NumberedJobs(4));
    form->Grid().SetStatus(1, kDone);
    form->SelectGridRows(2, 3);
    form->StringGrid1->setFocus();
    QTest::keyClick(form->StringGrid1, Qt::Key_Delete);
    EXPECT_EQ(Urls(*form), (QStringList{"a01.jpg", "a04.jpg"}));
    QTest::keyClick(form.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Urls(*form), (QStringList{"a01.jpg", "a02.jpg", "a03.jpg", "a04.jpg"}));
    EXPECT_EQ(form->Grid().Status(1), kDone);
    EXPECT_EQ(form->PanelText(3), "全：4");

    answer = false; // three jobs not yet done: Clear asks
    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
    EXPECT_EQ(form->Grid().JobCount(), 4);
    ASSERT_EQ(questions.size(), 1);
    EXPECT_TRUE(questions[0].contains("3 job(s)"));
    answer = true;
    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton);
    EXPECT_EQ(form->Grid().JobCount(), 0);
    form->UndoEdit->trigger();
    EXPECT_EQ(form->Grid().JobCount(), 4);
    form->UndoEdit->trigger(); // once only
    EXPECT_EQ(form->Grid().JobCount(), 4);

    form->Grid().DeleteRows(2, 4);
    QTest::mouseClick(form->SpeedButton4, Qt::LeftButton); // every job done: no question
    EXPECT_EQ(questions.size(), 2);
    EXPECT_EQ(form->Grid().JobCount(), 0);
}

TEST_F(EditDuringRun, RetryFetchesExactlyTheChosenJobsAndFailuresAreExplained) {
    std::vector<Job> jobs =
        NumberedJobs(4, QStringLiteral("http://127.0.0.1:%1/").arg(peer.port()), out.path() + "/");
    for (Job& job : jobs)
        job.status = kDone;
    form->Grid().Append(jobs);
    form->SelectGridRows(2, 3);
    form->RetryJobs->trigger();
    EXPECT_EQ(MarksOf(form->Grid()), (QStringList{kDone, "", "", kDone}));
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return !form->Run().Running(); }, 20'000));
    EXPECT_EQ(peer.connections(), 2);
    EXPECT_TRUE(QFileInfo::exists(out.filePath("a02.jpg")));
    EXPECT_FALSE(QFileInfo::exists(out.filePath("a01.jpg")));

    // Row 4 now fails against a port nobody listens on.
    form->Grid().DeleteRows(4, 4);
    form->Grid().Append(Job{"", "http://127.0.0.1:1/a04.jpg", out.filePath("a04.jpg")});
    form->Grid().SetStatus(2, kFailed);
    form->RetryFailed->trigger();
    messages.clear();
    // The end of the run offers to fetch the failures again: declined here.
    QStringList offers;
    form->SetQuestionAsker([&](const QString& question) {
        offers << question;
        return false;
    });
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return !form->Run().Running(); }, 20'000));
    EXPECT_EQ(peer.connections(), 3);
    const QString mark = form->Grid().Status(4);
    ASSERT_TRUE(mark == kFailed || mark == QStringLiteral("×")) << mark.toStdString();
    const QString tip = form->StatusToolTip(4);
    EXPECT_FALSE(form->Grid().Reason(4).isEmpty());
    EXPECT_TRUE(tip.startsWith(form->Grid().Reason(4) + "\nEnded ")) << tip.toStdString();
    EXPECT_TRUE(form->StatusToolTip(1).isEmpty()); // not fetched in this session
    ASSERT_TRUE(testenv::waitUntil([&] { return !offers.isEmpty(); }, 5000));
    EXPECT_TRUE(
        offers.last().contains("\n\n3 ○ · 1 " + mark + " (Connection refused by 127.0.0.1:1: 1)"))
        << offers.last().toStdString();

    // A double click on the log line selects the job it names.
    form->SelectGridRows(1, 1);
    const QString log = form->Memo1->toPlainText();
    ASSERT_TRUE(log.contains("a04.jpg")) << log.toStdString();
    const QPoint line =
        form->Memo1->cursorRect(QTextCursor(form->Memo1->document()->lastBlock())).center();
    QTest::mouseDClick(form->Memo1->viewport(), Qt::LeftButton, {}, line);
    EXPECT_EQ(form->SelectedGridRows(), std::make_pair(4, 4));
}

// "Check for newer versions" asks about the finished jobs only, fetches
// what changed or is gone, leaves the rest, says the counts and saves the
// list with the validators the server gave.
TEST_F(Commands, CheckForNewerVersionsFetchesOnlyWhatChanged) {
    QTemporaryDir www, out;
    ASSERT_TRUE(www.isValid() && out.isValid());
    const QStringList names{"same.bin", "older.bin", "gone.bin", "untried.bin"};
    for (const QString& name : names)
        ASSERT_TRUE(testenv::writeFile(www.filePath(name), "server's " + name.toUtf8()));
    NginxFixture nginx(www.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    const auto setTime = [](const QString& path, const QDateTime& time) {
        QFile file(path);
        return file.open(QIODevice::ReadWrite) &&
               file.setFileTime(time, QFileDevice::FileModificationTime);
    };
    // Asked by the files' own times: the server's exactly, and an older one.
    ASSERT_TRUE(testenv::writeFile(out.filePath("same.bin"), "kept"));
    ASSERT_TRUE(
        setTime(out.filePath("same.bin"), QFileInfo(www.filePath("same.bin")).lastModified()));
    ASSERT_TRUE(testenv::writeFile(out.filePath("older.bin"), "old"));
    ASSERT_TRUE(setTime(out.filePath("older.bin"), QDateTime(QDate(2001, 1, 1), QTime(0, 0))));
    std::vector<Job> jobs;
    for (const QString& name : names)
        jobs.push_back({name == "untried.bin" ? QString() : QStringLiteral("○"),
                        nginx.baseUrl() + name, out.filePath(name)});
    form->Grid().Append(jobs);

    form->CheckNewer->trigger();
    ASSERT_TRUE(testenv::waitUntil([&] { return !messages.isEmpty(); }, 20'000));
    EXPECT_EQ(messages, QStringList{"3 checked: 2 changed, 1 unchanged, 0 failed"});
    EXPECT_EQ(testenv::readFile(out.filePath("same.bin")), "kept");
    EXPECT_EQ(testenv::readFile(out.filePath("older.bin")), "server's older.bin");
    EXPECT_EQ(testenv::readFile(out.filePath("gone.bin")), "server's gone.bin");
    EXPECT_FALSE(QFile::exists(out.filePath("untried.bin")));
    EXPECT_EQ(form->Grid().Status(4), "");
    const QString log = form->Memo1->toPlainText();
    EXPECT_TRUE(log.contains("older.bin") && log.contains("gone.bin") && !log.contains("same.bin"))
        << log.toStdString();
    const JobList saved = JobListFile::load(JobsPath()).jobs;
    ASSERT_EQ(saved.size(), 4u);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_FALSE(saved.validators(i).etag.isEmpty()) << i;
    EXPECT_TRUE(saved.validators(3).empty());
}

} // namespace
