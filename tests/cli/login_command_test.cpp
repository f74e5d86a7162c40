// serifetch-cli against a gallery that asks who it is talking to: cookie
// files, Basic logins from the URL, --user and ~/.netrc, a redirect to
// another host, and a proxy that wants a password. The built binary and a
// real nginx (and squid, where its password helper is installed).
#include "tests/cli/cli_process.h"
#include "tests/support/nginx_fixture.h"
#include "tests/support/squid_fixture.h"
#include "tests/support/test_env.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// An "@" in a password typed into a URL stays in the password.
constexpr const char* kPassword = "s3cret@pw";

class CliLogin : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        served = std::make_unique<QTemporaryDir>();
        for (const char* folder : {"members", "private"})
            ASSERT_TRUE(QDir(served->path()).mkpath(folder));
        for (const char* name :
             {"members/t.txt", "private/t.txt", "private/p1.txt", "private/p2.txt"})
            ASSERT_TRUE(testenv::writeFile(served->filePath(name), "body of " + QByteArray(name)));
        // nginx reads "{PLAIN}" passwords as they stand.
        ASSERT_TRUE(testenv::writeFile(served->filePath("htpasswd"),
                                       "alice:{PLAIN}" + QByteArray(kPassword) + "\n"));
        const QString config =
            QString("location /members/ { if ($cookie_s != \"42\") { return 403; } }\n"
                    "location /private/ { auth_basic \"private\"; "
                    "auth_basic_user_file %1; }\n"
                    // Another host name for the same server: a login is not for it.
                    "location = /away { return 302 http://localhost:$server_port/private/t.txt; }\n"
                    "location = /set { add_header Set-Cookie \"k=v; Path=/\"; return 200 ok; }\n")
                .arg(served->filePath("htpasswd"));
        nginx = std::make_unique<NginxFixture>(served->path(), config);
        QString error;
        if (!nginx->start(&error)) {
            nginx.reset();
            FAIL() << error.toStdString();
        }
    }
    static void TearDownTestSuite() {
        nginx.reset();
        served.reset();
    }
    void SetUp() override {
        if (!nginx)
            GTEST_FAIL() << "nginx did not start";
        process.setEnv("HOME", home.path());
    }
    QString url(const QString& path) const { return nginx->baseUrl() + path; }
    QString withLogin(const QString& path, const QString& password = kPassword) const {
        return url(path).replace("http://", "http://alice:" + password + "@");
    }
    QString target() const { return out.filePath("out.txt"); }
    CliProcess::Result cli(const QStringList& args) { return process.run(args); }

    static inline std::unique_ptr<QTemporaryDir> served;
    static inline std::unique_ptr<NginxFixture> nginx;
    QTemporaryDir out;
    QTemporaryDir home;
    CliProcess process{out.path()};
};

} // namespace

TEST_F(CliLogin, GetAnswersEachKindOfGateOnlyWithWhatOpensIt) {
    const QString cookies = out.filePath("cookies.txt");
    ASSERT_TRUE(testenv::writeFile(cookies, "# Netscape HTTP Cookie File\n"
                                            "127.0.0.1\tFALSE\t/\tFALSE\t0\ts\t42\n"
                                            "not a cookie line\n"
                                            "other.example\tFALSE\t/\tFALSE\t0\ts\t42\n"));
    const QString wrongCookies = out.filePath("wrong.txt");
    ASSERT_TRUE(testenv::writeFile(wrongCookies, "127.0.0.1\tFALSE\t/private/\tFALSE\t0\ts\t42\n"));
    ASSERT_TRUE(
        testenv::writeFile(home.filePath(".netrc"), "machine 127.0.0.1 login alice password " +
                                                        QByteArray(kPassword) + "\n"));
    const struct {
        const char* name;
        QStringList args;
        int exitCode;
        QString body;        ///< empty: nothing saved
        QString errContains; ///< empty: nothing on standard error
    } rows[] = {
        {"no cookie: 403", {"get", url("members/t.txt")}, 1, {}, {}},
        {"cookies.txt: in, its bad line named",
         {"get", url("members/t.txt"), "--cookies", cookies},
         0,
         "body of members/t.txt",
         cookies + " line 3 skipped"},
        {"a cookie for another path is not sent",
         {"get", url("members/t.txt"), "--cookies", wrongCookies},
         1,
         {},
         {}},
        {"no login: 401", {"get", url("private/t.txt")}, 1, {}, {}},
        {"the URL's login", {"get", withLogin("private/t.txt")}, 0, "body of private/t.txt", {}},
        {"a wrong one", {"get", withLogin("private/t.txt", "nope")}, 1, {}, {}},
        {"--user",
         {"get", url("private/t.txt"), "--user", QString("alice:") + kPassword},
         0,
         "body of private/t.txt",
         {}},
        {"--user without a password and no terminal",
         {"get", url("private/t.txt"), "--user", "alice"},
         2,
         {},
         "--user alice has no password"},
        {"~/.netrc with --netrc",
         {"get", url("private/t.txt"), "--netrc"},
         0,
         "body of private/t.txt",
         {}},
        {"~/.netrc is not read unasked", {"get", url("private/t.txt")}, 1, {}, {}},
        {"--limit-rate takes curl's suffixes",
         {"get", url("members/t.txt"), "--cookies", wrongCookies, "--limit-rate", "1.5M",
          "--header", "Cookie: s=42"},
         0,
         "body of members/t.txt",
         {}},
        {"--limit-rate refuses what is no rate",
         {"get", url("members/t.txt"), "--limit-rate", "200x"},
         2,
         {},
         "--limit-rate needs bytes a second"},
        {"a redirect to another host does not carry the login",
         {"get", url("away"), "--user", QString("alice:") + kPassword},
         1,
         {},
         {}},
    };
    for (const auto& row : rows) {
        QFile::remove(target());
        const auto run = cli(row.args + QStringList{"-o", target()});
        EXPECT_EQ(run.exitCode, row.exitCode) << row.name << ": " << run.err.toStdString();
        if (row.body.isEmpty())
            EXPECT_FALSE(QFileInfo::exists(target())) << row.name;
        else
            EXPECT_EQ(testenv::readFile(target()), row.body.toUtf8()) << row.name;
        if (row.errContains.isEmpty())
            EXPECT_EQ(run.err, "") << row.name;
        else
            EXPECT_TRUE(run.err.contains(row.errContains))
                << row.name << ": " << run.err.toStdString();
        EXPECT_FALSE((run.out + run.err).contains(kPassword)) << row.name;
    }
}

