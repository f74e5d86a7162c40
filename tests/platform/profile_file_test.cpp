#include "platform/profile_dir.h"
#include "platform/profile_file.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using testenv::readFile;
using testenv::writeFile;

class ProfileFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString file = dir.filePath("test.ini");
};

TEST_F(ProfileFileTest, MatchesNamesWithoutCaseTrimsBlanksAndTakesTheFirstMatch) {
    writeFile(file, "[Main]\r\n"
                    "  Head =  hampic \r\n"
                    "head=second\r\n"
                    "Empty=\r\n"
                    "[ main ]\r\n"
                    "Other=from the second section\r\n"
                    "[Next]\r\n"
                    "Head=next\r\n");
    ProfileFile p(file);
    EXPECT_TRUE(p.existed());
    EXPECT_TRUE(p.error().isEmpty());
    EXPECT_EQ(p.read("MAIN", "HEAD", "d"), "hampic");
    EXPECT_EQ(p.read("main", "head", "d"), "hampic");
    EXPECT_EQ(p.read("Next", "Head", "d"), "next");
    // A repeated section is never looked at.
    EXPECT_EQ(p.read("Main", "Other", "d"), "d");
    // Present but empty is not missing.
    EXPECT_EQ(p.read("Main", "Empty", "d"), "");
    EXPECT_EQ(p.read("Main", "Missing", "d"), "d");
    EXPECT_EQ(p.read("Nowhere", "Head", "d"), "d");
}

TEST_F(ProfileFileTest, WritesInPlaceAtSectionEndAndAtFileEndKeepingOtherLines) {
    writeFile(file, "; written by hand\r\n"
                    "[A]\r\n"
                    "  Key = old \r\n"
                    "key=duplicate\r\n"
                    "no equals sign here\r\n"
                    "\r\n"
                    "[B]\r\n"
                    "x=1\r\n");
    ProfileFile p(file);
    p.write("a", "KEY", "new");
    p.write("A", "Added", "v");
    p.write("b", "y", "2");
    p.write("C", "z", "3");
    p.write("C", "z", "4");
    EXPECT_EQ(p.toBytes(), QByteArray("; written by hand\r\n"
                                      "[A]\r\n"
                                      "Key=new\r\n"
                                      "key=duplicate\r\n"
                                      "no equals sign here\r\n"
                                      "Added=v\r\n"
                                      "\r\n"
                                      "[B]\r\n"
                                      "x=1\r\n"
                                      "y=2\r\n"
                                      "[C]\r\n"
                                      "z=4\r\n"));
    EXPECT_EQ(p.read("A", "added", ""), "v");
    EXPECT_EQ(p.read("a", "key", ""), "new");
    // A key rewritten twice is still found, and still only once.
    p.write("A", "key", "newer");
    EXPECT_EQ(p.read("A", "KEY", ""), "newer");
    EXPECT_EQ(p.toBytes().count("Key="), 1);
}

TEST_F(ProfileFileTest, ReadsLfOnlyAndByteOrderMarkAlikeAndWritesCrLf) {
    writeFile(file, "\xEF\xBB\xBF[URL]\nURL1=http://a/\n[FileName]\nHead=x");
    ProfileFile p(file);
    EXPECT_EQ(p.read("URL", "URL1", ""), "http://a/");
    EXPECT_EQ(p.read("FileName", "Head", ""), "x");
    p.write("FileName", "Num", "2");
    ASSERT_EQ(p.save(), "");
    EXPECT_EQ(
        readFile(file),
        QByteArray("\xEF\xBB\xBF[URL]\r\nURL1=http://a/\r\n[FileName]\r\nHead=x\r\nNum=2\r\n"));
}

TEST_F(ProfileFileTest, AShiftJisFileOfTheOldProgramReadsRightAndIsSavedAsUtf8) {
    // "[FileName]\r\nHead=画像\r\n" and a job mark "×" (0x81 0x7E), in
    // CP932 as the Windows program wrote them; 0x5C in 表 is no backslash.
    writeFile(file,
              QByteArray("[FileName]\r\nHead=\x89\xE6\x91\x9C\r\n"
                         "[Data0000]\r\nStatus0001=\x81\x7E\r\nPath0001=C:\\\x95\x5C.jpg\r\n"));
    ProfileFile p(file);
    EXPECT_EQ(p.read("FileName", "Head", ""), QString::fromUtf8("画像"));
    EXPECT_EQ(p.read("Data0000", "Status0001", ""), QString::fromUtf8("×"));
    EXPECT_EQ(p.read("Data0000", "Path0001", ""), QString::fromUtf8("C:\\表.jpg"));
    ASSERT_EQ(p.save(), "");
    EXPECT_EQ(readFile(file), QString::fromUtf8("[FileName]\r\nHead=画像\r\n[Data0000]\r\n"
                                                "Status0001=×\r\nPath0001=C:\\表.jpg\r\n")
                                  .toUtf8());
}

TEST_F(ProfileFileTest, UnicodeNamesAndMarksSurviveASaveAndReload) {
    const QString marks = QString::fromUtf8("○↓▲▽▼×");
    {
        ProfileFile p(file);
        EXPECT_FALSE(p.existed());
        p.write(QString::fromUtf8("データ"), QString::fromUtf8("先頭部"), marks);
        ASSERT_EQ(p.save(), "");
    }
    EXPECT_TRUE(readFile(file).contains(marks.toUtf8()));
    ProfileFile again(file);
    EXPECT_EQ(again.read(QString::fromUtf8("データ"), QString::fromUtf8("先頭部"), ""), marks);
    // Letters beyond ASCII match without case too.
    again.write(QString::fromUtf8("データ"), QString::fromUtf8("Ärger"), "1");
    again.write(QString::fromUtf8("データ"), QString::fromUtf8("äRGER"), "2");
    EXPECT_EQ(again.read(QString::fromUtf8("データ"), QString::fromUtf8("ÄRGER"), ""), "2");
    EXPECT_EQ(again.toBytes().count("rger="), 1);
}

