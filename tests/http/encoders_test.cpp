#include "http/nmurl.h"
#include "http/nmuu_processor.h"
#include "http/request_lines.h"

#include <QBuffer>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

struct EncodeRun {
    QByteArray output;
    int begins = 0;
    int ends = 0;
    qint64 outputPosAtEnd = -1;
};

EncodeRun encode(const QByteArray& data, UUMethods method) {
    EncodeRun run;
    QByteArray source = data;
    QBuffer input(&source);
    QBuffer output(&run.output);
    input.open(QIODevice::ReadOnly);
    output.open(QIODevice::ReadWrite);
    input.seek(source.size()); // Encode must rewind the input itself
    TNMUUProcessor processor;
    processor.Method = method;
    processor.InputStream = &input;
    processor.OutputStream = &output;
    processor.OnBeginEncode = [&](TNMUUProcessor*) { ++run.begins; };
    processor.OnEndEncode = [&](TNMUUProcessor*) {
        ++run.ends;
        run.outputPosAtEnd = output.pos();
    };
    processor.Encode();
    return run;
}

} // namespace

TEST(UrlEncode, FormDataBytes) {
    struct Case {
        QByteArray in, out;
    } cases[] = {
        {"a b=c&d", "a+b%3dc%26d"},
        {"", ""},
        {"AZaz09", "AZaz09"},
        {"/~.-_*", "%2f%7e%2e%2d%5f%2a"},
        {QByteArray("\x00\x7f\x80\xff", 4), "%00%7f%80%ff"},
        {"\xe6\x97\xa5", "%e6%97%a5"},
    };
    for (const Case& c : cases) {
        TNMURL url;
        url.InputString = c.in;
        EXPECT_EQ(url.Encode(), c.out) << c.in.toHex().constData();
    }
}

// The RFC 4648 vectors, then a line break after every 45 input bytes.
TEST(Base64, VectorsAndLineBreakAfter45Bytes) {
    const QByteArray line45 = QByteArray(45, 'x').toBase64() + "\r\n";
    const std::pair<QByteArray, QByteArray> vectors[] = {
        {"", ""},
        {"f", "Zg==\r\n"},
        {"fo", "Zm8=\r\n"},
        {"foo", "Zm9v\r\n"},
        {"foob", "Zm9vYg==\r\n"},
        {"fooba", "Zm9vYmE=\r\n"},
        {"foobar", "Zm9vYmFy\r\n"},
        {QByteArray(45, 'x'), line45},
        {QByteArray(46, 'x'), line45 + "eA==\r\n"},
    };
    for (const auto& [in, out] : vectors)
        EXPECT_EQ(encode(in, uuMime).output, out) << in.constData();
}

TEST(Base64, AllByteValuesMatchIndependentEncoder) {
    QByteArray data;
    for (int i = 0; i < 256; ++i)
        data += static_cast<char>(i);
    const QByteArray out = encode(data, uuMime).output;
    // 256 bytes: five full lines of 45 and one of 31.
    const QList<QByteArray> lines = out.split('\n');
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines.last().isEmpty());
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(lines[i].size(), 61) << i; // 60 characters and the CR
    QByteArray joined = out;
    joined.replace("\r\n", "");
    EXPECT_EQ(joined, data.toBase64());
}

TEST(Base64, LineOfLongCredentialsIsUnbroken) {
    const QByteArray credentials = QByteArray(300, 'u') + ":" + QByteArray(200, 'p');
    const QByteArray line = TNMUUProcessor::Base64Line(credentials);
    EXPECT_EQ(line, credentials.toBase64());
    EXPECT_FALSE(line.contains('\r'));
    EXPECT_FALSE(line.contains('\n'));
    EXPECT_EQ(TNMUUProcessor::Base64Line("Aladdin:open sesame"), "QWxhZGRpbjpvcGVuIHNlc2FtZQ==");
}

// The length character leads each line ("M" for a full one of 45 bytes, the
// backquote for zero); one and two trailing bytes give 2 and 3 characters,
// no padding; a zero sextet is the backquote.
TEST(UuEncode, LengthCharacterBackquoteForZeroAndNoPadding) {
    const std::pair<QByteArray, QByteArray> vectors[] = {
        {"", "`\r\n"},
        {"Cat", "#0V%T\r\n`\r\n"}, // the classic example
        {QByteArray(1, '\0'), "!``\r\n`\r\n"},
        {"ab", "\"86(\r\n`\r\n"},
        {QByteArray(46, '\xff'), "M" + QByteArray(60, '_') + "\r\n!_P\r\n`\r\n"},
    };
    for (const auto& [in, out] : vectors)
        EXPECT_EQ(encode(in, uuCode).output, out) << in.toHex().constData();
}

