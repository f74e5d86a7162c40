// The pure pieces of reply parsing, without sockets.
#include "http/reply_framing.h"

#include <QTimeZone>
#include <gtest/gtest.h>

TEST(ReplyFraming, UnfoldedJoinsEachFoldedLineToItsFieldWithOneSpace) {
    const struct {
        const char* name;
        QByteArray lines;
        QByteArray unfolded;
    } rows[] = {
        {"nothing folded", "A: 1\r\nB: 2\r\n\r\n", "A: 1\r\nB: 2\r\n\r\n"},
        {"empty", "", ""},
        {"a value on the next line", "Transfer-Encoding:\r\n chunked\r\n\r\n",
         "Transfer-Encoding: chunked\r\n\r\n"},
        {"tabs and several blanks", "X: a\r\n \t b\r\n", "X: a b\r\n"},
        {"blanks before the line end belong to the fold", "X: a  \r\n  b\r\n", "X: a b\r\n"},
        {"several folds, then the next field", "X: a\r\n b\r\n\tc\r\nY: 1\r\n\r\n",
         "X: a b c\r\nY: 1\r\n\r\n"},
        {"LF line ends", "X: a\n b\nY: 1\n\n", "X: a b\nY: 1\n\n"},
        {"a blank-led line before any field is dropped", " junk\r\n\tmore\r\nA: 1\r\n", "A: 1\r\n"},
        {"nothing after the empty line is unfolded", "A: 1\r\n\r\n body\r\n",
         "A: 1\r\n\r\n body\r\n"},
        {"a blank inside a value is no fold", "X: a b\r\n", "X: a b\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ReplyFraming::Unfolded(row.lines), row.unfolded);
    }
}

// The three date forms a recipient reads, and what is no date.
TEST(ReplyFraming, HttpDateReadsTheThreeFormsInUtc) {
    const QDateTime nov6 = QDateTime(QDate(1994, 11, 6), QTime(8, 49, 37), QTimeZone::utc());
    const struct {
        const char* text;
        std::optional<QDateTime> date;
    } cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", nov6},
        {"  Sun, 06 Nov 1994 08:49:37 GMT\r\n", nov6},
        {"Sunday, 06-Nov-94 08:49:37 GMT", nov6},
        {"Sun Nov  6 08:49:37 1994", nov6},
        {"Wednesday, 01-Jan-31 00:00:00 GMT",
         QDateTime(QDate(2031, 1, 1), QTime(0, 0), QTimeZone::utc())},
        {"Thu, 10 Dec 2026 23:59:60 GMT", std::nullopt},
        {"Sun, 06 Nov 1994 08:49:37 CET", std::nullopt},
        {"1994-11-06T08:49:37Z", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ReplyFraming::HttpDate(c.text), c.date);
    }
}
