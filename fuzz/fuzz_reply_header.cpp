// The reply reader as a server drives it: the input is the whole reply a
// loopback peer sends to a GET, read by the real client in memory mode
// (status line, header lines, length, location, cookie, body framing).
#include "fuzz/fuzz_support.h"
#include "http/nmhttp.h"
#include "http/reply_framing.h"
#include "tests/support/scripted_peer.h"

#include <exception>
#include <optional>

using testsupport::PeerScript;
using testsupport::ScriptedPeer;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ensureApplication();
    const QByteArray reply = fuzzsupport::bytesOf(data, size);
    // Every connection, redirects included, goes to the peer: the client
    // reaches it as its proxy, so no Location can lead anywhere else.
    ScriptedPeer peer(PeerScript().reply(reply));
    TNMHTTP http;
    bool succeeded = false;
    http.OnSuccess = [&](CmdType) { succeeded = true; };
    http.Proxy = QStringLiteral("127.0.0.1");
    http.ProxyPort = peer.port();
    http.SetTimeOut(5000);
    try {
        http.Get(QStringLiteral("http://fuzz.example/start"));
    } catch (const std::exception&) {
        // A refused reply is an outcome like any other; a crash is not.
        return 0;
    }
    // What the client stores as the header is part of what the peer sent
    // (the final reply's, after any interim 1xx ones).
    if (!reply.contains(http.Header))
        fuzzsupport::fail("Header is not part of the reply");
    // Success needs a real status line below 299, and a body that is part of
    // the reply unless it was decoded from chunks.
    if (succeeded) {
        const std::optional<int> code = ReplyFraming::StatusCode(http.StatusLine());
        if (!code || *code >= 299)
            fuzzsupport::fail("success without a status line below 299");
        if (!http.Header.toLower().contains("transfer-encoding") && !reply.contains(http.Body))
            fuzzsupport::fail("a plain body that the peer never sent");
    }
    return 0;
}
