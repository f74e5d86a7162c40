// The run with the real client against servers: nginx directly and through
// tinyproxy, and scripted peers that refuse, stall or reset.
#include "app/download_run.h"
#include "app/http_download_client.h"
#include "app/list_edits.h"
#include "app/run_panels.h"
#include "app/run_session.h"
#include "app/series.h"
#include "http/nmhttp.h"
#include "http/part_file.h"
#include "tests/app/run_marks.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/scripted_peer.h"
#include "tests/support/test_certificates.h"
#include "tests/support/test_env.h"
#include "tests/support/tinyproxy_fixture.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

using testsupport::PeerScript;
using testsupport::ScriptedPeer;

QString fileName(int n) {
    return QStringLiteral("hampic%1.jpg").arg(n, 2, 10, QChar('0'));
}

/// A run as a front end sets it up: one client for the whole run, bodies
/// into files, a time-out, every signal recorded.
struct RunHarness {
    explicit RunHarness(int timeOutMs) {
        http.InputFileMode = true;
        http.SetTimeOut(timeOutMs);
        run.SetTickInterval(0);
        QObject::connect(&run, &DownloadRun::messageRequested,
                         [this](const QString& text) { messages << text; });
        QObject::connect(&panelTexts, &RunPanels::panelTextChanged,
                         [this](int panel, const QString& text) {
                             panels[panel] = text;
                             if (panel == 0)
                                 panel0History << text;
                         });
        QObject::connect(&run, &DownloadRun::runFinished,
                         [this](DownloadRun::End) { finished = true; });
        QObject::connect(&run, &DownloadRun::requestEnded,
                         [this](JobGrid::JobId id, const DownloadOutcome& outcome) {
                             outcomes.insert(id, outcome);
                         });
    }

    /// Clients for `count` jobs at once, each set up as the first one is.
    void prepare(int count) { session.Prepare(ClientConfig::Of(http, false), count); }

    bool goAndWait(int timeoutMs) {
        run.GoButtonClick();
        return testenv::waitUntil([this] { return finished; }, timeoutMs);
    }

    QStringList marks() const { return MarksOf(grid); }

    JobGrid grid;
    RunSession session{grid};
    TNMHTTP& http = session.Http();
    DownloadRun& run = session.Run();
    QHash<JobGrid::JobId, DownloadOutcome> outcomes; ///< how each job's last request ended
    RunPanels panelTexts{run, grid};
    QStringList messages;
    QStringList panel0History;
    QString panels[2];
    bool finished = false;
};

class DownloadRunEndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = std::make_unique<QTemporaryDir>();
        // 13 to 40 are for the runs with several jobs at once.
        for (int n = 1; n <= 40; ++n) {
            if (n == 5 || n == 9 || n == 21 || n == 33)
                continue; // missing: 404
            const qint64 size = n == 7 ? 0 : n == 3 ? 300 * 1024 + 17 : 1000 * n + 3;
            ASSERT_TRUE(testenv::writeFile(served->filePath(fileName(n)),
                                           testenv::randomBytes(size, quint32(n))));
        }
        nginx = std::make_unique<NginxFixture>(served->path());
        QString error;
        ASSERT_TRUE(nginx->start(&error)) << error.toStdString();
        tinyproxy = std::make_unique<TinyproxyFixture>();
        ASSERT_TRUE(tinyproxy->start(&error)) << error.toStdString();
    }
    static void TearDownTestSuite() {
        tinyproxy.reset();
        nginx.reset();
        served.reset();
    }
    void SetUp() override {
        if (!nginx || !tinyproxy)
            GTEST_FAIL() << "servers did not start";
        ASSERT_TRUE(out.isValid());
    }

    /// hampic01.jpg to hampic40.jpg from nginx into `saveDir`.
    static SeriesSpec fortyFiles(const QString& saveDir) {
        SeriesSpec spec;
        spec.baseUrl = nginx->baseUrl();
        spec.saveDir = saveDir;
        spec.head = QStringLiteral("hampic");
        spec.tail = QStringLiteral(".jpg");
        spec.end = 40;
        return spec;
    }

    static inline std::unique_ptr<QTemporaryDir> served;
    static inline std::unique_ptr<NginxFixture> nginx;
    static inline std::unique_ptr<TinyproxyFixture> tinyproxy;
    QTemporaryDir out;
};

