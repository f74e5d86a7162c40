// The list edits behind the window's commands, and the split of a pasted file
// URL, without a window.
#include "app/file_url_split.h"
#include "app/list_edits.h"
#include "app/status_mark.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(FileUrlSplit, TakesTheLastNumberOfTheFileName) {
    struct Case {
        const char* url;
        std::optional<FileUrlParts> parts;
    };
    const Case cases[] = {
        {"http://host/dir/pic017.jpg", FileUrlParts{"http://host/dir/", "pic", 3, "017", ".jpg"}},
        {"  https://h:8080/a/b/x2y05 ", FileUrlParts{"https://h:8080/a/b/", "x2y", 2, "05", ""}},
        {"http://h/7.png", FileUrlParts{"http://h/", "", 1, "7", ".png"}},
        {"http://h/a/v1.2.tar", FileUrlParts{"http://h/a/", "v1.", 1, "2", ".tar"}},
        {"http://host/dir/", std::nullopt},         // a base URL already
        {"http://host", std::nullopt},              // no folder
        {"http://host/dir/name.jpg", std::nullopt}, // nothing to number
        {"http://h/d/p1.jpg?s=2", std::nullopt},    // a query is no name
        {"http://h/d/p1234567890.jpg", std::nullopt},
        {"pic017.jpg", std::nullopt},
        {"/tmp/pic017.jpg", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitFileUrl(QString::fromUtf8(c.url)), c.parts) << c.url;
}

std::vector<Job> Marked(const QStringList& marks) {
    std::vector<Job> jobs;
    for (int i = 0; i < marks.size(); ++i)
        jobs.push_back({marks[i], QStringLiteral("http://h/%1").arg(i),
                        QStringLiteral("/d/%1").arg(i), marks[i].isEmpty() ? "" : "why"});
    return jobs;
}

QStringList Marks(const JobGrid& grid) {
    QStringList marks;
    for (const Job& job : grid.Jobs())
        marks << job.status + (job.reason.isEmpty() ? "" : "!");
    return marks;
}

TEST(ListEdits, RetryClearsMarksAndReasons) {
    const QStringList start{"○", "▼", "×", "▲", "", "▽"};
    struct Case {
        const char* name;
        std::function<int(JobGrid&)> edit;
        int cleared;
        QStringList after;
    };
    const Case cases[] = {
        {"selected rows",
         [](JobGrid& g) { return ListEdits::ClearMarks(g, 1, 2); },
         2,
         {"", "", "×!", "▲!", "", "▽!"}},
        {"clipped to the jobs",
         [](JobGrid& g) { return ListEdits::ClearMarks(g, 5, 99); },
         1,
         {"○!", "▼!", "×!", "▲!", "", ""}},
        {"all failed",
         [](JobGrid& g) { return ListEdits::ClearFailedMarks(g); },
         2,
         {"○!", "", "", "▲!", "", "▽!"}},
    };
    for (const Case& c : cases) {
        JobGrid grid;
        grid.Append(Marked(start));
        EXPECT_EQ(c.edit(grid), c.cleared) << c.name;
        EXPECT_EQ(Marks(grid), c.after) << c.name;
    }
}

TEST(ListEdits, FailureCountAndMissingFolders) {
    JobGrid grid;
    EXPECT_EQ(ListEdits::FailureCount(grid), "");
    grid.Append(Marked({"▼", "×", "▼", "○"}));
    EXPECT_EQ(ListEdits::FailureCount(grid), "2 ▼, 1 ×");

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString there = dir.path() + "/";
    const QString gone = dir.path() + "/gone/";
    grid.Clear();
    grid.Append({{"", "u", there + "a"},
                 {"", "u", gone + "a"},
                 {"×", "u", gone + "b"},
                 {"○", "u", dir.path() + "/done/a"}, // not fetched: its folder does not matter
                 {"", "u", dir.path() + "/also/a"}});
    EXPECT_EQ(ListEdits::MissingFolders(grid), (QStringList{gone, dir.path() + "/also/"}));
}

