// The run through the real window offscreen: List Up, "Go!", "Stop!" and
// closing, against real nginx and a peer that stalls.
#include "app/download_run.h"
#include "app/ui/tform1.h"
#include "http/nmhttp.h"
#include "settings/ui/form6.h"
#include "tests/app/run_marks.h"
#include "tests/app/window_fixture.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_env.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

using testsupport::PeerScript;
using testsupport::ScriptedPeer;

const QString kAllDone = QStringLiteral("登録されていたすべてのダウンロード完了");

QString fileName(int n) {
    return QStringLiteral("hampic%1.jpg").arg(n, 2, 10, QChar('0'));
}

class RunWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(served.isValid() && out.isValid());
        form.SetMessageSink([this](TForm1::MessageKind, const QString& text) { messages << text; });
        form.SetQuestionAsker([this](const QString& question) {
            messages << question;
            return retryWhenAsked;
        });
        form.show();
    }

    void ListUp(const QString& baseUrl) {
        form.ComboBox1->setEditText(baseUrl);
        form.Edit4->setText(out.path() + "/");
        QTest::mouseClick(form.SpeedButton1, Qt::LeftButton);
    }

    QStringList Marks() { return MarksOf(form.Grid()); }

    QTemporaryDir served;
    QTemporaryDir out;
    TForm1 form;
    QStringList messages;
    bool retryWhenAsked = false;
};

