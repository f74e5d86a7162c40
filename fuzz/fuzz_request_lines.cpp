// The request writer: any URL, User-Agent, Referer and request line in, and
// whenever the lines pass the check, the bytes out are one request line of
// three words and header lines "Name: value", none with a control byte.
#include "fuzz/fuzz_support.h"
#include "http/extra_header.h"
#include "http/nmhttp.h"
#include "http/request_lines.h"

#include <cstring>
#include <exception>

namespace {

class WriterProbe : public TNMHTTP {
public:
    using TNMHTTP::ComposeHeader;
    using TNMHTTP::SplitURL;
};

bool isTokenChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ensureApplication();
    // Fields apart by 0xFF, a byte that UTF-8 text never holds: the URL, the
    // User-Agent, the Referer, a request line of the user's, and "p" for a
    // request through a proxy.
    const QList<QByteArray> fields = fuzzsupport::bytesOf(data, size).split('\xff');
    // One component for every input, as a run uses it; each input sets all
    // it reads. (Components made and dropped here would wait for an event
    // loop that never runs to be freed.)
    static WriterProbe http;
    http.Host.clear();
    http.Port = 0;
    http.HeaderInfo = {};
    http.ExtraHeaders.clear();
    http.Proxy.clear();
    http.ProxyPort = 0;
    http.URL = fields.value(0);
    http.HeaderInfo.LocalProgram = fields.value(1);
    http.HeaderInfo.Referer = fields.value(2);
    if (const auto header = ParseExtraHeader(QString::fromUtf8(fields.value(3))))
        http.ExtraHeaders << header->name + ": " + header->value;
    if (fields.value(4) == "p") {
        http.Proxy = "127.0.0.1";
        http.ProxyPort = 3128;
    }
    try {
        http.SplitURL();
        http.ComposeHeader();
    } catch (const std::exception&) {
        return 0;
    }
    QList<QByteArray> lines;
    for (qsizetype i = 0; i < http.HeaderList().Count(); ++i)
        lines << http.HeaderList().Strings(i);
    if (!RequestLines::Problem(lines).isEmpty())
        return 0; // refused before anything is sent
    if (lines.isEmpty())
        fuzzsupport::fail("no request line");
    if (lines[0].count(' ') != 2 || lines[0].contains("  ") || lines[0].endsWith(' '))
        fuzzsupport::fail("the request line is not three words");
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (!RequestLines::ControlByte(lines[i]).isEmpty())
            fuzzsupport::fail("a control byte passed the check");
        if (i == 0)
            continue;
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            fuzzsupport::fail("a header line without a name");
        for (const char c : lines[i].first(colon))
            if (!isTokenChar(c))
                fuzzsupport::fail("a header name that is no token");
    }
    // The blank line that ends the header is the writer's own.
    if (!http.HeaderList().Text().endsWith("\r\n") || http.HeaderList().Text().endsWith("\r\n\r\n"))
        fuzzsupport::fail("the header does not end in one line end");
    return 0;
}
