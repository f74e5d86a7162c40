// The window's settings and job list across a close and a restart, with the
// files in a test's own profile folder.
#include "app/download_run.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"
#include "platform/profile_file.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"
#include "settings/ui/form7.h"
#include "tests/app/window_fixture.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_env.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTest>
#include <QToolButton>

namespace {

QStringList Items(const QComboBox* combo) {
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

const std::vector<Job> kJobs = {
    {QStringLiteral("○"), "http://127.0.0.1/s/a01.jpg", QStringLiteral("/tmp/画像/a01.jpg")},
    {QStringLiteral("×"), "http://127.0.0.1/s/a02.jpg", QStringLiteral("/tmp/画像/a02.jpg")},
    {QString(), "http://127.0.0.1/s/a03.jpg", QStringLiteral("/tmp/画像/a03.jpg")},
};

using Profile = WindowTest;

TEST_F(Profile, FirstRunCreatesTheSettingsFileAndStartsFromItsDefaults) {
    auto form = Open();
    EXPECT_EQ(testenv::readFile(IniPath()), "[URL]\r\nURL1=http://localhost/\r\n[FileName]\r\n");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
    EXPECT_EQ(Items(form->ComboBox1), QStringList{"http://localhost/"});
    EXPECT_EQ(form->ComboBox1->currentText(), "http://localhost/");
    EXPECT_EQ(form->Edit1->text(), "Hampic");
    EXPECT_EQ(form->SpinEdit1->value(), 2);
    EXPECT_EQ(form->Edit2->text(), "01");
    EXPECT_EQ(form->Edit5->text(), "12");
    EXPECT_EQ(form->Edit3->text(), ".jpg");
    EXPECT_EQ(form->Edit4->text(), defaultSavePath());
    EXPECT_TRUE(form->Edit4->text().endsWith('/'));
    EXPECT_TRUE(form->CheckBox1->isChecked());
    EXPECT_TRUE(form->CheckBox2->isChecked());
    EXPECT_TRUE(form->SpinEdit2->isEnabled());
    EXPECT_EQ(form->NMHTTP1().Proxy, QString());
    EXPECT_EQ(form->NMHTTP1().ProxyPort, 0);
    EXPECT_TRUE(form->NMHTTP1().InputFileMode);
    EXPECT_EQ(form->Run().TickInterval(), 200);
    EXPECT_EQ(form->Label10->text(), "Hampic01.jpg  -  Hampic12.jpg");
    EXPECT_EQ(form->PanelText(3), "全：0");
}

TEST_F(Profile, CloseThenReopenKeepsInputsHistoryProxyAndJobs) {
    QStringList sixty;
    for (int i = 1; i <= 60; ++i)
        sixty << QStringLiteral("http://127.0.0.1/%1/").arg(i);
    {
        auto form = Open();
        form->ComboBox1->clear();
        form->ComboBox1->addItems(sixty);
        form->Edit1->setText(QStringLiteral("写真"));
        form->SpinEdit1->setValue(3);
        form->SpinEdit2->setValue(7);
        form->Edit2->setText("005");
        form->Edit5->setText("020");
        form->Edit3->setText(".png");
        form->Edit4->setText("/tmp/out/");
        form->CheckBox1->setChecked(false);
        form->CheckBox2->setChecked(false);
        form->NMHTTP1().Proxy = "127.0.0.1";
        form->NMHTTP1().ProxyPort = 3128;
        form->Grid().Append(kJobs);
        form->close();
    }
    const ProfileFile written(IniPath());
    EXPECT_EQ(written.read("URL", "URL50", ""), sixty[49]);
    EXPECT_EQ(written.read("URL", "URL51", "none"), "none");
    EXPECT_EQ(written.read("Server", "Host", ""), "127.0.0.1");
    EXPECT_EQ(written.read("Server", "Port", ""), "3128");

    // Without Proxy=Yes in the file the proxy is stored but not applied.
    {
        auto form = Open();
        EXPECT_EQ(Items(form->ComboBox1), sixty.mid(0, 50));
        EXPECT_EQ(form->ComboBox1->currentText(), sixty.first());
        EXPECT_EQ(form->Edit1->text(), QStringLiteral("写真"));
        EXPECT_EQ(form->SpinEdit1->value(), 3);
        EXPECT_EQ(form->SpinEdit2->value(), 7);
        EXPECT_EQ(form->Edit2->text(), "005");
        EXPECT_EQ(form->Edit5->text(), "020");
        EXPECT_EQ(form->Edit3->text(), ".png");
        EXPECT_EQ(form->Edit4->text(), "/tmp/out/");
        EXPECT_FALSE(form->CheckBox1->isChecked());
        EXPECT_FALSE(form->CheckBox2->isChecked());
        EXPECT_FALSE(form->SpinEdit2->isEnabled());
        EXPECT_EQ(form->Label10->text(), QStringLiteral("写真005.png  -  写真020.png"));
        EXPECT_EQ(form->NMHTTP1().Proxy, QString());
        EXPECT_EQ(form->NMHTTP1().ProxyPort, 0);
        EXPECT_EQ(form->Grid().Jobs(), kJobs);
        EXPECT_EQ(form->PanelText(3), "全：3");
        // Every close stores the client's proxy, applied or not: set it
        // again for the start that applies it.
        form->NMHTTP1().Proxy = "127.0.0.1";
        form->NMHTTP1().ProxyPort = 3128;
        form->close();
    }

    ProfileFile edited(IniPath());
    edited.write("Server", "Proxy", "Yes");
    edited.write("Server", "Interval", "0");
    ASSERT_EQ(edited.save(), QString());
    auto form = Open();
    EXPECT_EQ(form->Run().TickInterval(), 0);
    EXPECT_EQ(form->NMHTTP1().Proxy, "127.0.0.1");
    EXPECT_EQ(form->NMHTTP1().ProxyPort, 3128);
    EXPECT_EQ(form->Grid().Jobs(), kJobs);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Profile, ABadNumberIsReportedOnceAndEveryJobIsKept) {
    ASSERT_TRUE(testenv::writeFile(IniPath(), "[FileName]\r\nHead=x\r\nNum=abc\r\n"));
    ASSERT_EQ(JobListFile::save(JobsPath(), kJobs), QString());
    {
        auto form = Open();
        ASSERT_EQ(messages.size(), 1);
        EXPECT_TRUE(messages[0].contains("Num") && messages[0].contains("abc"))
            << messages[0].toStdString();
        EXPECT_EQ(form->SpinEdit1->value(), 2);
        EXPECT_EQ(form->Edit1->text(), "x");
        EXPECT_EQ(form->Grid().Jobs(), kJobs);
        form->close();
    }
    EXPECT_EQ(JobListFile::load(JobsPath()).jobs, kJobs);
    // The close stored the default in its place: the next start says nothing.
    EXPECT_TRUE(SettingsFile::load(IniPath()).warnings.isEmpty());
}

TEST_F(Profile, AnUnusableProfileFolderIsReportedAndNothingIsWritten) {
    // Root may write anywhere, but not below a regular file.
    const QString blocker = home.filePath("file");
    ASSERT_TRUE(testenv::writeFile(blocker, "keep"));
    UseHome(blocker + "/profile");
    auto form = Open();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(blocker + "/profile")) << messages[0].toStdString();
    EXPECT_EQ(form->Edit1->text(), "Hampic");
    EXPECT_EQ(form->ComboBox1->currentText(), "http://localhost/");

    form->Grid().Append(kJobs);
    form->close();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[1].contains("serifech.ini") && messages[1].contains("SeriData.txt"))
        << messages[1].toStdString();
    EXPECT_EQ(testenv::readFile(blocker), "keep");
}

