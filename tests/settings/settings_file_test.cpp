#include "platform/profile_file.h"
#include "settings/settings_file.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <tuple>

namespace {

using testenv::readFile;
using testenv::writeFile;

class SettingsFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString ini = dir.filePath("serifech.ini");

    static Settings sample() {
        Settings s;
        for (int i = 1; i <= 3; ++i)
            s.urlHistory << QStringLiteral("http://h%1.example/").arg(i);
        s.url = s.urlHistory.first();
        s.head = QString::fromUtf8("画像");
        s.num = 3;
        s.minSize = 12;
        s.start = "007";
        s.end = "120";
        s.back = ".png";
        s.path = QString::fromUtf8("/tmp/保存 ○/");
        s.skip = false;
        s.check = false;
        s.proxyHost = "proxy.example";
        s.proxyPort = 8080;
        s.window = {QRect(-40, 30, 1200, 800), true, {500, 140}, {60, 600, 320}};
        return s;
    }
};

TEST_F(SettingsFileTest, FirstRunCreatesTheThreeLinesAndLoadsTheDefaults) {
    const SettingsFile::LoadResult r = SettingsFile::load(ini);
    EXPECT_EQ(readFile(ini), "[URL]\r\nURL1=http://localhost/\r\n[FileName]\r\n");
    EXPECT_TRUE(r.warnings.isEmpty());
    const Settings& s = r.settings;
    EXPECT_EQ(s.urlHistory, QStringList{"http://localhost/"});
    EXPECT_EQ(s.url, "http://localhost/");
    EXPECT_EQ(s.head, "Hampic");
    EXPECT_EQ(s.num, 2);
    EXPECT_EQ(s.minSize, 0);
    EXPECT_EQ(s.start, "01");
    EXPECT_EQ(s.end, "12");
    EXPECT_EQ(s.back, ".jpg");
    EXPECT_EQ(s.path,
              QStandardPaths::writableLocation(QStandardPaths::DownloadLocation) + QChar('/'));
    EXPECT_TRUE(s.skip);
    EXPECT_TRUE(s.check);
    EXPECT_FALSE(s.proxyEnabled);
    EXPECT_EQ(s.proxyHost, "");
    EXPECT_EQ(s.proxyPort, 0);
    EXPECT_EQ(s.window, WindowSettings{});
}

TEST_F(SettingsFileTest, StoreThenLoadRoundTripsEveryValueAndAppliesTheProxyOnlyOnYes) {
    const Settings stored = sample();
    ASSERT_EQ(SettingsFile::store(ini, stored), "");
    EXPECT_FALSE(readFile(ini).contains("Proxy="));

    Settings expected = stored;
    expected.proxyHost.clear();
    expected.proxyPort = 0;
    EXPECT_EQ(SettingsFile::load(ini).settings, expected);

    ProfileFile byHand(ini);
    byHand.write("Server", "Proxy", "Yes");
    ASSERT_EQ(byHand.save(), "");
    expected = stored;
    expected.proxyEnabled = true;
    EXPECT_EQ(SettingsFile::load(ini).settings, expected);
    // The store leaves the user's switch as it is.
    ASSERT_EQ(SettingsFile::store(ini, stored), "");
    EXPECT_TRUE(SettingsFile::load(ini).settings.proxyEnabled);
}

TEST_F(SettingsFileTest, HistoryIsWrittenAndReadUpToFiftyAndStopsAtTheFirstEmptyKey) {
    Settings s = sample();
    s.urlHistory.clear();
    for (int i = 1; i <= 60; ++i)
        s.urlHistory << QStringLiteral("http://h%1/").arg(i);
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_TRUE(readFile(ini).contains("URL50=http://h50/\r\n"));
    EXPECT_FALSE(readFile(ini).contains("URL51"));
    EXPECT_EQ(SettingsFile::load(ini).settings.urlHistory, s.urlHistory.first(50));

    // A history cut down to two leaves the other keys present and empty.
    s.urlHistory = s.urlHistory.first(2);
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    const QByteArray bytes = readFile(ini);
    EXPECT_TRUE(bytes.contains("\r\nURL3=\r\n"));
    EXPECT_TRUE(bytes.contains("\r\nURL50=\r\n"));
    EXPECT_EQ(SettingsFile::load(ini).settings.urlHistory, s.urlHistory);

    writeFile(ini, "[URL]\nURL1=a\nURL2=b\nURL3=c\nURL4=\nURL5=e\n");
    EXPECT_EQ(SettingsFile::load(ini).settings.urlHistory, (QStringList{"a", "b", "c"}));
}

