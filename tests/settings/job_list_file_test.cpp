#include "platform/profile_file.h"
#include "settings/job_list_file.h"
#include "settings/job_list_journal.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace {

using testenv::readFile;
using testenv::writeFile;

std::vector<Job> makeJobs(int count, const QString& tag = "j") {
    std::vector<Job> jobs;
    for (int i = 1; i <= count; ++i)
        jobs.push_back({"", QStringLiteral("http://s/%1%2.jpg").arg(tag).arg(i),
                        QStringLiteral("/d/%1%2.jpg").arg(tag).arg(i)});
    return jobs;
}

class JobListFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString data = dir.filePath("SeriData.txt");
};

TEST_F(JobListFileTest, ThreeJobsAreSavedRowByRowWithATerminatorAndLoadBack) {
    const std::vector<Job> jobs{
        {"○", "http://s/1", "/d/1"}, {"", "http://s/2", "/d/2"}, {"×", "http://s/3", "/d/3"}};
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_EQ(readFile(data),
              QString::fromUtf8("[Data0000]\r\n"
                                "Status0001=○\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n"
                                "Status0002=\r\nURL0002=http://s/2\r\nPath0002=/d/2\r\n"
                                "Status0003=×\r\nURL0003=http://s/3\r\nPath0003=/d/3\r\n"
                                "Status0004=\r\nURL0004=\r\nPath0004=\r\n")
                  .toUtf8());
    const JobListFile::LoadResult r = JobListFile::load(data);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.jobs, jobs);
}

TEST_F(JobListFileTest, MissingFileLoadsEmptyAndEmptyListAndTrailingRowSaveAnEmptyRow) {
    const JobListFile::LoadResult missing = JobListFile::load(data);
    EXPECT_TRUE(missing.jobs.empty());
    EXPECT_EQ(missing.error, "");

    ASSERT_EQ(JobListFile::save(data, {}), "");
    EXPECT_EQ(readFile(data), "[Data0000]\r\nStatus0001=\r\nURL0001=\r\nPath0001=\r\n"
                              "Status0002=\r\nURL0002=\r\nPath0002=\r\n");
    EXPECT_TRUE(JobListFile::load(data).jobs.empty());

    ASSERT_EQ(JobListFile::save(data, makeJobs(2), JobListFile::TrailingRow::Present), "");
    const ProfileFile file(data);
    EXPECT_EQ(file.read("Data0000", "URL0003", "missing"), "");
    EXPECT_EQ(file.read("Data0000", "URL0004", "missing"), "");
    EXPECT_EQ(JobListFile::load(data).jobs, makeJobs(2));
}

TEST_F(JobListFileTest, RowsAreGroupedByHundredsAndKeysGrowPastFourDigits) {
    const std::vector<Job> jobs = makeJobs(10000);
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    const ProfileFile file(data);
    EXPECT_EQ(file.read("Data0000", "URL0099", ""), jobs[98].url);
    EXPECT_EQ(file.read("Data0000", "URL0100", "missing"), "missing");
    EXPECT_EQ(file.read("Data0100", "Status0100", "missing"), "");
    EXPECT_EQ(file.read("Data0100", "Path0150", ""), jobs[149].path);
    EXPECT_EQ(file.read("Data9900", "URL9999", ""), jobs[9998].url);
    EXPECT_EQ(file.read("Data10000", "URL10000", ""), jobs[9999].url);
    EXPECT_EQ(file.read("Data10000", "URL10001", "missing"), "");
    const QByteArray bytes = readFile(data);
    EXPECT_LT(bytes.indexOf("[Data0000]"), bytes.indexOf("[Data0100]"));
    EXPECT_LT(bytes.indexOf("Status0150="), bytes.indexOf("URL0150="));
    EXPECT_LT(bytes.indexOf("URL0150="), bytes.indexOf("Path0150="));
    EXPECT_EQ(JobListFile::load(data).jobs, jobs);
}