// A full disk: the old files stay whole, and the user hears of it.
TEST_F(Profile, FailedSavesLeaveTheOldFilesAndAreReported) {
    {
        auto form = Open();
        form->Grid().Append(kJobs);
        form->close();
    }
    const QByteArray ini = testenv::readFile(IniPath());
    const QByteArray jobs = testenv::readFile(JobsPath());
    ASSERT_FALSE(ini.isEmpty());
    ASSERT_FALSE(jobs.isEmpty());

    auto form = Open();
    form->Edit1->setText("changed");
    form->Grid().Clear();
    {
        FileSizeLimit full(0);
        QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
        form->close();
    }

    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("SeriData.txt")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains("serifech.ini") && messages[1].contains("SeriData.txt"))
        << messages[1].toStdString();
    EXPECT_EQ(testenv::readFile(IniPath()), ini);
    EXPECT_EQ(testenv::readFile(JobsPath()), jobs);
}

TEST_F(Profile, HistoryEditorFromTheWindow) {
    auto form = Open();
    // "Cancel": the text added on opening stays, on top as the newest, and
    // so does the edit text.
    form->ComboBox1->setEditText("http://127.0.0.1/New/");
    WhenOpen<TForm7>(form.get(), [](TForm7& editor) {
        EXPECT_EQ(editor.findChild<QListWidget*>("ListBox1")->count(), 2);
        editor.findChild<QPushButton*>("Button5")->click();
    });
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(Items(form->ComboBox1), (QStringList{"http://127.0.0.1/New/", "http://localhost/"}));
    EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/New/");
    EXPECT_EQ(form->findChild<TForm7*>(), nullptr);

    // Every entry deleted, then "OK": the history is stored as empty keys.
    WhenOpen<TForm7>(form.get(), [](TForm7& editor) {
        auto* list = editor.findChild<QListWidget*>("ListBox1");
        while (list->count() > 0) {
            list->setCurrentRow(0);
            editor.findChild<QPushButton*>("Button2")->click();
        }
        editor.findChild<QPushButton*>("Button1")->click();
    });
    QTest::mouseClick(form->Button2, Qt::LeftButton);
    EXPECT_EQ(form->ComboBox1->count(), 0);
    EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/New/");
    form->close();

    const QByteArray ini = testenv::readFile(IniPath());
    for (int n = 1; n <= 50; ++n)
        EXPECT_TRUE(ini.contains(QStringLiteral("\r\nURL%1=\r\n").arg(n).toUtf8())) << n;
    form = Open();
    EXPECT_EQ(form->ComboBox1->count(), 0);
}

} // namespace

