// The leading number Transaction reads off a reply line, and the socket
// error texts, without a socket: one row per rule.
#include "net/powersock_errors.h"
#include "net/reply_code.h"

#include <gtest/gtest.h>
#include <stdexcept>

TEST(ReplyCode, ReadsTheLeadingNumberOfALine) {
    const struct {
        const char* rule;
        QByteArray line;
        int code;
    } rows[] = {
        {"a status and its text", "220 ready\r\n", 220},
        {"digits alone", "550", 550},
        {"leading zeros", "007 bond", 7},
        {"the largest code", "32767 x", 32767},
        {"no digits", "OK 200", 0},
        {"a sign is no digit", "-5 x", 0},
        {"an empty line", "", 0},
        {"only ten digits count, and these overflow", "99999999999", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ReplyCodeOf(row.line), row.code) << row.rule;
}

TEST(ReplyCode, RefusesANumberBeyondACode) {
    const struct {
        QByteArray line;
        const char* message;
    } rows[] = {
        {"32768 x", "Reply code 32768 out of range"},
        {"12345678901", "Reply code 1234567890 out of range"},
    };
    for (const auto& row : rows) {
        try {
            ReplyCodeOf(row.line);
            ADD_FAILURE() << row.line.toStdString() << " was taken";
        } catch (const std::out_of_range& e) {
            EXPECT_STREQ(e.what(), row.message);
        }
    }
}

TEST(SocketErrorText, NamesTheNumberAndItsText) {
    EXPECT_EQ(SocketErrorText(0), QString());
    EXPECT_EQ(SocketErrorText(10061), QStringLiteral("10061:Connection refused"));
    EXPECT_EQ(SocketErrorText(12345), QStringLiteral("Unknown Error No. 12345"));
}