TEST_F(JobListFileTest, AShorterListLeavesTheOlderRowsUnreadAfterItsTerminator) {
    ASSERT_EQ(JobListFile::save(data, makeJobs(10, "old")), "");
    const std::vector<Job> jobs = makeJobs(3, "new");
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    const ProfileFile file(data);
    EXPECT_EQ(file.read("Data0000", "URL0004", "missing"), "");
    EXPECT_EQ(file.read("Data0000", "URL0005", ""), "http://s/old5.jpg");
    EXPECT_EQ(file.read("Data0000", "URL0010", ""), "http://s/old10.jpg");
    const JobListFile::LoadResult r = JobListFile::load(data);
    EXPECT_EQ(r.jobs, jobs);
    EXPECT_EQ(r.unloadedJobs, 0) << "rows after a written end are no loss";
}

TEST_F(JobListFileTest, AHandEmptiedUrlEndsTheListInAnLfFile) {
    writeFile(data, "\xEF\xBB\xBF[data0000]\nstatus0001=\xE2\x96\xBC\nURL0001 = http://s/1\n"
                    "URL0002=http://s/2\nURL0003=http://s/3\nURL0004=\nURL0005=http://s/5\n");
    const JobListFile::LoadResult r = JobListFile::load(data);
    ASSERT_EQ(r.jobs.size(), 3u);
    EXPECT_EQ(r.jobs[0], (Job{QString::fromUtf8("▼"), "http://s/1", ""}));
    // Row 4 is no end the program wrote: the job after it is counted and told.
    EXPECT_EQ(r.gapRow, 4);
    EXPECT_EQ(r.unloadedJobs, 1);
    EXPECT_TRUE(r.unloadedWarning().contains("row 4")) << r.unloadedWarning().toStdString();

    // The same with row 40 of a saved list of 60 taken out by hand.
    ASSERT_EQ(JobListFile::save(data, makeJobs(60)), "");
    QByteArray bytes = readFile(data);
    bytes.replace("URL0040=http://s/j40.jpg\r\n", "");
    writeFile(data, bytes);
    const JobListFile::LoadResult cut = JobListFile::load(data);
    EXPECT_EQ(cut.jobs.size(), 39u);
    EXPECT_EQ(cut.gapRow, 40);
    EXPECT_EQ(cut.unloadedJobs, 20);
}

TEST_F(JobListFileTest, EveryMarkAndEveryFailuresReasonRoundTrips) {
    std::vector<Job> jobs;
    for (const char* mark : {"○", "↓", "▲", "▽", "▼", "×", ""})
        jobs.push_back({QString::fromUtf8(mark), "http://s/a", QString::fromUtf8("/d/画像.jpg")});
    jobs[4].reason = "HTTP/1.0 404 Not Found";
    jobs[5].reason = QString::fromUtf8("Connection closed after 5 of 9 bytes");
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_TRUE(readFile(data).contains("Reason0005=HTTP/1.0 404 Not Found\r\n"));
    EXPECT_EQ(readFile(data).count("Reason"), 2) << "only failed rows carry a reason";
    EXPECT_EQ(JobListFile::load(data).jobs, jobs);

    // Fetched again, the row's old reason is emptied, not left to be read.
    jobs[4] = {QString::fromUtf8("○"), "http://s/a", "/d/a"};
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_TRUE(readFile(data).contains("Reason0005=\r\n"));
    EXPECT_EQ(JobListFile::load(data).jobs, jobs);
}

TEST_F(JobListFileTest, AFailedSaveIsReportedAndLeavesTheOldFileWhole) {
    ASSERT_EQ(JobListFile::save(data, makeJobs(5)), "");
    const QByteArray old = readFile(data);
    {
        FileSizeLimit full(old.size() + 100);
        EXPECT_FALSE(JobListFile::save(data, makeJobs(50)).isEmpty());
    }
    EXPECT_EQ(readFile(data), old);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"SeriData.txt"});
}

} // namespace