// The URL last listed up is the first item and the box's text at the next
// start; sixty URLs listed up leave the newest fifty.
TEST_F(Profile, TheUrlLastListedUpIsShownFirstAfterARestart) {
    // One job each, none at a path taken before.
    int number = 0;
    const auto listUp = [&](TForm1& form, const QString& url) {
        form.ComboBox1->setEditText(url);
        form.Edit2->setText(QString::number(++number));
        form.Edit5->setText(QString::number(number));
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    };
    {
        auto form = Open();
        form->Edit4->setText(home.filePath("out/"));
        for (const QString url : {"http://127.0.0.1/a/", "http://127.0.0.1/b/",
                                  "http://127.0.0.1/a/", "http://127.0.0.1/c/"}) {
            listUp(*form, url);
            EXPECT_EQ(form->ComboBox1->currentText(), url);
        }
        form->close();
    }
    QStringList listed{"http://127.0.0.1/c/", "http://127.0.0.1/a/", "http://127.0.0.1/b/",
                       "http://localhost/"};
    {
        auto form = Open();
        EXPECT_EQ(Items(form->ComboBox1), listed);
        EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/c/");
        for (int i = 1; i <= 60; ++i) {
            listed.prepend(QStringLiteral("http://127.0.0.1/%1/").arg(i));
            listUp(*form, listed.first());
        }
        EXPECT_EQ(Items(form->ComboBox1), listed.first(50));
        form->close();
    }
    EXPECT_EQ(ProfileFile(IniPath()).read("URL", "URL51", "none"), "none");
    auto form = Open();
    EXPECT_EQ(Items(form->ComboBox1), listed.first(50));
    EXPECT_EQ(form->ComboBox1->currentText(), "http://127.0.0.1/60/");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// While the settings fill the inputs the preview follows them: it never
// shows a name from before the start, and a bad number is told once.
TEST_F(Profile, ThePreviewFollowsTheSettingsAsTheyFillTheInputs) {
    const struct {
        const char* fileName; // the [FileName] keys
        const char* preview;
        const char* told;
    } rows[] = {
        {"Head=Hampic\r\nStart=abc\r\n", "Hampic01.jpg  -  Hampic12.jpg", "開始番号"},
        {"Head=x\r\nStart=-\r\n", "x01.jpg  -  x12.jpg", "開始番号"},
        {"Head=y\r\nStart=5\r\nEnd=z\r\n", "y05.jpg  -  y12.jpg", "終了番号"},
        {"Head=Hampic\r\nStart=3\r\nEnd=4\r\n", "Hampic03.jpg  -  Hampic04.jpg", nullptr},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fileName);
        messages.clear();
        ASSERT_TRUE(testenv::writeFile(IniPath(), QByteArray("[FileName]\r\n") + row.fileName));
        auto form = Open();
        EXPECT_EQ(form->Label10->text(), row.preview);
        EXPECT_FALSE(form->Label10->text().contains("hampic"));
        ASSERT_EQ(messages.size(), row.told ? 1 : 0) << messages.join('\n').toStdString();
        if (row.told) {
            EXPECT_TRUE(messages[0].contains(row.told)) << messages[0].toStdString();
        }
    }
}