TEST(ListEdits, FolderOfAPathKeepsItsSeparator) {
    struct Row {
        const char* path;
        const char* folder;
    };
    for (const Row& row : {Row{"/d/e/a.jpg", "/d/e/"},
                           {"a.jpg", ""},
                           {"/a.jpg", "/"},
                           {"C:a.jpg", "C:"},
                           {"d\\a.jpg", "d\\"},
                           {"/d/e/", "/d/e/"}})
        EXPECT_EQ(ListEdits::FolderOf(row.path), row.folder) << row.path;
}

TEST(ListEdits, CreateFoldersStopsAtTheFirstThatCannotBeMade) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath("file"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString made = dir.filePath("a/b/");
    const QString blocked = dir.filePath("file/c/");
    const QString after = dir.filePath("after/");
    EXPECT_EQ(ListEdits::CreateFolders({}), "");
    EXPECT_EQ(ListEdits::CreateFolders({made}), "");
    EXPECT_TRUE(QFileInfo(made).isDir());
    const QString problem = ListEdits::CreateFolders({blocked, after});
    EXPECT_TRUE(problem.contains(blocked)) << problem.toStdString();
    EXPECT_FALSE(QFileInfo::exists(after));
}

TEST(ListEdits, UrlsOfRowsAndTheClearQuestion) {
    struct Row {
        const char* name;
        QStringList marks;
        int top, bottom;
        QStringList urls;
        QString asks; // what the Clear question counts, or empty
    };
    const Row rows[] = {
        {"empty list", {}, 1, 1, {}, ""},
        {"all done", {"○", "▲"}, 1, 2, {"http://h/0", "http://h/1"}, ""},
        {"open jobs", {"○", "▼", "", "×", "▽"}, 2, 3, {"http://h/1", "http://h/2"}, "4 job(s)"},
        {"past the last job", {"", "○"}, 2, 9, {"http://h/1"}, "1 job(s)"},
        {"the empty row", {"○"}, 2, 2, {}, ""},
    };
    for (const Row& row : rows) {
        JobGrid grid;
        grid.Append(Marked(row.marks));
        EXPECT_EQ(ListEdits::Urls(grid, row.top, row.bottom), row.urls) << row.name;
        const QString question = ListEdits::ClearQuestion(grid);
        if (row.asks.isEmpty())
            EXPECT_EQ(question, "") << row.name;
        else
            EXPECT_TRUE(question.startsWith("The list holds " + row.asks)) << row.name;
    }
}

TEST(ListEdits, SummaryCountsTheWholeListAndItsFailuresByCause) {
    struct Row {
        std::vector<Job> jobs;
        QString summary;
    };
    const auto job = [](const QString& mark, const QString& reason = {}) {
        return Job{mark, "u", "p", reason};
    };
    const std::vector<Row> rows = {
        {{}, ""},
        {{job("○"), job("○"), job("▲")}, "2 ○ · 1 ▲"},
        {{job("○"), job("▼", "HTTP/1.1 404 Not Found"), job("▼", "HTTP/1.0 404 Not Found")},
         "1 ○ · 2 ▼ (404 Not Found: 2)"},
        {{job("▼", "HTTP/1.1 403 Forbidden"), job("×", "Connection refused by h:80 after 3 tries"),
          job("", "not tried: h:80 refused 3 connections"), job(""),
          job("▼", "HTTP/1.1 404 Not Found"), job("▼", "HTTP/1.1 404 Not Found")},
         "3 ▼ · 1 × (404 Not Found: 2, 403 Forbidden: 1, Connection refused by h:80: 1) · 2 not "
         "tried"},
        {{job("▼", "a"), job("▼", "b"), job("▼", "c"), job("▼", "d"), job("odd")},
         "4 ▼ (a: 1, b: 1, c: 1, …) · 1 odd"},
    };
    for (const Row& row : rows) {
        JobGrid grid;
        grid.Append(JobList(row.jobs));
        EXPECT_EQ(ListEdits::Summary(grid), row.summary);
    }
}