namespace {

// One journal case: what a run (or a crash, or an older program) left beside
// a saved list of five jobs, and the marks and reasons the next load gives.
struct JournalCase {
    const char* name;
    std::vector<std::tuple<qint64, const char*, const char*>> appended;
    QByteArray rawTail; // bytes written after the appended lines
    bool rewrittenSince = false;
    std::vector<std::pair<const char*, const char*>> loaded; // mark, reason per job
    qint64 applied = 0;
};

const std::vector<JournalCase> kJournalCases = {
    {"AnInterruptedRunsMarksApplyInOrder",
     {{2, "○", ""}, {4, "▼", "HTTP/1.0 404 Not Found"}, {2, "×", "timed out"}},
     {},
     false,
     {{"", ""}, {"×", "timed out"}, {"", ""}, {"▼", "HTTP/1.0 404 Not Found"}, {"", ""}},
     3},
    {"ATornLastLineIsPassedOver",
     {{3, "○", ""}},
     "5\t\xE2\x96\xBC\tHTTP/1.",
     false,
     {{"", ""}, {"", ""}, {"○", ""}, {"", ""}, {"", ""}},
     1},
    {"AnUnreadableLineEndsTheJournal",
     {{3, "○", ""}},
     "x\t\xE2\x97\x8B\t\n4\t\xE2\x97\x8B\t\n",
     false,
     {{"", ""}, {"", ""}, {"○", ""}, {"", ""}, {"", ""}},
     1},
    {"ARowPastTheListIsPassedOver",
     {{9, "○", ""}, {1, "▲", ""}},
     {},
     false,
     {{"▲", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
     1},
    {"LineBreaksInAReasonBecomeBlanks",
     {{1, "▼", "a\tb\nc"}},
     {},
     false,
     {{"▼", "a b c"}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
     1},
    {"AListRewrittenSinceIgnoresTheJournal",
     {{1, "○", ""}},
     {},
     true,
     {{"", ""}, {"", ""}, {"", ""}, {"", ""}, {"", ""}},
     0},
};

class JobListJournalTest : public JobListFileTest,
                           public ::testing::WithParamInterface<JournalCase> {};

TEST_P(JobListJournalTest, TheNextLoadAppliesWhatTheJournalHolds) {
    const JournalCase& c = GetParam();
    ASSERT_EQ(JobListFile::save(data, makeJobs(5)), "");
    {
        JobListJournal journal(data);
        ASSERT_EQ(journal.open(), "");
        // The first change by itself, the others in one write, as a run
        // with several jobs at once appends them.
        std::vector<JobListJournal::Change> changes;
        for (size_t i = 0; i < c.appended.size(); ++i) {
            const auto& [row, mark, reason] = c.appended[i];
            changes.push_back({row, QString::fromUtf8(mark), QString::fromUtf8(reason)});
            if (i == 0 || i + 1 == c.appended.size()) {
                ASSERT_EQ(journal.append(changes), "");
                changes.clear();
            }
        }
        ASSERT_EQ(journal.sync(), "");
    }
    QFile tail(JobListJournal::pathFor(data));
    ASSERT_TRUE(tail.open(QIODevice::Append));
    tail.write(c.rawTail);
    tail.close();
    // As a program that knows no journal saves: a new file, the journal left.
    if (c.rewrittenSince) {
        ASSERT_EQ(ProfileFile::fromBytes(data, readFile(data)).save(), "");
    }

    const JobListFile::LoadResult r = JobListFile::load(data);
    ASSERT_EQ(r.jobs.size(), c.loaded.size());
    for (size_t i = 0; i < c.loaded.size(); ++i) {
        EXPECT_EQ(r.jobs[i].status, QString::fromUtf8(c.loaded[i].first)) << "job " << i + 1;
        EXPECT_EQ(r.jobs[i].reason, QString::fromUtf8(c.loaded[i].second)) << "job " << i + 1;
        EXPECT_EQ(r.jobs[i].url, makeJobs(5)[i].url);
    }
    EXPECT_EQ(r.journalledMarks, c.applied);

    // Continued by the next run, the journal keeps what it held (less a torn
    // line); a save then folds it into the file and removes it.
    JobListJournal next(data);
    ASSERT_EQ(next.open(), "");
    ASSERT_EQ(next.append({{5, QString::fromUtf8("○"), {}}}), "");
    JobList jobs = makeJobs(5);
    EXPECT_EQ(JobListJournal::apply(data, jobs), c.rewrittenSince ? 1 : c.applied + 1);
    EXPECT_EQ(jobs[4].status, QString::fromUtf8("○"));
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_FALSE(QFile::exists(JobListJournal::pathFor(data)));
    EXPECT_FALSE(next.isCurrent());
    EXPECT_EQ(JobListFile::load(data).jobs, jobs);
}

INSTANTIATE_TEST_SUITE_P(Cases, JobListJournalTest, ::testing::ValuesIn(kJournalCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// Rows from..to as save() writes them (a section's header before its first
// row), with a written end after them when `end` says so.
QByteArray writtenRows(int from, int to, bool end = false) {
    QByteArray bytes;
    for (int row = from; row <= to + (end ? 1 : 0); ++row) {
        const QByteArray n = QByteArray::number(row).rightJustified(4, '0');
        if (row == 1 || row % 100 == 0)
            bytes += "[" + JobListFile::sectionName(row).toLatin1() + "]\r\n";
        const QByteArray url = row > to ? "" : "http://s/" + QByteArray::number(row);
        const QByteArray path = row > to ? "" : "/d/" + QByteArray::number(row);
        bytes += "Status" + n + "=\r\nURL" + n + "=" + url + "\r\nPath" + n + "=" + path + "\r\n";
    }
    return bytes;
}

std::vector<Job> rowJobs(int from, int to) {
    std::vector<Job> jobs;
    for (int row = from; row <= to; ++row)
        jobs.push_back(
            {"", QStringLiteral("http://s/%1").arg(row), QStringLiteral("/d/%1").arg(row)});
    return jobs;
}

// A file as a hand, an editor or the old program may have left it. The list
// reads from it as `loaded` says; a save over it writes the bytes the
// profile rules give, key by key, over the whole file (the oracle below),
// and the saved list loads back as it was.
struct FoundFileCase {
    const char* name;
    QByteArray before;
    std::vector<Job> loaded;
    qint64 unloaded = 0;
    /// The validators the loaded jobs have, by URL.
    std::vector<std::pair<QByteArray, JobList::Validators>> checks = {};
};

const std::vector<FoundFileCase> kFoundFiles = {
    {"AReasonAddedAfterTheLastRowOfItsSection",
     "[Data0000]\r\nStatus0001=\xE2\x96\xBC\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n"
     "Status0002=\r\nURL0002=\r\nPath0002=\r\nReason0001=HTTP/1.0 404 Not Found\r\n",
     {{"\xE2\x96\xBC", "http://s/1", "/d/1", "HTTP/1.0 404 Not Found"}}},
    {"ASectionOfLaterRowsBeforeTheFirst",
     "[Data0100]\r\nURL0100=http://s/old100\r\n[Data0000]\r\nStatus0001=\r\n"
     "URL0001=http://s/1\r\nPath0001=/d/1\r\nStatus0002=\r\nURL0002=\r\nPath0002=\r\n",
     {{"", "http://s/1", "/d/1"}}},
    {"TheFirstOfEqualSectionsAndKeysWins",
     "[Data0000]\r\nStatus0001=\xE2\x97\x8B\r\nURL0001=http://s/first\r\nPath0001=/d/1\r\n"
     "url0001=http://s/again\r\nStatus0002=\r\nURL0002=\r\nPath0002=\r\n"
     "[data0000]\r\nURL0002=http://s/second\r\n",
     {{"\xE2\x97\x8B", "http://s/first", "/d/1"}}},
    {"NamesInAnyCaseWithBlanksAMarkAndLfLineEnds",
     "\xEF\xBB\xBF[ data0000 ]\n status0001 = \xE2\x96\xB2 \nurl0001=  http://s/1 \n"
     "PATH0001=/d/1\n\xC5\xBFtatus0002=?\nURL0002=http://s/2\n",
     {{"\xE2\x96\xB2", "http://s/1", "/d/1"}, {"?", "http://s/2", ""}}},
    {"ForeignSectionsCommentsAndBlankLinesStay",
     "; kept\r\n[Other]\r\nkey=value\r\n[Data0000]\r\nnote without a key\r\nStatus0001=\r\n"
     "URL0001=http://s/1\r\nPath0001=/d/1\r\n\r\n\r\n[Tail]\r\nx=1",
     {{"", "http://s/1", "/d/1"}}},
    {"TheOldProgramsEncoding",
     "[Data0000]\r\nStatus0001=\r\nURL0001=http://s/1\r\nPath0001=/d/\x89\xE6.jpg\r\n"
     "Status0002=\r\nURL0002=\r\nPath0002=\r\n",
     {{"", "http://s/1", "/d/\xE7\x94\xBB.jpg"}}},
    {"AnEmptiedRowBeforeMoreJobs",
     "[Data0000]\r\nStatus0001=\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\nURL0002=\r\n"
     "URL0003=http://s/3\r\nURL0004=http://s/4\r\nStatus0005=\r\nURL0005=\r\nPath0005=\r\n",
     {{"", "http://s/1", "/d/1"}},
     2},
    {"ARowWithoutItsUrlCountsTheJobsOfTheSectionsAfterIt",
     writtenRows(1, 149) + "Status0150=\r\nPath0150=/d/150\r\n" + writtenRows(151, 250, true),
     rowJobs(1, 149), 100},
    {"ASectionMissingBetweenTwoEndsTheListBeforeIt",
     writtenRows(1, 99) + writtenRows(200, 230, true), rowJobs(1, 99)},
    {"SectionsOfRowsInAnyOrder",
     writtenRows(1, 99) + writtenRows(200, 210, true) + writtenRows(100, 199), rowJobs(1, 210)},
    {"HeadersWithoutABracketOrWithTextAfterItKeysOfOtherWidthsAndNoLastLineEnd",
     "URL0001=http://s/before\r\n[Data0000\r\nStatus001=\xE2\x97\x8B\r\nURL00001=http://s/w\r\n"
     "URL0001=http://s/1\r\nPath0001=/d/1\r\n[ Data0100 ] rows 100 on\r\nURL0002=http://s/no\r",
     {{"", "http://s/1", "/d/1"}}},
    {"AnEmptyFile", "", {}},
    {"ValidatorsWithTheirRowsUrl",
     "[Data0000]\r\nStatus0001=\xE2\x97\x8B\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n"
     "Check0001=http://s/1\t\"a1\"\tSun, 06 Nov 1994 08:49:37 GMT\r\n"
     "Status0002=\xE2\x96\xB2\r\nURL0002=http://s/2\r\nPath0002=/d/2\r\n"
     "check0002 = http://s/2\t\tSun, 06 Nov 1994 08:49:37 GMT \r\n"
     "Status0003=\r\nURL0003=http://s/3\r\nPath0003=/d/3\r\nCheck0003=http://s/3\t\"c\"\t\r\n",
     {{"\xE2\x97\x8B", "http://s/1", "/d/1"},
      {"\xE2\x96\xB2", "http://s/2", "/d/2"},
      {"", "http://s/3", "/d/3"}},
     0,
     {{"http://s/1", {"\"a1\"", "Sun, 06 Nov 1994 08:49:37 GMT"}},
      {"http://s/2", {"", "Sun, 06 Nov 1994 08:49:37 GMT"}},
      {"http://s/3", {"\"c\"", ""}}}},
    // A key a deleted row left behind, or one edited by hand, describes
    // another file: it is not this row's.
    {"ValidatorsOfAnotherUrlOrWithoutOneAreIgnored",
     "[Data0000]\r\nStatus0001=\xE2\x97\x8B\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n"
     "Check0001=http://s/old\t\"a1\"\tSun, 06 Nov 1994 08:49:37 GMT\r\n"
     "Status0002=\r\nURL0002=http://s/2\r\nPath0002=/d/2\r\nCheck0002=\"b\"\r\n"
     "Status0003=\r\nURL0003=\r\nPath0003=\r\n",
     {{"\xE2\x97\x8B", "http://s/1", "/d/1"}, {"", "http://s/2", "/d/2"}}},
};

// The list saved over the found files: two sections, a reason, a mark no
// run sets, a path of its own beside a URL, Japanese text.
JobList savedList() {
    JobList jobs;
    for (int i = 1; i <= 130; ++i)
        jobs.push_back(
            {"", QStringLiteral("http://s/n%1.jpg").arg(i), QStringLiteral("/d/n%1.jpg").arg(i)});
    jobs.setStatus(1, QString::fromUtf8("\xE2\x96\xBC"));
    jobs.setReason(1, "HTTP/1.0 404 Not Found");
    jobs.setStatus(2, "?");
    jobs.setStatus(3, QString::fromUtf8("\xC3\x97"));
    jobs.setReason(3, "timed out after 60 s");
    jobs.push_back({"", "http://s/q?a=1", QString::fromUtf8("/d/\xE7\x94\xBB\xE5\x83\x8F.jpg")});
    jobs.setValidators("http://s/n1.jpg", {"\"e1\"", "Sun, 06 Nov 1994 08:49:37 GMT"});
    jobs.setValidators("http://s/q?a=1", {"W/\"q\"", ""});
    // Of no job of the list: never written.
    jobs.setValidators("http://s/gone.jpg", {"\"g\"", ""});
    return jobs;
}

// What a save gives by the profile rules applied key by key to the whole
// file in memory.
QByteArray savedByProfileRules(const QString& path, const JobList& jobs) {
    ProfileFile file(path);
    const auto n = qint64(jobs.size());
    for (qint64 row = 1; row <= n + 1; ++row) {
        const QString section = JobListFile::sectionName(row);
        const QString number = QStringLiteral("%1").arg(row, 4, 10, QChar('0'));
        const Job job = row <= n ? jobs[size_t(row - 1)] : Job{};
        file.write(section, "Status" + number, job.status);
        file.write(section, "URL" + number, job.url);
        file.write(section, "Path" + number, job.path);
        if (!job.reason.isEmpty() || file.read(section, "Reason" + number, "\n") != "\n")
            file.write(section, "Reason" + number, job.reason);
        const JobList::Validators v =
            row <= n ? jobs.validators(size_t(row - 1)) : JobList::Validators{};
        const QString check = v.empty() ? QString()
                                        : job.url + '\t' + QString::fromLatin1(v.etag) + '\t' +
                                              QString::fromLatin1(v.lastModified);
        if (!check.isEmpty() || file.read(section, "Check" + number, "\n") != "\n")
            file.write(section, "Check" + number, check);
    }
    return file.toBytes();
}

class FoundFileTest : public JobListFileTest,
                      public ::testing::WithParamInterface<FoundFileCase> {};

TEST_P(FoundFileTest, LoadsAsTheProfileRulesReadItAndSavesAsTheyWrite) {
    const FoundFileCase& c = GetParam();
    ASSERT_TRUE(writeFile(data, c.before));
    const JobListFile::LoadResult found = JobListFile::load(data);
    EXPECT_EQ(found.error, "");
    JobList loaded = c.loaded;
    for (const auto& [url, v] : c.checks)
        loaded.setValidators(url, v);
    EXPECT_EQ(found.jobs, loaded);
    EXPECT_EQ(found.unloadedJobs, c.unloaded);

    const JobList jobs = savedList();
    const QByteArray expected = savedByProfileRules(data, jobs);
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_EQ(readFile(data), expected);
    EXPECT_EQ(JobListFile::load(data).jobs, jobs);
}

INSTANTIATE_TEST_SUITE_P(Cases, FoundFileTest, ::testing::ValuesIn(kFoundFiles),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace

namespace {

// A list that keeps series whose end is still to be found.
struct SeriesFileCase {
    const char* name;
    QByteArray before;
    std::vector<OpenSeries> loaded;
};

const SeriesFileCase kSeriesFiles[] = {
    {"NoSection", "[Data0000]\r\nStatus0001=\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n", {}},
    {"BeforeTheRowsInAnyCaseUpToAnEmptyPatternWithMissesKeptInRange",
     "[ openseries ]\r\npattern1=http://s/a_[001-].jpg\r\nFOLDER1=/d/\r\nMisses1=500\r\n"
     "Pattern2=http://s/b[1-]\r\nFolder2=/e/\r\nName2=#1.png\r\nMisses2=x\r\nPattern3=\r\n"
     "Pattern4=http://s/never[1-]\r\n[Other]\r\nk=v\r\n"
     "[Data0000]\r\nStatus0001=\r\nURL0001=http://s/1\r\nPath0001=/d/1\r\n",
     {{"http://s/a_[001-].jpg", "/d/", "", 100}, {"http://s/b[1-]", "/e/", "#1.png", 3}}},
    {"AfterTheRowsInTheOldProgramsEncoding",
     "[Data0000]\r\nStatus0001=\r\nURL0001=http://s/1\r\nPath0001=/d/\x89\xE6.jpg\r\n"
     "[OpenSeries]\r\nPattern1=http://s/c[1-]\r\nFolder1=/d/\r\nMisses1=5\r\n",
     {{"http://s/c[1-]", "/d/", "", 5}}},
};

class SeriesFileTest : public JobListFileTest,
                       public ::testing::WithParamInterface<SeriesFileCase> {};

TEST_P(SeriesFileTest, SeriesLoadAndAreWrittenAfterTheRowsOnceThenDropped) {
    const SeriesFileCase& c = GetParam();
    ASSERT_TRUE(writeFile(data, c.before));
    EXPECT_EQ(JobListFile::load(data).jobs.openSeries(), c.loaded);

    JobList jobs = makeJobs(2);
    jobs.addOpenSeries({"http://s/x_[01-].jpg", "/d/x/", "", 4});
    jobs.addOpenSeries({"http://s/ch[1-2]/p[001-]", "/d/", "c#1\r\np#2", 3});
    jobs.addOpenSeries({"http://s/x_[01-].jpg", "/d/x/", "", 4}); // once only
    ASSERT_EQ(jobs.openSeries().size(), 2U);
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    const JobListFile::LoadResult saved = JobListFile::load(data);
    EXPECT_EQ(saved.jobs.toVector(), makeJobs(2));
    const std::vector<OpenSeries> expected{{"http://s/x_[01-].jpg", "/d/x/", "", 4},
                                           {"http://s/ch[1-2]/p[001-]", "/d/", "c#1  p#2", 3}};
    EXPECT_EQ(saved.jobs.openSeries(), expected);
    const QByteArray bytes = readFile(data).toLower();
    EXPECT_EQ(bytes.count("openseries]"), 1) << bytes.constData();
    EXPECT_EQ(bytes.contains("[other]"), c.before.contains("[Other]"));

    // A list whose series are over keeps none.
    const std::vector<OpenSeries> held = jobs.openSeries();
    ASSERT_TRUE(jobs.removeOpenSeries(held[1]));
    EXPECT_FALSE(jobs.removeOpenSeries(held[1]));
    ASSERT_TRUE(jobs.removeOpenSeries(held[0]));
    ASSERT_EQ(JobListFile::save(data, jobs), "");
    EXPECT_TRUE(JobListFile::load(data).jobs.openSeries().empty());
    EXPECT_EQ(JobListFile::load(data).jobs.toVector(), makeJobs(2));
}

INSTANTIATE_TEST_SUITE_P(Cases, SeriesFileTest, ::testing::ValuesIn(kSeriesFiles),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(JobListSeriesTest, SeriesComeAlongWhenAListIsAppendedAndGoWithClear) {
    const OpenSeries a{"http://s/a[1-]", "/d/"};
    const OpenSeries b{"http://s/b[1-]", "/d/"};
    JobList empty;
    JobList listed = makeJobs(1);
    listed.addOpenSeries(a);
    empty.append(JobList(listed)); // taken over whole
    EXPECT_EQ(empty.openSeries(), std::vector{a});

    JobList more = makeJobs(1, "m");
    more.addOpenSeries(a);
    more.addOpenSeries(b);
    listed.append(std::move(more)); // row by row
    EXPECT_EQ(listed.openSeries(), (std::vector{a, b}));
    EXPECT_NE(listed, JobList(listed.toVector())) << "the series are part of the list";
    listed.clear();
    EXPECT_TRUE(listed.openSeries().empty());
}

} // namespace

namespace {

TEST(JobListValidatorsTest, FollowTheirUrlThroughAppendEraseAndClear) {
    const JobList::Validators v{"\"v\"", "Sun, 06 Nov 1994 08:49:37 GMT"};
    JobList listed = makeJobs(3);
    listed.setValidators("http://s/j3.jpg", v);
    listed.erase(0, 1); // the row moves up; its file is the same
    EXPECT_EQ(listed.validators(1), v);
    EXPECT_TRUE(listed.validators(0).empty());

    JobList empty;
    empty.append(JobList(listed)); // taken over whole
    EXPECT_EQ(empty.validators(1), v);
    JobList other = makeJobs(1, "o");
    other.append(listed); // row by row
    EXPECT_EQ(other.validators(2), v);
    EXPECT_NE(other, JobList(other.toVector())) << "the validators are part of the list";

    listed.erase(1, 2); // the job goes, and with it what named its file
    EXPECT_FALSE(listed.hasValidators());
    listed.push_back({"", "http://s/j3.jpg", "/elsewhere/j3.jpg"});
    EXPECT_TRUE(listed.validators(1).empty());
    other.setValidators("http://s/j3.jpg", {});
    EXPECT_FALSE(other.hasValidators());
    empty.clear();
    EXPECT_FALSE(empty.hasValidators());
}

} // namespace
