// An HTTP/2 server's bytes, whatever they are, after a SETTINGS frame that
// lets the connection start: two streams are read to their ends and given
// up: whatever the bytes, a stream shows nothing before its head, and none
// of a connection that is gone waits for more.
#include "fuzz/fuzz_support.h"
#include "http/http2_connection.h"
#include "http/http2_stream.h"
#include "platform/socket_error_numbers.h"
#include "tests/support/memory_transport.h"

#include <QCoreApplication>
#include <memory>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ensureApplication();
    auto pipe = std::make_shared<MemoryPipe>();
    auto connection = std::make_shared<Http2Connection>(std::make_unique<MemoryTransport>(pipe));
    if (!connection->Start())
        return 0;
    std::vector<std::unique_ptr<Http2Stream>> streams;
    const QByteArray head = "GET /f HTTP/1.1\r\nHost: h\r\n\r\n";
    for (int i = 0; i < 2; ++i) {
        streams.push_back(std::make_unique<Http2Stream>(connection));
        streams.back()->send(head.constData(), head.size());
    }
    // An empty SETTINGS frame, then the input in two halves, then the end.
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);
    pipe->toClient = QByteArray("\0\0\0\x04\0\0\0\0\0", 9) + bytes.left(bytes.size() / 2);
    pipe->Deliver();
    QCoreApplication::processEvents();
    pipe->toClient += bytes.mid(bytes.size() / 2);
    pipe->cut = true;
    pipe->Deliver();
    QCoreApplication::processEvents();
    for (const auto& stream : streams) {
        char buffer[4096];
        QByteArray got;
        qint64 n = 0;
        while ((n = stream->receive(buffer, sizeof buffer)) > 0)
            got.append(buffer, qsizetype(n));
        if (!got.isEmpty() && !got.startsWith("HTTP/2 "))
            fuzzsupport::fail("a stream read bytes before its head");
        // The connection is gone: every stream has ended, one way or another.
        if (n < 0 && stream->lastError() == SocketErrorNumbers::WouldBlock)
            fuzzsupport::fail("a stream of a closed connection waits for ever");
        stream->close();
    }
    streams.clear();
    connection.reset();
    QCoreApplication::processEvents();
    return 0;
}