TEST(UrlHistory, AUrlListedUpGoesToTheTopOnceAndTheOldestDropOffPastFifty) {
    QStringList fifty;
    for (int i = 1; i <= 50; ++i)
        fifty << QStringLiteral("http://h%1/").arg(i);
    const struct {
        const char* name;
        QStringList history;
        QString url;
        QStringList expected;
    } rows[] = {
        {"new on an empty history", {}, "http://a/", {"http://a/"}},
        {"new goes on top",
         {"http://a/", "http://b/"},
         "http://c/",
         {"http://c/", "http://a/", "http://b/"}},
        {"a listed one moves up",
         {"http://a/", "http://b/", "http://c/"},
         "http://c/",
         {"http://c/", "http://a/", "http://b/"}},
        {"the top one stays", {"http://a/", "http://b/"}, "http://a/", {"http://a/", "http://b/"}},
        {"letter case counts", {"http://a/"}, "http://A/", {"http://A/", "http://a/"}},
        {"an empty text stays out: it would end the list read back",
         {"http://a/"},
         "",
         {"http://a/"}},
        {"the fifty-first drops off", fifty, "http://new/",
         QStringList{"http://new/"} + fifty.first(49)},
        {"a listed one of fifty moves up", fifty, "http://h50/",
         QStringList{"http://h50/"} + fifty.first(49)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QStringList history = row.history;
        RaiseInUrlHistory(history, row.url);
        EXPECT_EQ(history, row.expected);
    }
}

// The order survives a restart: the URL last listed up is the first item and
// the box's text at the next start; the file keeps the newest fifty.
TEST_F(SettingsFileTest, TheUrlLastListedUpComesBackFirstAndSixtyKeepTheNewestFifty) {
    Settings s = SettingsFile::load(ini).settings;
    for (const char* url : {"http://a/", "http://b/", "http://a/"}) {
        RaiseInUrlHistory(s.urlHistory, url);
        ASSERT_EQ(SettingsFile::store(ini, s), "");
        s = SettingsFile::load(ini).settings;
        EXPECT_EQ(s.url, url);
    }
    EXPECT_EQ(s.urlHistory, (QStringList{"http://a/", "http://b/", SettingsFile::kSampleUrl}));

    QStringList listed;
    for (int i = 1; i <= 60; ++i) {
        listed.prepend(QStringLiteral("http://h%1/").arg(i));
        RaiseInUrlHistory(s.urlHistory, listed.first());
    }
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    const Settings back = SettingsFile::load(ini).settings;
    EXPECT_EQ(back.urlHistory, listed.first(50));
    EXPECT_EQ(back.url, "http://h60/");
    EXPECT_FALSE(readFile(ini).contains("URL51"));
}

// The default save folder is made when it is first used; a folder the user
// chose is left to the run's question.
TEST(DefaultSaveFolder, IsCreatedOnFirstUseAndNoOtherFolderIs) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeFile(dir.filePath("file"), "a file, not a folder");
    const QString def = dir.filePath("home/Downloads/");
    const struct {
        const char* name;
        QString folder;
        QString defaultFolder;
        bool made; // the default folder is there afterwards
        bool problem;
    } rows[] = {
        {"the default, missing", def, def, true, false},
        {"the default, without its slash", dir.filePath("home/Downloads"), def, true, false},
        {"another folder", dir.filePath("mine/"), def, false, false},
        {"the empty text", "", def, false, false},
        {"the default where it cannot be", dir.filePath("file/sub/"), dir.filePath("file/sub/"),
         false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(dir.filePath("home")).removeRecursively();
        const QString problem = CreateDefaultSaveFolder(row.folder, row.defaultFolder);
        EXPECT_EQ(!problem.isEmpty(), row.problem) << problem.toStdString();
        EXPECT_TRUE(!row.problem || problem.contains(dir.filePath("file/sub")));
        EXPECT_EQ(QFileInfo(def).isDir(), row.made);
        EXPECT_FALSE(QFileInfo::exists(dir.filePath("mine")));
        // Made once, it is simply there the next time.
        EXPECT_EQ(CreateDefaultSaveFolder(row.folder, row.defaultFolder).isEmpty(), !row.problem);
    }
}

TEST_F(SettingsFileTest, OnlyAnExactYesCounts) {
    writeFile(ini, "[FileName]\r\nSkip=yes\r\nCheck=YES\r\n[Server]\r\nProxy=yes\r\nHost=h\r\n");
    const Settings s = SettingsFile::load(ini).settings;
    EXPECT_FALSE(s.skip);
    EXPECT_FALSE(s.check);
    EXPECT_FALSE(s.proxyEnabled);
    EXPECT_EQ(s.proxyHost, "");
}

TEST_F(SettingsFileTest, ABadNumberFallsBackToItsDefaultWithAWarningAndTheRestLoads) {
    // Not a number, or a number the key cannot mean.
    for (const auto& [num, minSize, port] :
         {std::tuple{"abc", "1.5", "80x"}, std::tuple{"-1", "-5", "70000"},
          std::tuple{"256", "", "-80"}}) {
        SCOPED_TRACE(num);
        writeFile(ini, QStringLiteral("[FileName]\r\nHead=keep\r\nNum=%1\r\nMinSize=%2\r\n"
                                      "Back=.gif\r\n[Server]\r\nProxy=Yes\r\nHost=p\r\nPort=%3\r\n")
                           .arg(num, minSize, port)
                           .toUtf8());
        const SettingsFile::LoadResult r = SettingsFile::load(ini);
        EXPECT_EQ(r.settings.num, 2);
        EXPECT_EQ(r.settings.minSize, 0);
        EXPECT_EQ(r.settings.proxyPort, 80);
        EXPECT_EQ(r.settings.head, "keep");
        EXPECT_EQ(r.settings.back, ".gif");
        EXPECT_EQ(r.settings.proxyHost, "p");
        ASSERT_EQ(r.warnings.size(), 3);
        EXPECT_TRUE(r.warnings[0].contains("Num") &&
                    r.warnings[0].contains(QString("\"%1\"").arg(num)));
        EXPECT_TRUE(r.warnings[1].contains("MinSize") &&
                    r.warnings[1].contains(QString("\"%1\"").arg(minSize)));
        EXPECT_TRUE(r.warnings[2].contains("Port") &&
                    r.warnings[2].contains(QString("\"%1\"").arg(port)));
    }
}

TEST_F(SettingsFileTest, AFolderThatCannotBeWrittenRunsWithDefaultsAndSaysSo) {
    writeFile(dir.filePath("blocker"), "a file where the folder should be");
    const QString unusable = dir.filePath("blocker/serifech.ini");
    const SettingsFile::LoadResult r = SettingsFile::load(unusable);
    ASSERT_EQ(r.warnings.size(), 1);
    EXPECT_EQ(r.settings.urlHistory, QStringList{"http://localhost/"});
    EXPECT_EQ(r.settings.head, "Hampic");
    EXPECT_FALSE(SettingsFile::store(unusable, r.settings).isEmpty());
    EXPECT_EQ(readFile(dir.filePath("blocker")), "a file where the folder should be");
}

TEST_F(SettingsFileTest, AFailedStoreIsReportedAndLeavesTheOldFileWhole) {
    ASSERT_EQ(SettingsFile::store(ini, sample()), "");
    const QByteArray old = readFile(ini);
    Settings bigger = sample();
    bigger.head = QString(8192, QLatin1Char('h'));
    {
        FileSizeLimit full(4096);
        EXPECT_FALSE(SettingsFile::store(ini, bigger).isEmpty());
    }
    EXPECT_EQ(readFile(ini), old);
}

} // namespace

