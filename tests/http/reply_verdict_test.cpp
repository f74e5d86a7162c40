// What the run does after each kind of reply, judged without a socket: one
// row per rule, the head given as the bytes a server sends.
#include "http/reply_verdict.h"

#include <QTimeZone>
#include <gtest/gtest.h>

namespace {

std::string summary(const ReplyVerdict& verdict) {
    static const char* const outcomes[] = {"success",  "error-status", "failure",
                                           "redirect", "repeat",       "not-modified"};
    std::string out = outcomes[int(verdict.outcome)];
    if (!verdict.reason.isEmpty())
        out += " reason=" + verdict.reason.toStdString();
    if (verdict.outcome == ReplyVerdict::Outcome::Redirect)
        out += " next=" + std::to_string(int(verdict.nextCommand));
    if (verdict.reusable)
        out += " reusable";
    return out;
}

const QDateTime now(QDate(2024, 5, 1), QTime(12, 0, 0), QTimeZone::utc());
const QString cut = QStringLiteral("The reply ended 3 bytes short of its length");

} // namespace

TEST(ReplyVerdict, JudgesEachKindOfReply) {
    const struct {
        const char* rule;
        QByteArray head;
        CmdType command;
        QString bodyCut;
        std::string expected;
    } rows[] = {
        // Successes, and whether their connection can carry the next request.
        {"a whole framed HTTP/1.1 reply",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n",
         cmdGet,
         {},
         "success reusable"},
        {"a body that ends at the close", "HTTP/1.1 200 OK\r\n\r\n", cmdGet, {}, "success"},
        {"a HEAD reply has no body to end at the close",
         "HTTP/1.1 200 OK\r\n\r\n",
         cmdHead,
         {},
         "success reusable"},
        {"a 204 has no body to end at the close",
         "HTTP/1.1 204 No Content\r\n\r\n",
         cmdGet,
         {},
         "success reusable"},
        {"HTTP/1.0 closes unless asked",
         "HTTP/1.0 200 OK\r\nContent-Length: 3\r\n\r\n",
         cmdGet,
         {},
         "success"},
        {"HTTP/1.0 with keep-alive persists",
         "HTTP/1.0 200 OK\r\nConnection: keep-alive\r\nContent-Length: 3\r\n\r\n",
         cmdGet,
         {},
         "success reusable"},
        {"Connection: close ends it",
         "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: 3\r\n\r\n",
         cmdGet,
         {},
         "success"},
        {"298 is still a success",
         "HTTP/1.1 298 X\r\nContent-Length: 0\r\n\r\n",
         cmdGet,
         {},
         "success reusable"},
        // Failures keep their reason.
        {"a success whose body was cut", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", cmdGet,
         cut, "failure reason=" + cut.toStdString()},
        {"no HTTP at all",
         "SSH-2.0-OpenSSH_9.2p1\r\n",
         cmdGet,
         {},
         "failure reason=No HTTP status line in the reply: \"SSH-2.0-OpenSSH_9.2p1\""},
        {"a body that cannot be framed",
         "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n",
         cmdGet,
         {},
         "failure reason=Bad Content-Length in the reply: \"-5\""},
        {"a followed redirect without a Location",
         "HTTP/1.1 302 Found\r\n\r\n",
         cmdGet,
         {},
         "failure reason=Redirect 302 without a Location line"},
        // Error statuses end the run on their status line, cut or not.
        {"a 404",
         "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\n",
         cmdGet,
         {},
         "error-status reason=HTTP/1.1 404 Not Found reusable"},
        {"a cut error page is still its status", "HTTP/1.1 500 Oops\r\nContent-Length: 9\r\n\r\n",
         cmdGet, cut, "error-status reason=HTTP/1.1 500 Oops"},
        {"400 is the first error",
         "HTTP/1.0 400 Bad\r\n\r\n",
         cmdGet,
         {},
         "error-status reason=HTTP/1.0 400 Bad"},
        // Redirects and the command that follows them.
        {"a 301 GET stays a GET",
         "HTTP/1.1 301 Moved\r\nLocation: /a\r\nContent-Length: 0\r\n\r\n",
         cmdGet,
         {},
         "redirect next=0 reusable"},
        {"a 301 POST becomes a GET",
         "HTTP/1.0 301 Moved\r\nLocation: /a\r\n\r\n",
         cmdPost,
         {},
         "redirect next=0"},
        {"a 302 POST becomes a GET",
         "HTTP/1.0 302 Found\r\nLocation: /a\r\n\r\n",
         cmdPost,
         {},
         "redirect next=0"},
        {"a 301 PUT stays a PUT",
         "HTTP/1.0 301 Moved\r\nLocation: /a\r\n\r\n",
         cmdPut,
         {},
         "redirect next=4"},
        {"a 303 PUT becomes a GET",
         "HTTP/1.0 303 See Other\r\nLocation: /a\r\n\r\n",
         cmdPut,
         {},
         "redirect next=0"},
        {"a 303 HEAD stays a HEAD",
         "HTTP/1.0 303 See Other\r\nLocation: /a\r\n\r\n",
         cmdHead,
         {},
         "redirect next=2"},
        {"a 307 POST stays a POST",
         "HTTP/1.0 307 Temporary\r\nLocation: /a\r\n\r\n",
         cmdPost,
         {},
         "redirect next=3"},
        {"a 308 POST stays a POST",
         "HTTP/1.0 308 Permanent\r\nLocation: /a\r\n\r\n",
         cmdPost,
         {},
         "redirect next=3"},
        {"a cut redirect body leaves nothing to reuse",
         "HTTP/1.1 301 Moved\r\nLocation: /a\r\nContent-Length: 9\r\n\r\n", cmdGet, cut,
         "redirect next=0"},
        // Statuses between success and error that are not followed go again.
        {"299", "HTTP/1.0 299 X\r\n\r\n", cmdGet, {}, "repeat"},
        {"a 300 is followed like a 302",
         "HTTP/1.0 300 Choices\r\nLocation: /a\r\n\r\n",
         cmdPost,
         {},
         "redirect next=3"},
        // A 304 ends the request: the file asked about has not changed.
        {"304 has no body to end at the close",
         "HTTP/1.1 304 Not Modified\r\n\r\n",
         cmdGet,
         {},
         "not-modified reusable"},
        {"a 304 that closes", "HTTP/1.0 304 Not Modified\r\n\r\n", cmdGet, {}, "not-modified"},
        {"a 304 with a Location is not followed",
         "HTTP/1.1 304 Not Modified\r\nLocation: /a\r\nETag: \"x\"\r\n\r\n",
         cmdGet,
         {},
         "not-modified reusable"},
        {"305", "HTTP/1.0 305 Use Proxy\r\nLocation: /a\r\n\r\n", cmdGet, {}, "repeat"},
        {"399", "HTTP/1.0 399 X\r\n\r\n", cmdGet, {}, "repeat"},
    };
    for (const auto& row : rows) {
        const ReplyHead head = ParseReplyHead(row.head, now);
        EXPECT_EQ(summary(JudgeReply(head, row.command, row.bodyCut)), row.expected) << row.rule;
    }
}
