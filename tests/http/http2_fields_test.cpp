#include "http/http2_fields.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

using Http2Fields::Field;

QString shown(const QList<Field>& fields) {
    QStringList out;
    for (const Field& f : fields)
        out << QString::fromLatin1(f.name + "=" + f.value);
    return out.join(' ');
}

} // namespace

TEST(Http2Fields, ARequestHeadBecomesItsPseudoFieldsAndLinesButForTheConnectionsOwn) {
    const struct {
        const char* rule;
        QByteArray head;
        QString expected; ///< the fields, or "problem: ..."
    } rows[] = {
        {"a plain GET", "GET /a/f01.jpg HTTP/1.1\r\nHost: example.com\r\n\r\n",
         ":method=GET :scheme=https :authority=example.com :path=/a/f01.jpg"},
        {"names in lower case, values as they are, in order",
         "GET /f?q=1 HTTP/1.1\r\nHost: h:8443\r\nUser-Agent: Serifetch/2\r\nReferer: "
         "https://h/a/\r\nCookie: a=1; b=2\r\n\r\n",
         ":method=GET :scheme=https :authority=h:8443 :path=/f?q=1 user-agent=Serifetch/2 "
         "referer=https://h/a/ cookie=a=1; b=2"},
        {"the lines of one HTTP/1.1 connection are left out",
         "GET / HTTP/1.1\r\nConnection: keep-alive\r\nKeep-Alive: 5\r\nHost: h\r\n"
         "Proxy-Connection: close\r\nTransfer-Encoding: chunked\r\nUpgrade: h2c\r\nTE: "
         "gzip\r\n\r\n",
         ":method=GET :scheme=https :authority=h :path=/"},
        {"TE: trailers may go", "GET / HTTP/1.1\r\nHost: h\r\nTE: Trailers\r\n\r\n",
         ":method=GET :scheme=https :authority=h :path=/ te=Trailers"},
        {"a resumed request keeps its range",
         "GET /big HTTP/1.1\r\nHost: h\r\nRange: bytes=100-\r\n"
         "If-Range: \"v1\"\r\n\r\n",
         ":method=GET :scheme=https :authority=h :path=/big range=bytes=100- if-range=\"v1\""},
        {"LF line ends, and what follows the empty line is no field",
         "HEAD /x HTTP/1.0\nHost: h\n\nX-After: 1\n",
         ":method=HEAD :scheme=https :authority=h :path=/x"},
        {"no Host", "GET / HTTP/1.1\r\nAccept: */*\r\n\r\n", "problem: The request names no host"},
        {"an absolute target is a proxy's, not a stream's",
         "GET https://h/ HTTP/1.1\r\nHost: h\r\n\r\n",
         "problem: No request line to send: \"GET https://h/ HTTP/1.1\""},
        {"no request line at all", "Host: h\r\n\r\n",
         "problem: No request line to send: \"Host: h\""},
    };
    for (const auto& row : rows) {
        QString problem;
        const QList<Field> fields = Http2Fields::RequestFields(row.head, &problem);
        EXPECT_EQ(problem.isEmpty() ? shown(fields) : "problem: " + problem, row.expected)
            << row.rule;
    }
}

TEST(Http2Fields, AReplyIsWrittenAsTheHeadTheReaderReads) {
    const struct {
        const char* rule;
        QByteArray status;
        QList<Field> fields;
        QByteArray expected;
    } rows[] = {
        {"a status without a reason phrase", "200", {}, "HTTP/2 200\r\n\r\n"},
        {"every field a line, in order",
         "404",
         {{"content-type", "text/html"}, {"content-length", "9"}, {"set-cookie", "a=1"}},
         "HTTP/2 404\r\ncontent-type: text/html\r\ncontent-length: 9\r\nset-cookie: a=1\r\n\r\n"},
        {"a field that would split a line is left out",
         "302",
         {{"location", "/next\r\nSet-Cookie: evil=1"}, {"x-ok", "1"}, {"bad\nname", "2"}},
         "HTTP/2 302\r\nx-ok: 1\r\n\r\n"},
        {"a pseudo-field is no line", "200", {{":status", "200"}}, "HTTP/2 200\r\n\r\n"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Http2Fields::ReplyHead(row.status, row.fields), row.expected) << row.rule;
}
