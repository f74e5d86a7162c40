// One look of the small-result check at a job's file, and what it makes of
// the lane's cycle.
#include "app/result_check.h"
#include "tests/support/test_env.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

using M = JobList::Mark;
using Next = ResultCheck::Step::Next;

TEST(ResultCheck, EachLookJudgesTheFileAJobClaimsAndCountsTheCycle) {
    struct Row {
        const char* rule;
        M mark;
        QByteArray file; ///< "-": no file at all
        ResultCheck::Cycle before;
        QString reason; ///< the job's own reason
        Next next;
        QString small; ///< a cycle opened with this reason
        bool removed;
        int retryCount;
        bool retryActive;
        QString givenUp = {};
    };
    const ResultCheck::Cycle none;
    const ResultCheck::Cycle open{3, true, false};
    const ResultCheck::Cycle last{10, true, false};
    const ResultCheck::Cycle skipped{0, true, true};
    const std::vector<Row> rows = {
        {"a whole file is a result",
         M::Done,
         "2 KB of data",
         open,
         {},
         Next::Fine,
         {},
         false,
         3,
         false},
        {"an empty file opens a cycle and goes",
         M::Done,
         "",
         none,
         {},
         Next::LookAgain,
         "The saved file is empty",
         true,
         1,
         true},
        {"no file opens a cycle too",
         M::Done,
         "-",
         none,
         {},
         Next::LookAgain,
         "No file was saved",
         false,
         1,
         true},
        {"a web page under a picture's name is no result",
         M::Done,
         "<!DOCTYPE html><html><body>not found</body></html>",
         none,
         {},
         Next::LookAgain,
         "HTML page instead of an image",
         true,
         1,
         true},
        {"the cycle's later looks count on",
         M::Small,
         "",
         open,
         "The saved file is empty",
         Next::LookAgain,
         {},
         true,
         4,
         true},
        {"the eleventh look gives up with the first look's reason",
         M::Small,
         "-",
         last,
         "The saved file is empty",
         Next::GiveUp,
         {},
         false,
         0,
         true,
         "The saved file is empty (given up after 10 checks)"},
        {"a failed job is not judged by its file",
         M::Failed,
         "",
         open,
         "HTTP/1.0 404 Not Found",
         Next::Fine,
         {},
         false,
         3,
         false},
        {"a file found whole after a skip ends the skip, not the cycle",
         M::Skipped,
         "present",
         skipped,
         {},
         Next::Fine,
         {},
         false,
         0,
         true},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    int n = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        const QString path = dir.filePath(QStringLiteral("pic%1.jpg").arg(++n));
        if (row.file != "-") {
            // "2 KB of data" stands for a file of 2 KB.
            const QByteArray body = row.file == "2 KB of data" ? QByteArray(2048, 'x') : row.file;
            ASSERT_TRUE(testenv::writeFile(path, body));
        }
        ResultCheck check;
        ResultCheck::Cycle cycle = row.before;
        const ResultCheck::Step step = check.Check(cycle, n, path, row.mark, row.reason);
        EXPECT_EQ(step.next, row.next);
        EXPECT_EQ(step.small, row.small);
        EXPECT_EQ(step.remove, row.removed);
        EXPECT_EQ(step.reason, row.givenUp);
        EXPECT_EQ(cycle.retryCount, row.retryCount);
        EXPECT_EQ(cycle.retryActive, row.retryActive);
    }
}

TEST(ResultCheck, ASizeTheRunKnowsIsTrustedOnceThenTheFileIsLookedAt) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.jpg");
    ASSERT_TRUE(testenv::writeFile(path, "tiny"));
    ResultCheck check;
    check.SetLimitKB(1);
    check.Know(7, 5000); // what the transfer said it saved
    EXPECT_FALSE(check.Examine(7, path, true, {}).small);
    const ResultCheck::Verdict again = check.Examine(7, path, true, {});
    EXPECT_TRUE(again.small);
    EXPECT_EQ(again.reason, "Too small: 4 bytes, the limit is 1 KB");
    check.SetOn(false);
    check.Know(7, 5000); // with the check off nothing is kept
    EXPECT_TRUE(check.Examine(7, path, true, {}).small);
}

} // namespace