TEST(UuProcessor, EventsOnceAndOutputRewound) {
    const EncodeRun run = encode("hello", uuMime);
    EXPECT_EQ(run.begins, 1);
    EXPECT_EQ(run.ends, 1);
    EXPECT_EQ(run.outputPosAtEnd, 0);
}

TEST(UuProcessor, WriteFailureStillRewindsAndEnds) {
    QByteArray source("data");
    QBuffer input(&source);
    input.open(QIODevice::ReadOnly);
    QByteArray sink;
    QBuffer output(&sink);
    output.open(QIODevice::ReadOnly); // writes fail
    TNMUUProcessor processor;
    processor.InputStream = &input;
    processor.OutputStream = &output;
    int ends = 0;
    processor.OnEndEncode = [&](TNMUUProcessor*) { ++ends; };
    EXPECT_THROW(processor.Encode(), std::runtime_error);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(output.pos(), 0);
}

// What may go into a request line, and how a URL is made fit for one.
TEST(RequestLines, ControlBytesAreNamedAndTargetsEncodedAsRfc3986Asks) {
    struct Named {
        QByteArray text;
        QString what;
    };
    for (const Named& row : {Named{"plain text: with ; punctuation", ""},
                             {"a\r\nb", "a line break (CR)"},
                             {"a\nb", "a line break (LF)"},
                             {QByteArray("a\0b", 3), "a NUL byte"},
                             {"a\tb", "a tab"},
                             {"a\x1b[0m", "a control byte (0x1B)"},
                             {"a\x7f", "a DEL byte"},
                             {"caf\xc3\xa9", ""}})
        EXPECT_EQ(RequestLines::ControlByte(row.text), row.what) << row.text.toStdString();
    EXPECT_EQ(RequestLines::Shown("x\r\nY: 1\t\x01"), "x\\r\\nY: 1\\t\\x01");
    EXPECT_EQ(RequestLines::Problem({"GET / HTTP/1.0", "User-Agent: a\rX: 1"}),
              "The request line \"User-Agent: a\\rX: 1\" holds a line break (CR); nothing was "
              "sent");
    EXPECT_EQ(RequestLines::Problem({"GET / HTTP/1.0", "Host: h"}), "");

    struct Encoded {
        QByteArray target;
        QByteArray wire;
    };
    for (const Encoded& row : {
             Encoded{"/dir/hampic01.jpg?a=1&b=2#top", "/dir/hampic01.jpg?a=1&b=2#top"},
             {"/my pic 1.jpg", "/my%20pic%201.jpg"},
             {"/a%20b/%41%zz%4", "/a%20b/%41%25zz%254"},
             {"/\xe6\x97\xa5.jpg", "/%E6%97%A5.jpg"},
             {"/\"<>\\^`{|}", "/%22%3C%3E%5C%5E%60%7B%7C%7D"},
             {"/~user/!$&'()*+,;=:@", "/~user/!$&'()*+,;=:@"},
         })
        EXPECT_EQ(RequestLines::EncodeTarget(row.target), row.wire) << row.target.toStdString();

    EXPECT_EQ(RequestLines::AsciiHost("b\u00fccher.example"), "xn--bcher-kva.example");
    EXPECT_EQ(RequestLines::AsciiHost("Example.COM"), "Example.COM");
    EXPECT_EQ(RequestLines::AsciiHost("[::1]"), "[::1]");
    EXPECT_EQ(RequestLines::AsciiHost("a b"), "");
    EXPECT_EQ(RequestLines::AsciiHost("a\"b"), "");
    EXPECT_EQ(RequestLines::EncodeUrl("http://b\xc3\xbc"
                                      "cher.example:8080/my pic.jpg"),
              "http://xn--bcher-kva.example:8080/my%20pic.jpg");
    EXPECT_EQ(RequestLines::EncodeUrl("http://[::1]:8080/a b"), "http://[::1]:8080/a%20b");
    EXPECT_EQ(RequestLines::EncodeUrl("http://localhost/hampic01.jpg"),
              "http://localhost/hampic01.jpg");
    // A "://" inside the path makes no scheme of what stands before it.
    EXPECT_EQ(RequestLines::EncodeUrl("host/my pic/x://y"), "host/my%20pic/x://y");
}