TEST(ListEdits, PathsAlreadyTakenAreCountedAcrossTheListAndTheNewJobs) {
    const auto jobs = [](const QStringList& paths) {
        JobList list;
        for (const QString& path : paths)
            list.push_back(Job{"", "u", path});
        return list;
    };
    struct Row {
        QStringList listed, added;
        qint64 count;
        QString first;
    };
    for (const Row& row : {
             Row{{}, {"/d/a", "/d/b"}, 0, ""},
             {{"/d/a", "/d/b"}, {"/d/c", "/d/b", "/d/a"}, 2, "/d/b"},
             {{}, {"/d/a", "/d/b", "/d/a"}, 1, "/d/a"},
             {{"/d/A"}, {"/d/a"}, 0, ""}, // names differ in case: two files here
         }) {
        const ListEdits::TakenPaths taken =
            ListEdits::PathsTaken(jobs(row.listed), jobs(row.added));
        EXPECT_EQ(taken.count, row.count) << row.added.join(',').toStdString();
        EXPECT_EQ(taken.first, row.first);
        EXPECT_EQ(ListEdits::PathsTakenWarning(taken).isEmpty(), row.count == 0);
    }
}

TEST(ListUndo, RestoresTheKeptListOnce) {
    JobGrid grid;
    ListUndo undo;
    EXPECT_FALSE(undo.Undo(grid));
    grid.Append(Marked({"○", "▼"}));
    undo.Keep(grid);
    grid.DeleteRows(1, 1);
    ASSERT_TRUE(undo.Undo(grid));
    EXPECT_EQ(Marks(grid), (QStringList{"○!", "▼!"}));
    EXPECT_FALSE(undo.Undo(grid)); // one step only
    undo.Keep(grid);
    undo.Drop();
    grid.Clear();
    EXPECT_FALSE(undo.Undo(grid));
    EXPECT_EQ(grid.JobCount(), 0);
}

} // namespace

// Deleting jobs removes what their cut transfers left to be resumed, but
// never the part of a job a run holds or of a job that stays on the list.
TEST(ListEdits, ForgetPartsOfTheJobsThatGoOnly) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(name); };
    const auto leave = [&](const char* name) {
        QFile part(path(name) + ".part");
        QFile info(path(name) + ".part.resume");
        return part.open(QIODevice::WriteOnly) && part.write("abc") == 3 &&
               info.open(QIODevice::WriteOnly);
    };
    for (const char* name : {"cut", "held", "twice", "done"})
        ASSERT_TRUE(leave(name));
    const JobList jobs({{"", "http://h/cut", path("cut")},
                        {"↓", "http://h/held", path("held")},
                        {"▼", "http://h/twice", path("twice")},
                        {StatusMark::Done, "http://h/done", path("done")},
                        {"", "http://h/twice-again", path("twice")}});
    // Rows 0..3 go; the job at 1 is held, the path at 2 stays with job 4.
    EXPECT_EQ(ListEdits::ForgetParts(jobs, 0, 3, [](size_t i) { return i == 1; }), 1);
    EXPECT_FALSE(QFile::exists(path("cut") + ".part"));
    EXPECT_FALSE(QFile::exists(path("cut") + ".part.resume"));
    EXPECT_TRUE(QFile::exists(path("held") + ".part"));
    EXPECT_TRUE(QFile::exists(path("twice") + ".part"));
    EXPECT_TRUE(QFile::exists(path("done") + ".part")) << "a done job's part is no leftover of it";
    // A held job guards its path's part against a job of the same path.
    ASSERT_TRUE(leave("cut"));
    const JobList same({{"↓", "http://h/a", path("cut")}, {"▼", "http://h/b", path("cut")}});
    EXPECT_EQ(ListEdits::ForgetParts(same, 0, 1, [](size_t i) { return i == 0; }), 0);
    EXPECT_TRUE(QFile::exists(path("cut") + ".part"));
    // Everything goes (Clear), nothing held.
    EXPECT_EQ(ListEdits::ForgetParts(jobs, 0, jobs.size() - 1), 3);
    EXPECT_FALSE(QFile::exists(path("cut") + ".part"));
    EXPECT_FALSE(QFile::exists(path("held") + ".part.resume"));
    EXPECT_FALSE(QFile::exists(path("twice") + ".part"));
}