// A profile whose files are spelt in other letters is used as it is: no new
// empty files beside it.
TEST_F(Profile, TheFilesAreFoundInAnyLetterCase) {
    ASSERT_TRUE(testenv::writeFile(home.filePath("SERIFECH.INI"), "[FileName]\r\nHead=Upper\r\n"));
    ASSERT_EQ(JobListFile::save(home.filePath("seridata.txt"), kJobs), QString());
    {
        auto form = Open();
        EXPECT_EQ(form->Edit1->text(), "Upper");
        EXPECT_EQ(form->Grid().Jobs(), kJobs);
        form->Edit1->setText("Changed");
        form->Grid().DeleteRows(3, 3);
        form->close();
    }
    EXPECT_FALSE(QFileInfo::exists(IniPath()));
    EXPECT_FALSE(QFileInfo::exists(JobsPath()));
    EXPECT_EQ(ProfileFile(home.filePath("SERIFECH.INI")).read("FileName", "Head", ""), "Changed");
    EXPECT_EQ(JobListFile::load(home.filePath("seridata.txt")).jobs,
              std::vector<Job>(kJobs.begin(), kJobs.begin() + 2));
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

// Retry and Undo change the list in the window only; Save, the close and a
// run write it.
TEST_F(Profile, RetryAndUndoWithoutARunLeaveTheJobListFileAsItWas) {
    ASSERT_EQ(JobListFile::save(JobsPath(), kJobs), QString());
    auto form = Open();
    const QByteArray before = testenv::readFile(JobsPath());
    const auto unchanged = [&] {
        QCoreApplication::processEvents();
        return testenv::readFile(JobsPath()) == before &&
               QDir(home.path()).entryList({"SeriData.txt?*"}, QDir::Files).isEmpty();
    };
    form->RetryFailed->trigger();
    EXPECT_EQ(form->Grid().Status(2), "");
    EXPECT_TRUE(unchanged());
    form->SelectGridRows(1, 1);
    form->RetryJobs->trigger();
    EXPECT_EQ(form->Grid().Status(1), "");
    EXPECT_TRUE(unchanged());
    form->SelectGridRows(1, 2);
    QTest::mouseClick(form->SpeedButton3, Qt::LeftButton);
    form->UndoEdit->trigger();
    EXPECT_EQ(form->Grid().JobCount(), 3);
    EXPECT_TRUE(unchanged());

    QTest::mouseClick(form->SpeedButton2, Qt::LeftButton);
    for (const Job& job : JobListFile::load(JobsPath()).jobs)
        EXPECT_EQ(job.status, "") << job.url.toStdString();
}

// A folder typed without its "/" is still a folder: the jobs go inside it and
// the settings keep it with its "/".
TEST_F(Profile, ASaveFolderTypedWithoutItsSlashGetsOne) {
    const QString folder = home.filePath("vol01");
    {
        auto form = Open();
        form->ComboBox1->setEditText("http://127.0.0.1/vol01");
        form->Edit1->setText("pic");
        form->SpinEdit1->setValue(3);
        form->Edit4->setText(folder);
        QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
        EXPECT_EQ(form->Grid().Path(1), folder + "/pic001.jpg");
        EXPECT_EQ(form->Grid().Url(1), "http://127.0.0.1/vol01pic001.jpg");
        form->close();
    }
    EXPECT_EQ(ProfileFile(IniPath()).read("FileName", "Path", ""), folder + "/");
    auto form = Open();
    EXPECT_EQ(form->Edit4->text(), folder + "/");
}

// The user's download folder, the first run's save folder, is made when List
// Up first uses it.
TEST_F(Profile, TheDefaultSaveFolderIsCreatedWhenFirstUsed) {
    const QByteArray config = qgetenv("XDG_CONFIG_HOME");
    const auto restore = qScopeGuard([&] { qputenv("XDG_CONFIG_HOME", config); });
    const QString downloads = home.filePath("user/Downloads");
    ASSERT_TRUE(QDir(home.path()).mkpath("config"));
    ASSERT_TRUE(testenv::writeFile(home.filePath("config/user-dirs.dirs"),
                                   "XDG_DOWNLOAD_DIR=\"" + downloads.toUtf8() + "\"\n"));
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    ASSERT_EQ(defaultSavePath(), downloads + "/");

    auto form = Open();
    EXPECT_EQ(form->Edit4->text(), downloads + "/");
    EXPECT_FALSE(QFileInfo::exists(downloads));
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    EXPECT_TRUE(QFileInfo(downloads).isDir());
    EXPECT_EQ(form->Grid().Path(1), downloads + "/Hampic01.jpg");
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}

TEST_F(Profile, GeometrySplitterAndColumnWidthsSurviveARestart) {
    const QRect geometry(30, 40, 700, 500);
    QList<int> splitter;
    {
        auto form = Open();
        form->setGeometry(geometry);
        ASSERT_TRUE(testenv::waitUntil([&] { return form->geometry() == geometry; }, 5000));
        const int both = form->Splitter1->sizes().value(0) + form->Splitter1->sizes().value(1);
        const QList<int> built = form->Splitter1->sizes();
        // The splitter keeps each pane at its minimum: what it took is what
        // the user left.
        form->Splitter1->setSizes({both - 150, 150});
        splitter = form->Splitter1->sizes();
        ASSERT_NE(splitter, built);
        form->StringGrid1->setColumnWidth(0, 50);
        form->StringGrid1->setColumnWidth(2, 300);
        form->close();
    }
    const ProfileFile written(IniPath());
    EXPECT_EQ(written.read("Window", "Width", ""), "700");
    EXPECT_EQ(written.read("Window", "Maximized", ""), "No");

    auto form = Open();
    ASSERT_TRUE(testenv::waitUntil([&] { return form->geometry() == geometry; }, 5000))
        << form->geometry().x() << "," << form->geometry().y() << " " << form->geometry().width()
        << "x" << form->geometry().height();
    EXPECT_EQ(form->Splitter1->sizes(), splitter);
    EXPECT_EQ(form->StringGrid1->columnWidth(0), 50);
    EXPECT_EQ(form->StringGrid1->columnWidth(2), 300);
    EXPECT_TRUE(messages.isEmpty()) << messages.join('\n').toStdString();
}