TEST_F(SettingsFileTest, RequestKeysRoundTripAndAreWrittenOnlyWhenSetExceptTls) {
    // A user who never set them gets only TLS=Yes added to the file.
    ASSERT_EQ(SettingsFile::store(ini, sample()), "");
    QByteArray bytes = readFile(ini);
    EXPECT_TRUE(bytes.contains("\r\nPort=8080\r\nTLS=Yes\r\n")) << bytes.constData();
    for (const char* key :
         {"CAFile", "UserAgent", "Referer", "Header1", "KeepAlive", "RemoteTime", "HTTP2",
          "Parallel", "Retries", "Interval", "OpenEnd", "Misses", "\nName=", "Cookies", "Netrc",
          "LimitRate", "ProxyUser", "ProxyPassword"})
        EXPECT_FALSE(bytes.contains(key)) << key;
    EXPECT_EQ(SettingsFile::load(ini).settings.request, RequestSettings{});

    // The open end and the pattern's names are [FileName] keys of their own.
    Settings open = sample();
    open.openEnd = true;
    open.misses = 7;
    open.name = "c#1-p#2.jpg";
    ASSERT_EQ(SettingsFile::store(ini, open), "");
    EXPECT_TRUE(readFile(ini).contains("\r\nOpenEnd=Yes\r\nMisses=7\r\nName=c#1-p#2.jpg\r\n"));
    const Settings back = SettingsFile::load(ini).settings;
    EXPECT_EQ(std::tuple(back.openEnd, back.misses, back.name), std::tuple(true, 7, open.name));
    ASSERT_TRUE(testenv::writeFile(ini, "[FileName]\r\nMisses=0\r\n"));
    EXPECT_EQ(SettingsFile::load(ini).settings.misses, 3);
    ASSERT_EQ(SettingsFile::store(ini, sample()), "");

    Settings s = sample();
    s.request = {false,
                 "/etc/ca.pem",
                 "Serifetch/2.0",
                 "http://g.example/",
                 true,
                 {"Cookie: a=1", "X-Two: 2", "X-Three: 3"}};
    s.request.keepAlive = true;
    s.request.remoteTime = true;
    s.request.http2 = false;
    s.request.parallel = 64;
    s.request.retries = 0;
    s.request.intervalMs = 0;
    s.request.cookieFile = "/home/u/cookies.txt";
    s.request.netrc = true;
    s.request.limitRate = 204800;
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_TRUE(readFile(ini).contains("\r\nCookies=/home/u/cookies.txt\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nNetrc=Yes\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nLimitRate=204800\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nRetries=0\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nInterval=0\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nKeepAlive=Yes\r\nRemoteTime=Yes\r\nHTTP2=No\r\n"));
    EXPECT_TRUE(readFile(ini).contains("\r\nParallel=64\r\n"));
    EXPECT_EQ(SettingsFile::load(ini).settings.request, s.request);

    // Fewer lines and no referer afterwards leave nothing stale to read back.
    s.request.extraHeaders = {"X-Only: 1"};
    s.request.refererIsBaseUrl = false;
    s.request.referer.clear();
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_EQ(SettingsFile::load(ini).settings.request, s.request);
    bytes = readFile(ini);
    EXPECT_TRUE(bytes.contains("\r\nHeader2=\r\n")) << bytes.constData();

    // A number out of range or unreadable falls back on its default, with a
    // warning; an absent key is the default without one.
    const struct {
        const char* line;
        int RequestSettings::*member;
        int expected;
        bool warned;
    } numbers[] = {
        {"Retries=5", &RequestSettings::retries, 5, false},
        {"Retries=0", &RequestSettings::retries, 0, false},
        {"Retries=11", &RequestSettings::retries, 2, true},
        {"Retries=-1", &RequestSettings::retries, 2, true},
        {"Retries=two", &RequestSettings::retries, 2, true},
        {"Interval=0", &RequestSettings::intervalMs, 0, false},
        {"Interval=1500", &RequestSettings::intervalMs, 1500, false},
        {"Interval=60000", &RequestSettings::intervalMs, 60000, false},
        {"Interval=60001", &RequestSettings::intervalMs, 200, true},
        {"Interval=-1", &RequestSettings::intervalMs, 200, true},
        {"Interval=0.5", &RequestSettings::intervalMs, 200, true},
        {"Other=1", &RequestSettings::intervalMs, 200, false},
        {"LimitRate=204800", &RequestSettings::limitRate, 204800, false},
        {"LimitRate=0", &RequestSettings::limitRate, 0, false},
        {"LimitRate=-5", &RequestSettings::limitRate, 0, true},
        {"LimitRate=200k", &RequestSettings::limitRate, 0, true},
        {"Parallel=64", &RequestSettings::parallel, 64, false},
        {"Parallel=65", &RequestSettings::parallel, 1, true},
    };
    for (const auto& row : numbers) {
        writeFile(ini, QByteArray("[Server]\r\n") + row.line + "\r\n");
        const SettingsFile::LoadResult r = SettingsFile::load(ini);
        EXPECT_EQ(r.settings.request.*row.member, row.expected) << row.line;
        EXPECT_EQ(r.warnings.size(), row.warned ? 1 : 0) << row.line;
    }

    // Only "No" turns TLS or HTTP/2 off.
    for (const auto& [value, on] : {std::pair{"No", false}, {"no", true}, {"", true}}) {
        writeFile(ini, QByteArray("[Server]\r\nTLS=") + value + "\r\nHTTP2=" + value + "\r\n");
        const RequestSettings request = SettingsFile::load(ini).settings.request;
        EXPECT_EQ(std::pair(request.tls, request.http2), std::pair(on, on)) << value;
    }
}

