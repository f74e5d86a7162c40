// What a cut file may be resumed by, and what each reply to a resumed
// request makes of its part: the rules that keep a resumed file whole.
#include "http/part_file.h"
#include "http/resume_info.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

ReplyHead Reply(const char* head) {
    return ParseReplyHead(head, QDateTime::currentDateTimeUtc());
}

} // namespace

TEST(ResumeInfo, OnlyAStrongValidatorAndAKnownLengthMakeAPartResumable) {
    const struct {
        const char* name;
        const char* head;
        qint64 length; ///< -1: not resumable
        const char* validator;
    } cases[] = {
        {"StrongETag", "HTTP/1.1 200 OK\r\nContent-Length: 900\r\nETag: \"v1\"\r\n", 900, "\"v1\""},
        {"WeakETagEvenWithADate",
         "HTTP/1.1 200 OK\r\nContent-Length: 900\r\nETag: W/\"v1\"\r\n"
         "Last-Modified: Sun, 06 Nov 1994 08:49:37 GMT\r\nDate: Mon, 07 Nov 1994 08:49:37 GMT\r\n",
         -1, ""},
        {"ADateASecondBeforeTheReply",
         "HTTP/1.1 200 OK\r\nContent-Length: 900\r\nLast-Modified: Sun, 06 Nov 1994 08:49:36 "
         "GMT\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n",
         900, "Sun, 06 Nov 1994 08:49:36 GMT"},
        {"ADateOfTheSameSecondIsWeak",
         "HTTP/1.1 200 OK\r\nContent-Length: 900\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 "
         "GMT\r\nDate: Sun, 06 Nov 1994 08:49:37 GMT\r\n",
         -1, ""},
        {"ADateWithoutTheReplysDate",
         "HTTP/1.1 200 OK\r\nContent-Length: 900\r\nLast-Modified: Sun, 06 Nov 1994 08:49:37 "
         "GMT\r\n",
         -1, ""},
        {"ChunkedHasNoLength", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nETag: \"v1\"\r\n",
         -1, ""},
        {"APartNotFromTheStartIsNoneToResume",
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 100-899/900\r\nETag: \"v1\"\r\n", -1,
         ""},
        {"APartialReplyGivesTheWholeLength",
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-899/900\r\nContent-Length: "
         "900\r\nETag: \"v1\"\r\n",
         900, "\"v1\""},
        {"AnErrorPage", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nETag: \"v1\"\r\n", -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto info = ResumeInfo::Of("http://h/a.bin", Reply(c.head));
        ASSERT_EQ(info.has_value(), c.length >= 0);
        if (!info)
            continue;
        EXPECT_EQ(info->length, c.length);
        EXPECT_EQ(info->Validator(), c.validator);
        EXPECT_EQ(ResumeInfo::FromText(info->ToText()).value().ToText(), info->ToText());
    }
}

TEST(ResumeInfo, EachReplyToAResumedRequestDecidesThePartsFate) {
    using Step = ResumeVerdict::Step;
    ResumeInfo asked;
    asked.url = "http://h/a.bin";
    asked.length = 900;
    asked.etag = "\"v1\"";
    const struct {
        const char* name;
        qint64 offset;
        const char* head;
        Step step;
    } cases[] = {
        {"TheRest", 300, "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 300-899/900\r\n",
         Step::Append},
        {"TheRestWithTheSameTag", 300,
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 300-899/900\r\nETag: \"v1\"\r\n",
         Step::Append},
        // If-Range ignored: the rest of another file of the same length.
        {"TheRestOfAnotherFile", 300,
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 300-899/900\r\nETag: \"v2\"\r\n",
         Step::StartAgain},
        {"AnotherStart", 300, "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-899/900\r\n",
         Step::StartAgain},
        {"AnotherLength", 300,
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 300-999/1000\r\n", Step::StartAgain},
        {"NotToTheEnd", 300, "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 300-499/900\r\n",
         Step::StartAgain},
        {"NoContentRange", 300, "HTTP/1.1 206 Partial Content\r\nContent-Length: 600\r\n",
         Step::StartAgain},
        {"APartNobodyAskedFor", -1,
         "HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-899/900\r\n", Step::Refuse},
        {"TheFileChangedOrRangesAreIgnored", 300, "HTTP/1.1 200 OK\r\nContent-Length: 900\r\n",
         Step::Whole},
        {"AWholePart", 900, "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */900\r\n",
         Step::Complete},
        // A file shrunk to the part's length, If-Range ignored: not the same.
        {"A416ForAnotherLength", 900,
         "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */700\r\n", Step::StartAgain},
        {"A416WithoutItsLength", 900, "HTTP/1.1 416 Range Not Satisfiable\r\n", Step::StartAgain},
        {"AShortPartAndA416", 300,
         "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */500\r\n", Step::StartAgain},
        {"An416Unasked", -1, "HTTP/1.1 416 Range Not Satisfiable\r\n", Step::Whole},
        {"AnErrorStatus", 300, "HTTP/1.1 404 Not Found\r\n", Step::Whole},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ResumeVerdict verdict = JudgeResume(c.offset, asked, Reply(c.head));
        EXPECT_EQ(verdict.step, c.step);
        EXPECT_EQ(verdict.reason.isEmpty(), c.step != Step::Refuse);
    }
}

TEST(ResumeInfo, APartIsResumedOnlyWithItsOwnInfoForTheSameUrl) {
    QTemporaryDir dir;
    const QString target = dir.filePath("a.bin");
    ResumeInfo info;
    info.url = "http://h/a.bin";
    info.length = 10;
    info.etag = "\"v1\"";
    const auto part = [&](const QByteArray& bytes) {
        QFile file(PartFile::PartName(target));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    qint64 size = -1;
    EXPECT_FALSE(ResumeInfo::Load(target, info.url, size)) << "no info";
    ASSERT_TRUE(info.Save(target));
    EXPECT_FALSE(ResumeInfo::Load(target, info.url, size)) << "no part";
    ASSERT_TRUE(part("0123"));
    ASSERT_TRUE(ResumeInfo::Load(target, info.url, size));
    EXPECT_EQ(size, 4);
    EXPECT_FALSE(ResumeInfo::Load(target, "http://h/b.bin", size)) << "another URL";
    ASSERT_TRUE(part("0123456789AB"));
    EXPECT_FALSE(ResumeInfo::Load(target, info.url, size)) << "longer than the file";
    ASSERT_TRUE(part(""));
    EXPECT_FALSE(ResumeInfo::Load(target, info.url, size)) << "nothing to resume";
    QFile::remove(PartFile::PartName(target));
    ASSERT_TRUE(QFile::link(dir.filePath("elsewhere"), PartFile::PartName(target)));
    EXPECT_FALSE(ResumeInfo::Load(target, info.url, size)) << "a link in the part's place";

    EXPECT_FALSE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=x\nETag=\"v\"\n"
                                      "Last-Modified=\n"));
    EXPECT_FALSE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=9\nETag=\n"
                                      "Last-Modified=\n"));
    // What would go back into If-Range must read as a reply's validator.
    EXPECT_FALSE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=9\n"
                                      "ETag=\"v\r1\"\nLast-Modified=\n"));
    EXPECT_FALSE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=9\nETag=v1\n"
                                      "Last-Modified=\n"));
    EXPECT_FALSE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=9\nETag=\n"
                                      "Last-Modified=yesterday\n"));
    EXPECT_TRUE(ResumeInfo::FromText("Serifetch resume 1\nURL=http://h/a\nLength=9\nETag=\n"
                                     "Last-Modified=Sun, 06 Nov 1994 08:49:37 GMT\n"));
    ResumeInfo::Forget(target);
    EXPECT_FALSE(QFile::exists(ResumeInfo::InfoName(target)));
    EXPECT_FALSE(QFileInfo(PartFile::PartName(target)).isSymLink());
}
