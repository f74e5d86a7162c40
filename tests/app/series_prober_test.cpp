// SeriesProber against a real nginx: HEAD, a GET of the first byte where
// HEAD is refused, a file that is not there, a server that refuses, a proxy
// that cannot be used, and a cancel; each probe ends with one `finished`.
#include "app/series_prober.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

class Prober : public ::testing::Test {
protected:
    // img_001.jpg … img_012.jpg in /gallery/ and in /nohead/, where HEAD
    // gets 405.
    static void SetUpTestSuite() {
        www = std::make_unique<QTemporaryDir>();
        for (const char* dir : {"gallery", "nohead"}) {
            ASSERT_TRUE(QDir(www->path()).mkpath(dir));
            for (int n = 1; n <= 12; ++n)
                testenv::writeFile(www->filePath(QStringLiteral("%1/img_%2.jpg")
                                                     .arg(QLatin1String(dir))
                                                     .arg(n, 3, 10, QChar('0'))),
                                   "jpeg");
        }
        nginx = std::make_unique<NginxFixture>(
            www->path(), "location /nohead/ { if ($request_method = HEAD) { return 405; } }");
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

    struct Probed {
        int ends = 0;
        SeriesProber::End end = SeriesProber::End::Failed;
        ProbedSeries series;
        QStringList asked; ///< "METHOD name  said"
    };

    // Probes `url` to its end; `cancel` cancels (twice) right after the start.
    static Probed Probe(const QString& url, const ClientConfig& config = {}, bool cancel = false) {
        Probed probed;
        SeriesProber prober;
        QObject::connect(&prober, &SeriesProber::asked,
                         [&](const QString& method, const QString& asked, const QString& said) {
                             probed.asked << method + ' ' + asked.section('/', -1) + "  " + said;
                         });
        QObject::connect(&prober, &SeriesProber::finished,
                         [&](SeriesProber::End end, const ProbedSeries& series) {
                             ++probed.ends;
                             probed.end = end;
                             probed.series = series;
                         });
        prober.Start(*SplitFileUrl(url), config, SeriesProbe::kDefaultMisses, 0);
        if (cancel) {
            prober.Cancel();
            prober.Cancel();
        }
        EXPECT_TRUE(testenv::waitUntil([&] { return probed.ends > 0; }, 20'000));
        EXPECT_FALSE(prober.Running());
        // Whatever was still queued has run: still one end.
        QCoreApplication::processEvents();
        EXPECT_EQ(probed.ends, 1);
        return probed;
    }

    static inline std::unique_ptr<QTemporaryDir> www;
    static inline std::unique_ptr<NginxFixture> nginx;
};

TEST_F(Prober, AsksWithHeadOrTheFirstByteAndEndsOnce) {
    ASSERT_TRUE(nginx);
    using End = SeriesProber::End;
    const QString base = nginx->baseUrl();
    ClientConfig unusableProxy;
    unusableProxy.proxyForUrl = [](const QString&, QString* problem) {
        *problem = QStringLiteral("bad proxy in the environment");
        return std::optional<ClientConfig::Proxy>();
    };
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QString refused =
        QStringLiteral("http://127.0.0.1:%1/a/img_07.jpg").arg(closed.serverPort());
    closed.close();
    const struct {
        const char* name;
        QString url;
        ClientConfig config;
        bool cancel;
        End end;
        qint64 first;
        qint64 last;
        const char* asked; ///< a part of one request's line; nothing: no request at all
        const char* error; ///< a part of the error, for a failure
    } rows[] = {
        // clang-format off
        {"HEAD", base + "gallery/img_07.jpg", {}, false, End::Found, 1, 12,
         "HEAD img_013.jpg  HTTP/1.1 404 Not Found", nullptr},
        {"HEAD refused", base + "nohead/img_007.jpg", {}, false, End::Found, 1, 12,
         "GET img_012.jpg  HTTP/1.1 206 Partial Content", nullptr},
        {"not there", base + "gallery/img_050.jpg", {}, false, End::Failed, 0, 0,
         "HEAD img_050.jpg  HTTP/1.1 404 Not Found", "img_050.jpg"},
        {"refused", refused, {}, false, End::Failed, 0, 0, "  Connection Failed",
         "Connection Failed"},
        {"proxy unusable", base + "gallery/img_007.jpg", unusableProxy, false, End::Failed, 0, 0,
         nullptr, "bad proxy in the environment"},
        {"cancelled", base + "gallery/img_007.jpg", {}, true, End::Cancelled, 0, 0, nullptr,
         nullptr},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Probed probed = Probe(row.url, row.config, row.cancel);
        EXPECT_EQ(probed.end, row.end);
        if (row.asked) {
            EXPECT_TRUE(probed.asked.join('\n').contains(row.asked))
                << probed.asked.join('\n').toStdString();
        } else {
            EXPECT_TRUE(probed.asked.isEmpty()) << probed.asked.join('\n').toStdString();
        }
        if (row.end == End::Found) {
            EXPECT_EQ(probed.series.first, row.first);
            EXPECT_EQ(probed.series.last, row.last);
            EXPECT_EQ(probed.series.digits, 3);
            EXPECT_TRUE(probed.series.error.isEmpty());
            // Each question once, as the probe counts them; a refused HEAD
            // is asked again as a GET, once.
            const bool refusedHead = probed.asked.first().contains(" 405 ");
            EXPECT_EQ(probed.asked.size(), probed.series.requests + (refusedHead ? 1 : 0));
            for (int i = refusedHead ? 1 : 0; i < probed.asked.size(); ++i) {
                EXPECT_TRUE(probed.asked[i].startsWith(refusedHead ? "GET " : "HEAD "))
                    << probed.asked[i].toStdString();
            }
        }
        if (row.error) {
            EXPECT_TRUE(probed.series.error.contains(row.error))
                << probed.series.error.toStdString();
        }
    }
}

} // namespace
