// The leading number Transaction reads off a reply line, the socket error
// texts and the body file errors, without a socket: one row per rule.
#include "net/powersock_errors.h"
#include "net/reply_code.h"

#include <cerrno>
#include <cstring>
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

TEST(FileError, NamesTheFileAndTheSystemsReason) {
    const struct {
        const char* rule;
        const char* text;
        QString file;
        int error;
        QString message;
    } rows[] = {
        {"a write", "Cannot write file %1: %2", "/d/a.jpg", ENOSPC,
         "Cannot write file /d/a.jpg: " + QString::fromLocal8Bit(std::strerror(ENOSPC))},
        {"a name beyond ASCII", "Cannot create file %1: %2",
         QString::fromUtf8("/d/\xe5\x86\x99.jpg"), ENOENT,
         QString::fromUtf8("Cannot create file /d/\xe5\x86\x99.jpg: ") +
             QString::fromLocal8Bit(std::strerror(ENOENT))},
        // The reason goes into its own place, not into a "%2" of the name.
        {"a name with a placeholder", "Cannot read file %1: %2", "/d/100%2.jpg", EIO,
         "Cannot read file /d/100%2.jpg: " + QString::fromLocal8Bit(std::strerror(EIO))},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        EXPECT_EQ(QString::fromStdString(FileError(row.text, row.file, row.error).what()),
                  row.message);
    }
}