TEST_F(RunWindow, GoFetchesTheListedSeriesFromNginx) {
    QByteArray bytes[13];
    for (int n = 1; n <= 12; ++n) {
        if (n == 5 || n == 9)
            continue;
        bytes[n] = n == 7 ? QByteArray() : QByteArray(2000 * n, char('a' + n));
        ASSERT_TRUE(testenv::writeFile(served.filePath(fileName(n)), bytes[n]));
    }
    NginxFixture nginx(served.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();

    EXPECT_EQ(form.Run().TickInterval(), DownloadRun::kTickMs);
    EXPECT_EQ(form.NMHTTP1().TimeOut(), DownloadRun::kClientTimeOutMs);
    EXPECT_TRUE(form.NMHTTP1().InputFileMode);
    form.Run().SetTickInterval(10); // the window's rules, at a pace a test can wait for
    form.CheckBox2->setChecked(true);
    form.SpinEdit2->setValue(0);
    ListUp(nginx.baseUrl());
    ASSERT_EQ(form.NextRow(), 13);

    // A grid a few rows high, so that following the running job scrolls it.
    form.Splitter1->setSizes({1, 1000});
    QStringList followed; // per job: highlighted, in sight, bar shown
    QObject::connect(&form.Run(), &DownloadRun::jobStarted, &form, [&](JobGrid::JobId id) {
        const int row = form.Grid().RowOf(id);
        const QModelIndex cell = form.Grid().index(row - 1, 1);
        const bool inSight =
            form.StringGrid1->viewport()->rect().contains(form.StringGrid1->visualRect(cell));
        followed << QStringLiteral("%1%2%3%4")
                        .arg(row)
                        .arg(cell.data(JobGrid::RunningRole).toBool() ? "h" : "")
                        .arg(inSight ? "s" : "")
                        .arg(form.FileProgress->isVisible() ? "b" : "");
        // The user scrolls back to the top: the grid stays there.
        if (row == 9)
            form.StringGrid1->verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    });
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    // The completion message says what the list holds, the failures by
    // cause, and offers to fetch them again.
    const QString ended =
        kAllDone + QStringLiteral("\n\n9 ○ · 2 ▼ · 1 × (404 Not Found: 2, The saved file is empty "
                                  "(given up after 10 checks): 1)\n\nFetch the failed jobs (▼, "
                                  "×) again now?");
    ASSERT_TRUE(testenv::waitUntil([&] { return messages.contains(ended); }, 30'000))
        << form.PanelText(0).toStdString() << messages.join('|').toStdString();
    EXPECT_EQ(Marks(), (QStringList{kDone, kDone, kDone, kDone, kFailed, kDone, kGivenUp, kDone,
                                    kFailed, kDone, kDone, kDone}));
    EXPECT_EQ(form.PanelText(0), QStringLiteral("完了："));
    EXPECT_EQ(form.PanelText(1), QStringLiteral("Bytes：24000 / 24000 (100%)"));
    for (int n : {1, 2, 3, 4, 6, 8, 10, 11, 12})
        EXPECT_TRUE(testenv::readFile(out.filePath(fileName(n))) == bytes[n]) << n;
    EXPECT_FALSE(QFileInfo::exists(out.filePath(fileName(7))));
    EXPECT_EQ(messages, QStringList{ended});
    EXPECT_EQ(followed, (QStringList{"1hsb", "2hsb", "3hsb", "4hsb", "5hsb", "6hsb", "7hsb", "8hsb",
                                     "9hsb", "10hb", "11hb", "12hb"}));
    EXPECT_TRUE(
        form.OverallPanel->text().startsWith(QStringLiteral("job 12 of 12 · 9 done, 3 failed")))
        << form.OverallPanel->text().toStdString();
    EXPECT_TRUE(form.OverallPanel->text().endsWith(QStringLiteral("list: 9 ○ · 2 ▼ · 1 × (404 Not "
                                                                  "Found: 2, The saved file is "
                                                                  "empty (given up after 10 "
                                                                  "checks): 1)")));
    EXPECT_EQ(form.Grid().RunningJob(), 0u);
    EXPECT_FALSE(form.FileProgress->isVisible());
}

TEST_F(RunWindow, TheEndOfARunWithFailuresOffersToFetchThemAgain) {
    for (int n : {1, 3})
        ASSERT_TRUE(testenv::writeFile(served.filePath(fileName(n)), QByteArray(100, 'x')));
    NginxFixture nginx(served.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    form.Run().SetTickInterval(10);
    form.Edit5->setText("03");
    ListUp(nginx.baseUrl());
    // The missing file turns up while the question is open; the answer is yes.
    QStringList offers;
    form.SetQuestionAsker([&](const QString& question) {
        offers << question;
        return testenv::writeFile(served.filePath(fileName(2)), QByteArray(200, 'y'));
    });
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil(
        [&] {
            return Marks() == QStringList{kDone, kDone, kDone};
        },
        20'000))
        << Marks().join(' ').toStdString();
    ASSERT_EQ(offers.size(), 1);
    EXPECT_TRUE(offers[0].contains("2 ○ · 1 ▼ (404 Not Found: 1)")) << offers[0].toStdString();
    EXPECT_EQ(testenv::readFile(out.filePath(fileName(2))), QByteArray(200, 'y'));
    EXPECT_TRUE(form.Memo1->toPlainText().contains("the lines above are from the previous run"));
    ASSERT_TRUE(testenv::waitUntil([&] { return !form.Run().Running(); }, 5000));
    // Clear leaves the overall line nothing to speak of.
    form.SetQuestionAsker([](const QString&) { return true; });
    QTest::mouseClick(form.SpeedButton4, Qt::LeftButton);
    EXPECT_TRUE(form.OverallPanel->text().isEmpty()) << form.OverallPanel->text().toStdString();
}

TEST_F(RunWindow, AServerThatWantsALoginIsAskedForItOnceAndTheJobsFetchedAgainWithIt) {
    ASSERT_TRUE(QDir(served.path()).mkpath("private"));
    for (int n : {1, 2})
        ASSERT_TRUE(testenv::writeFile(served.filePath("private/" + fileName(n)), "secret"));
    ASSERT_TRUE(testenv::writeFile(served.filePath("htpasswd"), "alice:{PLAIN}pw\n"));
    NginxFixture nginx(served.path(), QString("location /private/ { auth_basic \"p\"; "
                                              "auth_basic_user_file %1; }")
                                          .arg(served.filePath("htpasswd")));
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    form.Run().SetTickInterval(10);
    form.Edit5->setText("02");
    ListUp(nginx.baseUrl() + "private/");
    QStringList asked;
    form.SetLoginAsker([&](const QString& server) {
        asked << server;
        return std::optional<LoginAnswer>(LoginAnswer{"alice", "pw", false});
    });
    retryWhenAsked = true;
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil(
        [&] {
            return Marks() == QStringList{kDone, kDone};
        },
        20'000))
        << Marks().join(' ').toStdString() << messages.join('\n').toStdString();
    EXPECT_EQ(asked, QStringList{nginx.baseUrl().chopped(1)});
    EXPECT_EQ(testenv::readFile(out.filePath(fileName(1))), "secret");
}

TEST_F(RunWindow, GoAsksOnceBeforeSavingIntoAHiddenFolder) {
    ASSERT_TRUE(testenv::writeFile(served.filePath(fileName(1)), QByteArray(100, 'x')));
    NginxFixture nginx(served.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    ASSERT_TRUE(QDir(out.path()).mkdir(".hidden"));
    const QString hidden = out.filePath(".hidden/" + fileName(1));
    form.Grid().Append(JobList({Job{"", nginx.baseUrl() + fileName(1), hidden},
                                Job{"", nginx.baseUrl() + fileName(1), out.filePath("ok.jpg")}}));
    form.Run().SetTickInterval(10);
    for (const bool agree : {false, true}) {
        SCOPED_TRACE(agree);
        QStringList questions;
        form.SetQuestionAsker([&](const QString& question) {
            questions << question;
            return agree;
        });
        QTest::mouseClick(form.GoButton, Qt::LeftButton);
        ASSERT_TRUE(testenv::waitUntil([&] { return !form.Run().Running(); }, 20'000));
        // Declined, the job fails, and the end of the run offers it again.
        const int asked = agree ? 1 : 2;
        ASSERT_TRUE(testenv::waitUntil([&] { return questions.size() == asked; }, 5000))
            << questions.join('|').toStdString();
        EXPECT_TRUE(questions[0].startsWith("1 job(s) would save outside their folder"))
            << questions[0].toStdString();
        EXPECT_TRUE(questions[0].contains(hidden));
        EXPECT_EQ(QFileInfo::exists(hidden), agree);
        EXPECT_EQ(Marks(), (QStringList{agree ? kDone : kFailed, kDone}));
        form.Grid().SetStatus(1, QString());
    }
}

TEST_F(RunWindow, ATransferGoesOnAndEndsWhileAModalDialogIsOpen) {
    // The body's last bytes come one by one over about half a second, after
    // the dialog has opened on the first block.
    ScriptedPeer slow(PeerScript()
                          .waitFor("\r\n\r\n")
                          .send("HTTP/1.0 200 OK\r\nContent-Length: 1025\r\n\r\n")
                          .sendPattern(1000)
                          .drip(QByteArray(25, 'z'), 20)
                          .close());
    form.Run().SetTickInterval(10);
    form.CheckBox2->setChecked(false);
    ListUp(QStringLiteral("http://127.0.0.1:%1/").arg(slow.port()));

    bool opened = false;
    QString markWhileOpen;
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection =
        QObject::connect(&form.Run(), &DownloadRun::progress,
                         [&, connection](JobGrid::JobId, qint64 received, qint64) {
                             if (received < 1000 || opened)
                                 return;
                             opened = true;
                             QObject::disconnect(*connection);
                             // Looks every few milliseconds from inside the dialog's own loop.
                             auto* poll = new QTimer(&form);
                             QElapsedTimer clock;
                             clock.start();
                             QObject::connect(poll, &QTimer::timeout, &form, [&, poll, clock] {
                                 TForm6* dialog = form.findChild<TForm6*>();
                                 if (!dialog || !dialog->isVisible())
                                     return;
                                 markWhileOpen = form.Grid().Status(1);
                                 if (markWhileOpen == kDone || clock.elapsed() > 10'000) {
                                     poll->stop();
                                     poll->deleteLater();
                                     dialog->reject();
                                 }
                             });
                             poll->start(5);
                             QTimer::singleShot(0, &form, [this] { form.Option1Click(); });
                         });
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil(
        [&] { return opened && !markWhileOpen.isEmpty() && !form.findChild<TForm6*>(); }, 20'000));
    EXPECT_EQ(markWhileOpen, kDone);
    form.Run().Abort();
    ASSERT_TRUE(testenv::waitUntil([&] { return !form.Run().Running(); }, 10'000));
    EXPECT_EQ(testenv::readFile(out.filePath(fileName(1))).size(), 1025);
}

TEST_F(RunWindow, StopTwiceAbortsAStalledRequestAndClosingDuringARequestWaitsForIt) {
    ScriptedPeer stalled(PeerScript()
                             .waitFor("\r\n\r\n")
                             .send("HTTP/1.0 200 OK\r\nContent-Length: 9000\r\n\r\n")
                             .sendPattern(1000)
                             .silent());
    form.Run().SetTickInterval(10);
    form.CheckBox2->setChecked(false);
    ListUp(QStringLiteral("http://127.0.0.1:%1/").arg(stalled.port()));

    // What the user does during the request happens once its first block
    // has arrived, with the request still under way.
    const auto duringBody = [this](std::function<void()> action) {
        auto connection = std::make_shared<QMetaObject::Connection>();
        *connection =
            QObject::connect(&form.Run(), &DownloadRun::progress,
                             [connection, action](JobGrid::JobId, qint64 received, qint64) {
                                 if (received >= 1000) {
                                     QObject::disconnect(*connection);
                                     QTimer::singleShot(0, action);
                                 }
                             });
    };

    // Stop once: the run waits for the request; twice: the request ends.
    bool acted = false;
    duringBody([&] {
        QTest::mouseClick(form.CancelBtn, Qt::LeftButton);
        EXPECT_EQ(form.PanelText(0), QStringLiteral("中断処理中：hampic01.jpg"));
        EXPECT_TRUE(form.Run().Requesting());
        QTest::mouseClick(form.CancelBtn, Qt::LeftButton);
        acted = true;
    });
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return acted && !form.Run().Running(); }, 10'000));
    EXPECT_EQ(form.PanelText(0), QStringLiteral("中断しました"));
    EXPECT_EQ(form.Grid().Status(1), kRequested);
    EXPECT_FALSE(QFileInfo::exists(out.filePath(fileName(1))));
    EXPECT_EQ(form.Grid().Status(2), QString());

    // Closing in mid-request: the window stays until the request is off the
    // stack, then closes once; the job keeps "↓" for the next run.
    QSignalSpy closing(&form, &TForm1::closing);
    acted = false;
    duringBody([&] {
        form.close();
        EXPECT_TRUE(form.Run().Requesting());
        EXPECT_EQ(closing.count(), 0);
        acted = true;
    });
    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return acted && !form.isVisible(); }, 10'000));
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(form.Run().Running());
    EXPECT_EQ(form.Grid().Status(1), kRequested);
    EXPECT_FALSE(QFileInfo::exists(out.filePath(fileName(1))));
}

// The Parallel setting of the profile: Go! keeps that many jobs in flight,
// and the marks and files are those of a run one at a time.
class RunWindowAtOnce : public WindowTest {};

TEST_F(RunWindowAtOnce, ParallelFromTheSettingsFetchesSeveralFilesAtOnce) {
    QTemporaryDir served;
    QTemporaryDir out;
    QByteArray bytes[13];
    for (int n = 1; n <= 12; ++n) {
        if (n == 5)
            continue;
        bytes[n] = n == 7 ? QByteArray() : QByteArray(3000 * n, char('a' + n));
        ASSERT_TRUE(testenv::writeFile(served.filePath(fileName(n)), bytes[n]));
    }
    NginxFixture nginx(served.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    ASSERT_TRUE(testenv::writeFile(IniPath(), "[Server]\r\nParallel=3\r\n"));
    auto form = Open();
    form->Run().SetTickInterval(0);
    form->CheckBox1->setChecked(false);
    form->ComboBox1->setEditText(nginx.baseUrl());
    form->Edit1->setText("hampic");
    form->Edit4->setText(out.path() + "/");
    QTest::mouseClick(form->SpeedButton1, Qt::LeftButton);
    int inFlight = 0;
    int most = 0;
    QObject::connect(&form->Run(), &DownloadRun::jobStarted, form.get(),
                     [&] { most = std::max(most, ++inFlight); });
    QObject::connect(&form->Run(), &DownloadRun::requestEnded, form.get(), [&] { --inFlight; });
    QTest::mouseClick(form->GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return !form->Run().Running(); }, 30'000))
        << form->PanelText(0).toStdString();
    EXPECT_EQ(form->Run().Parallel(), 3);
    EXPECT_EQ(most, 3);
    EXPECT_EQ(MarksOf(form->Grid()), (QStringList{kDone, kDone, kDone, kDone, kFailed, kDone,
                                                  kGivenUp, kDone, kDone, kDone, kDone, kDone}));
    for (int n : {1, 2, 3, 4, 6, 8, 9, 10, 11, 12})
        EXPECT_TRUE(testenv::readFile(out.filePath(fileName(n))) == bytes[n]) << n;
}

} // namespace

// An open end in the window: List Up lists the first number and keeps the
// series; Go! lists the others as the files are found, stops Misses numbers
// after the last one, takes those off the list and closes the series. A gap
// in the middle stays a failure.
TEST_F(RunWindow, AnOpenEndFetchesToTheLastFileAndListsNothingPastIt) {
    for (int n = 1; n <= 9; ++n) {
        if (n == 4)
            continue;
        ASSERT_TRUE(testenv::writeFile(served.filePath(fileName(n)), QByteArray(100, 'x')));
    }
    NginxFixture nginx(served.path());
    QString error;
    ASSERT_TRUE(nginx.start(&error)) << error.toStdString();
    form.Run().SetTickInterval(10);
    form.CheckBox2->setChecked(false);
    form.OpenEndBox->setChecked(true);
    ListUp(nginx.baseUrl());
    ASSERT_EQ(form.NextRow(), 2);
    ASSERT_EQ(form.Grid().OpenSeriesList().size(), 1U);
    EXPECT_EQ(form.Edit5->text(), "12") << "End keeps the number written";

    QTest::mouseClick(form.GoButton, Qt::LeftButton);
    ASSERT_TRUE(testenv::waitUntil([&] { return !form.Run().Running(); }, 30'000));
    EXPECT_EQ(Marks(),
              (QStringList{kDone, kDone, kDone, kFailed, kDone, kDone, kDone, kDone, kDone}));
    EXPECT_TRUE(form.Grid().OpenSeriesList().empty());
    for (int n = 10; n <= 12; ++n)
        EXPECT_FALSE(QFileInfo::exists(out.filePath(fileName(n)))) << n;
    EXPECT_FALSE(messages.join('|').contains("10")) << messages.join('|').toStdString();
}