TEST_F(DownloadRunEndToEnd, TwelveFilesDirectAndThroughTinyproxy) {
    for (const bool viaProxy : {false, true}) {
        SCOPED_TRACE(viaProxy ? "tinyproxy" : "direct");
        const QString saveDir = out.filePath(viaProxy ? "proxy" : "direct") + "/";
        ASSERT_TRUE(QDir().mkpath(saveDir));
        RunHarness h(10'000);
        if (viaProxy) {
            h.http.Proxy = QStringLiteral("127.0.0.1");
            h.http.ProxyPort = tinyproxy->port();
        }
        SeriesSpec spec;
        spec.baseUrl = nginx->baseUrl();
        spec.saveDir = saveDir;
        spec.head = QStringLiteral("hampic");
        spec.tail = QStringLiteral(".jpg");
        h.grid.Append(ExpandSeries(spec));
        ASSERT_EQ(h.grid.JobCount(), 12);

        ASSERT_TRUE(h.goAndWait(60'000)) << h.panels[0].toStdString();
        EXPECT_EQ(h.marks(), (QStringList{kDone, kDone, kDone, kDone, kFailed, kDone, kGivenUp,
                                          kDone, kFailed, kDone, kDone, kDone}));
        EXPECT_EQ(h.messages,
                  QStringList{QStringLiteral("登録されていたすべてのダウンロード完了")});
        // What nginx said of each file comes with its outcome, ready for a
        // later conditional request: a strong ETag and the file's date.
        const DownloadOutcome first = h.outcomes.value(h.grid.IdAt(1));
        EXPECT_TRUE(first.Succeeded());
        EXPECT_EQ(first.httpStatus, 200);
        EXPECT_EQ(first.saved, first.received);
        EXPECT_TRUE(first.etag.startsWith('"') && first.etag.endsWith('"'))
            << first.etag.toStdString();
        EXPECT_TRUE(first.lastModified.endsWith(QStringLiteral(" GMT")))
            << first.lastModified.toStdString();
        const DownloadOutcome missing = h.outcomes.value(h.grid.IdAt(5));
        EXPECT_EQ(missing.httpStatus, 404);
        EXPECT_TRUE(missing.answered);
        EXPECT_EQ(missing.saved, -1);
        EXPECT_EQ(h.panels[0], QStringLiteral("完了："));
        const qint64 last = QFileInfo(served->filePath(fileName(12))).size();
        EXPECT_EQ(h.panels[1], QStringLiteral("Bytes：%1 / %1 (100%)").arg(last));
        EXPECT_TRUE(h.panel0History.contains(QStringLiteral("ダウンロード中：hampic03.jpg")));

        for (int n = 1; n <= 12; ++n) {
            SCOPED_TRACE(n);
            const QByteArray got = testenv::readFile(saveDir + fileName(n));
            if (n == 5 || n == 9)
                EXPECT_FALSE(QFileInfo::exists(saveDir + fileName(n))) << "no error page is kept";
            else if (n == 7)
                EXPECT_FALSE(QFileInfo::exists(saveDir + fileName(n))) << "too small: deleted";
            else
                EXPECT_TRUE(got == testenv::readFile(served->filePath(fileName(n))))
                    << "file differs";
        }
    }
}

TEST_F(DownloadRunEndToEnd, RefusedStalledAndResetRequestsFailAndTheRunGoesOn) {
    // A port that was free a moment ago: nothing listens there.
    quint16 refusedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        refusedPort = probe.serverPort();
    }
    const QByteArray head = "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n";
    ScriptedPeer stalled(PeerScript().waitFor("\r\n\r\n").send(head).sendPattern(3000).silent());
    ScriptedPeer reset(PeerScript().waitFor("\r\n\r\n").send(head).sendPattern(5000).reset());

    RunHarness h(500); // a short silence is enough to give up here
    h.run.SetSmallResultCheck(false);
    const auto job = [&](const QString& url, const QString& name) {
        h.grid.Append(Job{QString(), url, out.filePath(name)});
    };
    job(nginx->baseUrl() + fileName(1), "a");
    job(QStringLiteral("http://127.0.0.1:%1/x").arg(refusedPort), "refused");
    job(QStringLiteral("http://127.0.0.1:%1/x").arg(stalled.port()), "stalled");
    job(QStringLiteral("http://127.0.0.1:%1/x").arg(reset.port()), "reset");
    job(nginx->baseUrl() + fileName(2), "b");

    ASSERT_TRUE(h.goAndWait(30'000)) << h.panels[0].toStdString();
    EXPECT_EQ(h.marks(), (QStringList{kDone, kFailed, kFailed, kFailed, kDone}));
    EXPECT_EQ(h.messages.size(), 1);
    EXPECT_TRUE(testenv::readFile(out.filePath("b")) ==
                testenv::readFile(served->filePath(fileName(2))));
    // Each failure put its reason in panel 0 before the run went on.
    const int after = int(h.panel0History.indexOf(QStringLiteral("ダウンロード中：refused")));
    ASSERT_GE(after, 0);
    EXPECT_NE(h.panel0History.value(after + 1), QStringLiteral("ダウンロード中：stalled"));
    EXPECT_FALSE(h.panel0History.value(after + 1).isEmpty());
}

TEST_F(DownloadRunEndToEnd, A429WithRetryAfterIsWaitedForAndTheJobThenFetched) {
    ScriptedPeer peer(std::vector<PeerScript>{
        PeerScript().reply("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\n"
                           "Content-Length: 4\r\n\r\nbusy"),
        PeerScript().reply("HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\ndata"),
    });
    RunHarness h(5000);
    h.run.SetSmallResultCheck(false);
    h.grid.Append(Job{QString(), QStringLiteral("http://127.0.0.1:%1/x").arg(peer.port()),
                      out.filePath("x")});
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(h.goAndWait(10'000)) << h.panels[0].toStdString();
    EXPECT_GE(clock.elapsed(), 900);
    EXPECT_EQ(h.marks(), QStringList{kDone});
    EXPECT_EQ(testenv::readFile(out.filePath("x")), "data");
    EXPECT_TRUE(h.panel0History.contains(QStringLiteral("waiting for host (Retry-After 1 s)")))
        << h.panel0History.join('|').toStdString();
}

// A failure is a failure, against nginx and scripted peers: each row the
// server's behaviour and the run's setting, then the marks, what is at each
// path afterwards (nothing but a whole file), the reasons' key words and the
// requests the server saw.
TEST_F(DownloadRunEndToEnd, AFailureEndsWithItsReasonAndNothingAtThePath) {
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    const QString closed = QStringLiteral("127.0.0.1:%1").arg(closedPort);
    struct Row {
        const char* name;
        std::vector<PeerScript> peer; ///< empty: the jobs go to nginx or the closed port
        QStringList urls;             ///< "peer", "closed" or a file of nginx
        int retries;
        QStringList marks;
        QStringList reasons;     ///< a word each reason must hold
        QList<QByteArray> files; ///< at each job's path afterwards; "" for nothing
        int requests;            ///< that reached the peer, or tries the client made
        QStringList oldMarks = {};
        bool keepAlive = false;
        bool tls = false;          ///< the peer speaks TLS
        QList<int> nameBytes = {}; ///< the length of each job's file name, when set
    };
    TestCertificates certs;
    QString certError;
    ASSERT_TRUE(certs.make(&certError)) << certError.toStdString();
    const auto overTls = [&](PeerScript script) {
        PeerScript secure = PeerScript().tls(certs.certFile(TestCertificates::Good),
                                             certs.keyFile(TestCertificates::Good));
        secure.steps.insert(secure.steps.end(), script.steps.begin(), script.steps.end());
        return secure;
    };
    const QByteArray kept = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nkept";
    const QByteArray data = "real data";
    const auto reply = [](const QByteArray& status, const QByteArray& body) {
        return PeerScript().reply("HTTP/1.1 " + status +
                                  "\r\nContent-Length: " + QByteArray::number(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body);
    };
    const std::vector<Row> rows = {
        {"a missing picture among others: the 404 page is not kept",
         {},
         {fileName(4), fileName(5), fileName(6)},
         2,
         {kDone, kFailed, kDone},
         {"", "404 Not Found", ""},
         {testenv::readFile(served->filePath(fileName(4))), "",
          testenv::readFile(served->filePath(fileName(6)))},
         3},
        {"a 403 with a page is final at once",
         {reply("403 Forbidden", "<html>go away</html>")},
         {"peer"},
         2,
         {kFailed},
         {"403 Forbidden"},
         {""},
         1},
        {"a 500, then the file",
         {reply("500 Internal Server Error", "<html>oops</html>"), reply("200 OK", data)},
         {"peer"},
         2,
         {kDone},
         {""},
         {data},
         2},
        {"a 429 with a page and Retry-After, then the file",
         {PeerScript().reply("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\n"
                             "Content-Length: 9\r\nConnection: close\r\n\r\nslow down"),
          reply("200 OK", data)},
         {"peer"},
         2,
         {kDone},
         {""},
         {data},
         2},
        {"a server that is down: three tries, the other jobs left for the next run",
         {},
         {"closed", "closed", "closed", "closed", "closed"},
         0,
         {kFailed, kFailed, kFailed, "", ""},
         {"Connection refused by " + closed, "refused", "refused",
          "not tried: " + closed + " refused 3 connections", "not tried"},
         {"", "", "", "", ""},
         3},
        {"a failed job retried with skip-existing on asks the server again",
         {},
         {fileName(5), fileName(6)},
         2,
         {kFailed, kSkipped},
         {"404 Not Found", ""},
         {"old", "old"},
         1,
         {kFailed, ""}},
        {"a kept connection that brings its reply twice: the next job goes on a new one",
         {PeerScript().waitFor("\r\n\r\n").send(kept + kept).silent(), reply("200 OK", data)},
         {"peer", "peer"},
         0,
         {kDone, kDone},
         {"", ""},
         {"kept", data},
         2,
         {},
         true},
        {"junk after a body on a kept connection: the next job goes on a new one",
         {PeerScript().waitFor("\r\n\r\n").send(kept + "junk\r\n").silent(), reply("200 OK", data)},
         {"peer", "peer"},
         0,
         {kDone, kDone},
         {"", ""},
         {"kept", data},
         2,
         {},
         true},
        {"a folded Transfer-Encoding line still frames the body by chunks",
         {PeerScript().reply("HTTP/1.1 200 OK\r\nTransfer-Encoding:\r\n chunked\r\n"
                             "Connection: close\r\n\r\n4\r\nreal\r\n5\r\n data\r\n0\r\n\r\n")},
         {"peer"},
         2,
         {kDone},
         {""},
         {data},
         1},
        {"a name of 255 bytes saves, one of 256 fails before any request",
         {reply("200 OK", data)},
         {"peer", "peer"},
         2,
         {kDone, kFailed},
         {"", "256 bytes long"},
         {data, ""},
         1,
         {},
         false,
         false,
         {255, 256}},
        {"over TLS a body ended by a bare close is cut, one ended by the alert whole",
         {overTls(PeerScript().waitFor("\r\n\r\n").send("HTTP/1.1 200 OK\r\n\r\npart").cut()),
          overTls(PeerScript().waitFor("\r\n\r\n").send("HTTP/1.1 200 OK\r\n\r\n" + data).close())},
         {"peer", "peer"},
         0,
         {kFailed, kDone},
         {"Connection closed before the end of the reply", ""},
         {"", data},
         2,
         {},
         false,
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::unique_ptr<ScriptedPeer> peer;
        if (!row.peer.empty())
            peer = std::make_unique<ScriptedPeer>(row.peer);
        QTemporaryDir dir;
        RunHarness h(5000);
        h.http.KeepAlive = row.keepAlive;
        h.http.TLS = row.tls;
        if (row.tls)
            h.http.TlsCaFile = certs.caFile();
        h.run.SetRetries(row.retries);
        h.run.SetSkipExisting(true);
        h.run.SetSmallResultCheck(true);
        int tries = 0;
        h.session.Client().SetBeforeGet([&](const QString&) { ++tries; });
        for (int i = 0; i < row.urls.size(); ++i) {
            const QString& name = row.urls[i];
            const QString url = name == "peer" ? QStringLiteral("%1://127.0.0.1:%2/f%3")
                                                     .arg(row.tls ? "https" : "http")
                                                     .arg(peer->port())
                                                     .arg(i)
                                : name == "closed"
                                    ? QStringLiteral("http://%1/f%2").arg(closed).arg(i)
                                    : nginx->baseUrl() + name;
            const QString path =
                row.nameBytes.isEmpty()
                    ? dir.filePath(QStringLiteral("job%1.jpg").arg(i))
                    : dir.filePath(QString(row.nameBytes[i] - 4, QChar('a' + i)) + ".jpg");
            if (!row.oldMarks.isEmpty()) {
                ASSERT_TRUE(testenv::writeFile(path, "old"));
            }
            h.grid.Append(Job{row.oldMarks.value(i), url, path});
        }
        if (!row.oldMarks.isEmpty())
            ListEdits::ClearFailedMarks(h.grid);
        ASSERT_TRUE(h.goAndWait(20'000)) << h.panels[0].toStdString();
        EXPECT_EQ(h.marks(), row.marks);
        for (int r = 1; r < h.grid.NextRow(); ++r) {
            const QString& reason = row.reasons[r - 1];
            EXPECT_TRUE(reason.isEmpty() ? h.grid.Reason(r).isEmpty()
                                         : h.grid.Reason(r).contains(reason))
                << r << ": " << h.grid.Reason(r).toStdString();
            const QString path = h.grid.Path(r);
            EXPECT_EQ(QFileInfo::exists(path) ? testenv::readFile(path) : QByteArray(),
                      row.files[r - 1])
                << r;
            EXPECT_FALSE(QFileInfo::exists(PartFile::PartName(path))) << r;
        }
        EXPECT_EQ(peer ? peer->connections() : tries, row.requests);
    }
}

TEST_F(DownloadRunEndToEnd, FourAtOnceGiveFortyFilesTheMarksOfOneAtATime) {
    std::map<int, QStringList> marks;
    std::map<int, QStringList> reasons;
    std::map<int, int> maxInFlight;
    for (const int clients : {1, 4}) {
        SCOPED_TRACE(clients);
        const QString saveDir = out.filePath(QStringLiteral("at-once-%1").arg(clients)) + "/";
        ASSERT_TRUE(QDir().mkpath(saveDir));
        RunHarness h(10'000);
        h.prepare(clients);
        ASSERT_EQ(h.run.Parallel(), clients);
        h.grid.Append(ExpandSeries(fortyFiles(saveDir)));
        int inFlight = 0;
        QObject::connect(&h.run, &DownloadRun::jobStarted, [&] {
            maxInFlight[clients] = std::max(maxInFlight[clients], ++inFlight);
        });
        QObject::connect(&h.run, &DownloadRun::requestEnded, [&] { --inFlight; });

        ASSERT_TRUE(h.goAndWait(60'000)) << h.panels[0].toStdString();
        marks[clients] = h.marks();
        for (int row = 1; row < h.grid.NextRow(); ++row)
            reasons[clients] << h.grid.Reason(row);
        EXPECT_EQ(h.messages,
                  QStringList{QStringLiteral("登録されていたすべてのダウンロード完了")});
        for (int n = 1; n <= 40; ++n) {
            SCOPED_TRACE(n);
            const QString wanted = served->filePath(fileName(n));
            if (n != 7 && QFileInfo::exists(wanted)) {
                EXPECT_TRUE(testenv::readFile(saveDir + fileName(n)) == testenv::readFile(wanted))
                    << "file differs";
            }
        }
    }
    EXPECT_EQ(marks[1].count(kFailed), 4);
    EXPECT_EQ(marks[1].count(kGivenUp), 1);
    EXPECT_EQ(marks[4], marks[1]);
    EXPECT_EQ(reasons[4], reasons[1]);
    EXPECT_EQ(maxInFlight[1], 1);
    EXPECT_EQ(maxInFlight[4], 4);
}

TEST_F(DownloadRunEndToEnd, StopWithFourInFlightLetsThemFinishAndStartsNoMore) {
    RunHarness h(10'000);
    h.prepare(4);
    h.grid.Append(ExpandSeries(fortyFiles(out.path() + "/")));
    int started = 0;
    // Pressed as the fourth starts: four are in flight from then on.
    QObject::connect(&h.run, &DownloadRun::jobStarted, [&] {
        if (++started == 4)
            h.run.CancelBtnClick();
    });
    ASSERT_TRUE(h.goAndWait(30'000)) << h.panels[0].toStdString();
    EXPECT_EQ(started, 4);
    EXPECT_EQ(h.panels[0], QStringLiteral("中断しました"));
    QStringList expected(40, QString());
    for (int i = 0; i < 4; ++i)
        expected[i] = kDone;
    EXPECT_EQ(h.marks(), expected);
    for (int n = 1; n <= 4; ++n)
        EXPECT_TRUE(testenv::readFile(out.filePath(fileName(n))) ==
                    testenv::readFile(served->filePath(fileName(n))));
}

} // namespace