TEST_F(ProfileFileTest, ALineBreakInAValueCannotForgeAKey) {
    ProfileFile p(file);
    p.write("S", "url", "http://a/\r\n[S]\r\nforged=1");
    ASSERT_EQ(p.save(), "");
    ProfileFile again(file);
    EXPECT_EQ(again.read("S", "forged", "none"), "none");
    EXPECT_TRUE(again.read("S", "url", "").startsWith("http://a/"));
}

TEST_F(ProfileFileTest, AFileThatCannotBeReadIsNeverOverwritten) {
    // A folder in the file's place cannot be read, by root either.
    ASSERT_TRUE(QDir().mkpath(file + "/inside"));
    ProfileFile p(file);
    EXPECT_TRUE(p.existed());
    EXPECT_FALSE(p.error().isEmpty());
    EXPECT_EQ(p.read("S", "k", "d"), "d");
    p.write("S", "k", "v");
    EXPECT_FALSE(p.save().isEmpty());
    EXPECT_TRUE(QFileInfo(file + "/inside").isDir());
}

TEST_F(ProfileFileTest, AFailedSaveIsReportedAndLeavesTheOldFileWhole) {
    const QByteArray old = "[S]\r\nk=old\r\n";
    writeFile(file, old);
    ProfileFile p(file);
    p.write("S", "k", QString(4096, QLatin1Char('x')));
    {
        FileSizeLimit full(1024);
        EXPECT_FALSE(p.save().isEmpty());
    }
    EXPECT_EQ(readFile(file), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"test.ini"});
}

class ProfileDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"SERIFETCH_HOME", "XDG_CONFIG_HOME", "HOME"})
            saved.push_back({name, qgetenv(name), qEnvironmentVariableIsSet(name)});
    }
    void TearDown() override {
        for (const auto& [name, value, set] : saved) {
            if (set)
                qputenv(name, value);
            else
                qunsetenv(name);
        }
    }
    struct Var {
        const char* name;
        QByteArray value;
        bool set;
    };
    std::vector<Var> saved;
    QTemporaryDir dir;
};

TEST_F(ProfileDirTest, PrefersSerifetchHomeThenXdgConfigHomeThenHome) {
    qputenv("HOME", dir.filePath("home").toUtf8());
    qputenv("XDG_CONFIG_HOME", dir.filePath("xdg").toUtf8());
    qputenv("SERIFETCH_HOME", dir.filePath("own").toUtf8());
    EXPECT_EQ(ProfileDir::path(), dir.filePath("own"));
    EXPECT_EQ(ProfileDir::settingsFilePath(), dir.filePath("own/serifech.ini"));
    EXPECT_EQ(ProfileDir::jobListFilePath(), dir.filePath("own/SeriData.txt"));
    qputenv("SERIFETCH_HOME", "");
    EXPECT_EQ(ProfileDir::path(), dir.filePath("xdg/serifetch"));
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(ProfileDir::path(), dir.filePath("home/.config/serifetch"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(ProfileDir::path(), dir.filePath("home/.config/serifetch"));
}

// A profile copied from a file system that ignores letter case keeps its
// files: they are found in any case, the exact names first.
TEST_F(ProfileDirTest, TheTwoFilesAreFoundWithoutRegardToLetterCase) {
    const struct {
        QStringList present;
        const char* settings;
        const char* jobs;
    } rows[] = {
        {{}, "serifech.ini", "SeriData.txt"},
        {{"SERIFECH.INI", "seridata.txt"}, "SERIFECH.INI", "seridata.txt"},
        {{"Serifech.Ini", "SERIDATA.TXT", "serifech.ini"}, "serifech.ini", "SERIDATA.TXT"},
        {{"SeriData.txt", "SERIDATA.TXT"}, "serifech.ini", "SeriData.txt"},
        {{"serifech.ini.bak", "xSeriData.txt"}, "serifech.ini", "SeriData.txt"},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.present.join(' ').toStdString());
        const QString home = dir.filePath(QStringLiteral("p%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(home));
        for (const QString& name : row.present)
            writeFile(home + "/" + name, "x");
        qputenv("SERIFETCH_HOME", home.toUtf8());
        EXPECT_EQ(ProfileDir::settingsFilePath(), home + "/" + row.settings);
        EXPECT_EQ(ProfileDir::jobListFilePath(), home + "/" + row.jobs);
    }
    // A folder of that name is no file.
    const QString home = dir.filePath("folders");
    ASSERT_TRUE(QDir().mkpath(home + "/SERIFECH.INI"));
    qputenv("SERIFETCH_HOME", home.toUtf8());
    EXPECT_EQ(ProfileDir::settingsFilePath(), home + "/serifech.ini");
}

TEST_F(ProfileDirTest, PrepareCreatesTheFolderOrSaysWhyItCannot) {
    qputenv("SERIFETCH_HOME", dir.filePath("a/b").toUtf8());
    EXPECT_EQ(ProfileDir::prepare(), "");
    EXPECT_TRUE(QFileInfo(dir.filePath("a/b")).isDir());
    EXPECT_TRUE(
        QDir(dir.filePath("a/b")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    writeFile(dir.filePath("blocker"), "a file, not a folder");
    qputenv("SERIFETCH_HOME", dir.filePath("blocker/sub").toUtf8());
    EXPECT_TRUE(ProfileDir::prepare().contains(dir.filePath("blocker/sub")));
}

} // namespace
