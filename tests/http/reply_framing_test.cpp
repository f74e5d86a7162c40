// The pure pieces of reply parsing, without sockets.
#include "http/reply_framing.h"

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
