// The checks before a fetch, in their one order.
#include "app/job_screen.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using Kind = JobScreen::Verdict::Kind;
using Found = DownloadClient::PathFound;

TEST(JobScreen, HiddenPathsThenFilesThereThenAddressesDown) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString there = dir.filePath("there.jpg");
    ASSERT_TRUE(testenv::writeFile(there, "12345"));
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder.jpg"));
    const QString down = QStringLiteral("not tried: h:80 refused 3 connections");
    struct Row {
        const char* rule;
        QString path;
        bool skip;
        bool refuse;
        bool fetchAnyway;
        QString down;
        Kind kind;
        QString reason;
        Found found;
    };
    const std::vector<Row> rows = {
        {"a new path is fetched, and the client told nothing is there",
         dir.filePath("new.jpg"),
         true,
         true,
         false,
         {},
         Kind::Fetch,
         {},
         Found::Nothing},
        {"without skip-existing the path is not looked at",
         dir.filePath("new.jpg"),
         false,
         true,
         false,
         {},
         Kind::Fetch,
         {},
         Found::Unknown},
        {"a file there is skipped",
         there,
         true,
         true,
         false,
         {},
         Kind::Skipped,
         {},
         Found::Unknown},
        {"unless the job is to be fetched anyway",
         there,
         true,
         true,
         true,
         {},
         Kind::Fetch,
         {},
         Found::Unknown},
        {"a folder there is the client's to refuse",
         dir.filePath("folder.jpg"),
         true,
         true,
         false,
         {},
         Kind::Fetch,
         {},
         Found::Unknown},
        {"a hidden path fails before anything else", dir.filePath(".hidden/a.jpg"), true, true,
         false, down, Kind::Refused,
         QStringLiteral("Refused: the path leads into the hidden \".hidden\""), Found::Unknown},
        {"unless the user agreed to such paths",
         dir.filePath(".hidden/a.jpg"),
         false,
         false,
         false,
         {},
         Kind::Fetch,
         {},
         Found::Unknown},
        {"a file there is skipped even when its address is down",
         there,
         true,
         true,
         false,
         down,
         Kind::Skipped,
         {},
         Found::Unknown},
        {"an address down leaves the job untried", dir.filePath("new.jpg"), true, true, false, down,
         Kind::Untried, down, Found::Nothing},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        JobScreen screen;
        screen.SetSkipExisting(row.skip);
        screen.SetRefuseHiddenPaths(row.refuse);
        const JobScreen::Verdict verdict = screen.Screen(row.path, row.fetchAnyway, row.down);
        EXPECT_EQ(verdict.kind, row.kind);
        EXPECT_EQ(verdict.reason, row.reason);
        EXPECT_EQ(verdict.found, row.found);
        EXPECT_EQ(verdict.size, row.kind == Kind::Skipped ? 5 : -1);
    }
}

} // namespace
