// URL splitting: host, port and request path from any URL text, without a
// connection.
#include "fuzz/fuzz_support.h"
#include "http/nmhttp.h"

#include <exception>

namespace {

class SplitProbe : public TNMHTTP {
public:
    using TNMHTTP::SplitURL;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ensureApplication();
    static SplitProbe http;
    // The port of the previous URL carries over, as in a run of redirects.
    http.URL = fuzzsupport::bytesOf(data, size);
    try {
        http.SplitURL();
    } catch (const std::exception&) {
        return 0;
    }
    if (!http.RequestPath().startsWith('/'))
        fuzzsupport::fail("request path does not start with /");
    if (http.Port < 0 || http.Port > 65535)
        fuzzsupport::fail("port out of range");
    return 0;
}