TEST_F(SettingsFileTest, AProxyPasswordIsKeptOnlyWhenRememberedAndThenTheFileIsTheOwnersAlone) {
    Settings s = sample();
    s.proxyUser = "alice";
    s.proxyPassword = "s3cret";
    s.rememberProxyPassword = false;
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    QByteArray bytes = readFile(ini);
    EXPECT_TRUE(bytes.contains("\r\nProxyUser=alice\r\n")) << bytes.constData();
    EXPECT_FALSE(bytes.contains("s3cret")) << bytes.constData();
    EXPECT_FALSE(SettingsFile::load(ini).settings.rememberProxyPassword);

    s.rememberProxyPassword = true;
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_TRUE(readFile(ini).contains("\r\nProxyPassword=s3cret\r\n"));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const Settings back = SettingsFile::load(ini).settings;
    EXPECT_EQ(back.proxyUser, "alice");
    EXPECT_EQ(back.proxyPassword, "s3cret");
    EXPECT_TRUE(back.rememberProxyPassword);

    // Unticked later: the password leaves the file.
    s.rememberProxyPassword = false;
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_FALSE(readFile(ini).contains("s3cret"));

    // A server's login kept the same way, and forgotten without a trace.
    s.serverLogins = {{"http://nas.local:80", "carol", "pw1"},
                      {"https://g.example:443", "dan", ""}};
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_EQ(SettingsFile::load(ini).settings.serverLogins, s.serverLogins);
    ASSERT_EQ(::stat(QFile::encodeName(ini).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    s.serverLogins.removeFirst();
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_EQ(SettingsFile::load(ini).settings.serverLogins, s.serverLogins);
    EXPECT_FALSE(readFile(ini).contains("pw1"));
}

TEST_F(SettingsFileTest, WindowKeysAreWrittenOnlyOnceRememberedAndABadOneKeepsTheBuiltInLayout) {
    Settings s = sample();
    s.window = {};
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_FALSE(readFile(ini).contains("[Window]"));

    s.window.columnWidths = {60, 600, 320};
    ASSERT_EQ(SettingsFile::store(ini, s), "");
    EXPECT_TRUE(readFile(ini).endsWith("[Window]\r\nColumns=60,600,320\r\n"));

    // A part that cannot be read falls back on its own; the others stay.
    for (const auto& [key, value] : {std::pair{"Width", "wide"},
                                     {"Height", "0"},
                                     {"Splitter", "500,x"},
                                     {"Columns", "60,-1,320"}}) {
        s.window = {QRect(10, 20, 900, 700), false, {500, 140}, {60, 600, 320}};
        ASSERT_EQ(SettingsFile::store(ini, s), "");
        ProfileFile byHand(ini);
        byHand.write("Window", key, value);
        ASSERT_EQ(byHand.save(), "");
        WindowSettings expected = s.window;
        if (QByteArray(key) == "Splitter")
            expected.splitterSizes.clear();
        else if (QByteArray(key) == "Columns")
            expected.columnWidths.clear();
        else
            expected.geometry = QRect();
        EXPECT_EQ(SettingsFile::load(ini).settings.window, expected) << key;
    }
}