TEST_F(CliLogin, VerboseShowsThatALoginWentButNeverThePassword) {
    const auto run = cli({"get", withLogin("private/t.txt"), "-v", "-o", target()});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.startsWith("Authorization: Basic ****\nGET " + url("private/t.txt") +
                                   "  HTTP/1.1 200 OK  "))
        << run.err.toStdString();
    EXPECT_FALSE(run.err.contains(kPassword));
}

TEST_F(CliLogin, TheCookieJarGetsWhatTheRepliesSet) {
    const QString jar = out.filePath("jar.txt");
    const auto run = cli({"get", url("set"), "-o", target(), "--cookie-jar", jar});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_TRUE(testenv::readFile(jar).contains("\n127.0.0.1\tFALSE\t/\tFALSE\t0\tk\tv\n"))
        << testenv::readFile(jar).constData();
    EXPECT_EQ(QFileInfo(jar).permissions() &
                  (QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::WriteOther),
              QFileDevice::Permissions());
}

TEST_F(CliLogin, FetchKeepsTheUrlsLoginForTheRunAndOutOfEveryFile) {
    const auto run = cli({"fetch", withLogin("private/p[1-2].txt"), "--dir", out.path()});
    EXPECT_EQ(run.exitCode, 0) << run.out.toStdString() << run.err.toStdString();
    EXPECT_EQ(testenv::readFile(out.filePath("p1.txt")), "body of private/p1.txt");
    EXPECT_EQ(testenv::readFile(out.filePath("p2.txt")), "body of private/p2.txt");
    const auto show = cli({"show"});
    EXPECT_TRUE(show.out.contains(url("private/p1.txt"))) << show.out.toStdString();
    for (const QString& text : {run.out, run.err, show.out, show.err})
        EXPECT_FALSE(text.contains(kPassword)) << text.toStdString();
    for (const char* file : {"SeriData.txt", "serifech.ini"})
        EXPECT_FALSE(testenv::readFile(out.filePath(file)).contains("s3cret")) << file;

    // list-up keeps none of it, and says so.
    const auto listed = cli({"list-up", "--url", withLogin("private/"), "--head", "p", "--digits",
                             "1", "--start", "1", "--end", "2", "--dir", out.path()});
    EXPECT_TRUE(listed.err.contains("not kept in the list")) << listed.err.toStdString();
    for (const char* file : {"SeriData.txt", "serifech.ini"})
        EXPECT_FALSE(testenv::readFile(out.filePath(file)).contains("s3cret")) << file;
}

TEST_F(CliLogin, AProxyThatWantsAPasswordGetsItFromProxyUser) {
    if (!QFileInfo::exists("/usr/lib/squid/basic_ncsa_auth"))
        GTEST_SKIP() << "squid's basic_ncsa_auth helper is not installed";
    QProcess openssl;
    openssl.start("openssl", {"passwd", "-apr1", "proxy-pw"});
    ASSERT_TRUE(openssl.waitForFinished(10000));
    const QByteArray hash = openssl.readAllStandardOutput().trimmed();
    ASSERT_TRUE(hash.startsWith("$apr1$")) << hash.constData();
    SquidFixture squid;
    squid.requireLogin("bob:" + hash);
    QString error;
    ASSERT_TRUE(squid.start(&error)) << error.toStdString();
    const QString through = QString("--proxy=127.0.0.1:%1").arg(squid.port());
    const struct {
        const char* name;
        QStringList login;
        int exitCode;
        const char* status;
    } rows[] = {
        {"none", {}, 1, "407"},
        {"a wrong one", {"--proxy-user", "bob:nope"}, 1, "407"},
        {"--proxy-user", {"--proxy-user", "bob:proxy-pw"}, 0, "200"},
    };
    for (const auto& row : rows) {
        const auto run = cli(QStringList{"get", url("members/t.txt"), through, "-o", target(),
                                         "--header", "Cookie: s=42"} +
                             row.login);
        EXPECT_EQ(run.exitCode, row.exitCode) << row.name << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.contains(row.status)) << row.name << ": " << run.out.toStdString();
    }
}
