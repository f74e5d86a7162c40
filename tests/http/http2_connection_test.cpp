// The HTTP/2 connection and its streams against nghttp2's own server session,
// the bytes handed across in memory: every way a server can end a stream
// (a reply, an interim reply, REFUSED_STREAM, a reset, GOAWAY, a cut) reaches
// the reader as what an HTTP/1.1 connection would show, and a body larger
// than the windows arrives as the reader takes it.
#include "http/http2_connection.h"
#include "http/http2_stream.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"
#include "tests/support/memory_transport.h"

#include <QCoreApplication>
#include <QHash>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <nghttp2/nghttp2.h>

namespace {

// nghttp2's server session on the other end, answering as each row says.
class Server {
public:
    /// `maxStreams`: what the server lets a client open at once (0: no
    /// limit said).
    explicit Server(uint32_t maxStreams = 0)
        : pipe(std::make_shared<MemoryPipe>()) {
        nghttp2_session_callbacks* callbacks = nullptr;
        nghttp2_session_callbacks_new(&callbacks);
        nghttp2_session_callbacks_set_on_frame_recv_callback(
            callbacks, [](nghttp2_session*, const nghttp2_frame* frame, void* user) {
                if (frame->hd.type == NGHTTP2_HEADERS &&
                    (frame->hd.flags & NGHTTP2_FLAG_END_STREAM))
                    static_cast<Server*>(user)->requests.push_back(frame->hd.stream_id);
                return 0;
            });
        nghttp2_session_server_new(&session_, callbacks, this);
        nghttp2_session_callbacks_del(callbacks);
        const nghttp2_settings_entry limit{NGHTTP2_SETTINGS_MAX_CONCURRENT_STREAMS, maxStreams};
        nghttp2_submit_settings(session_, NGHTTP2_FLAG_NONE, &limit, maxStreams > 0 ? 1 : 0);
    }
    ~Server() { nghttp2_session_del(session_); }

    /// Moves bytes both ways and lets the client's notifications run, until
    /// nothing moves any more.
    void Pump() {
        for (int round = 0; round < 1000; ++round) {
            bool moved = false;
            if (!pipe->toServer.isEmpty()) {
                const QByteArray in = std::exchange(pipe->toServer, {});
                nghttp2_session_mem_recv(session_, reinterpret_cast<const uint8_t*>(in.constData()),
                                         size_t(in.size()));
                moved = true;
            }
            const uint8_t* out = nullptr;
            for (ssize_t n; !pipe->cut && (n = nghttp2_session_mem_send(session_, &out)) > 0;) {
                pipe->toClient.append(reinterpret_cast<const char*>(out), qsizetype(n));
                moved = true;
            }
            if ((!pipe->toClient.isEmpty() || pipe->cut) && pipe->armed && pipe->handler) {
                pipe->Deliver();
                moved = true;
            }
            QCoreApplication::processEvents();
            if (!moved)
                return;
        }
    }

    // nghttp2 copies the fields it is given: the values need only outlive
    // the call.
    void Headers(int id, const QByteArray& status, bool end, const QByteArray& length = {}) {
        std::vector<nghttp2_nv> nva{field(":status", status)};
        if (!length.isEmpty())
            nva.push_back(field("content-length", length));
        nghttp2_submit_headers(session_, end ? NGHTTP2_FLAG_END_STREAM : NGHTTP2_FLAG_NONE, id,
                               nullptr, nva.data(), nva.size(), nullptr);
    }
    void Reply(int id, const QByteArray& status, QByteArray body) {
        bodies_[id] = {std::move(body), 0};
        const QByteArray length = QByteArray::number(bodies_[id].first.size());
        const nghttp2_nv nva[] = {field(":status", status), field("content-length", length)};
        nghttp2_data_provider provider{};
        provider.source.ptr = &bodies_[id];
        provider.read_callback = [](nghttp2_session*, int32_t, uint8_t* buf, size_t length,
                                    uint32_t* flags, nghttp2_data_source* source, void*) {
            auto& [bytes, at] = *static_cast<std::pair<QByteArray, qsizetype>*>(source->ptr);
            const qsizetype n = qMin(qsizetype(length), bytes.size() - at);
            std::memcpy(buf, bytes.constData() + at, size_t(n));
            at += n;
            if (at == bytes.size())
                *flags |= NGHTTP2_DATA_FLAG_EOF;
            return ssize_t(n);
        };
        nghttp2_submit_response(session_, id, nva, 2, &provider);
    }
    void Reset(int id, uint32_t code) {
        nghttp2_submit_rst_stream(session_, NGHTTP2_FLAG_NONE, id, code);
    }
    void GoAway(int lastId) {
        nghttp2_submit_goaway(session_, NGHTTP2_FLAG_NONE, lastId, NGHTTP2_NO_ERROR, nullptr, 0);
    }

    std::shared_ptr<MemoryPipe> pipe;
    std::vector<int> requests;

private:
    static nghttp2_nv field(const char* name, const QByteArray& value) {
        return {reinterpret_cast<uint8_t*>(const_cast<char*>(name)),
                reinterpret_cast<uint8_t*>(const_cast<char*>(value.constData())), std::strlen(name),
                size_t(value.size()), NGHTTP2_NV_FLAG_NONE};
    }
    nghttp2_session* session_ = nullptr;
    std::map<int, std::pair<QByteArray, qsizetype>> bodies_;
};

// What the reader of a stream got: its bytes and how they ended.
struct Read {
    QByteArray bytes;
    qint64 end = 1; ///< 0: the end of the stream; -1: an error
    int error = 0;  ///< of -1
    bool confirmed = false;
    bool unprocessed = false;
};

Read ReadAll(Server& server, Http2Stream& stream) {
    Read read;
    char buffer[4096];
    for (int idle = 0; idle < 50;) {
        server.Pump();
        const qint64 n = stream.receive(buffer, sizeof buffer);
        if (n > 0) {
            read.bytes.append(buffer, qsizetype(n));
            idle = 0;
            continue;
        }
        if (n == 0 || stream.lastError() != SocketErrorNumbers::WouldBlock) {
            read.end = n;
            read.error = n < 0 ? stream.lastError() : 0;
            break;
        }
        ++idle;
    }
    read.confirmed = stream.endConfirmed();
    read.unprocessed = stream.Unprocessed();
    return read;
}

QByteArray Body(qsizetype size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 26);
    return bytes;
}

} // namespace

TEST(Http2Connection, EachEndOfAStreamReadsAsOnAConnectionOfItsOwn) {
    const QByteArray ok5 = "HTTP/2 200\r\ncontent-length: 5\r\n\r\nhello";
    const QByteArray big = Body(3 * Http2Connection::kWide.stream + 12345);
    const struct Row {
        const char* rule;
        int streams;
        std::function<void(Server&, const std::vector<int>& ids)> answer;
        std::vector<Read> expected; ///< per stream: bytes, end, error, confirmed, unprocessed
        bool openAfter = true;
    } rows[] = {
        {"a reply arrives whole, then the end",
         1,
         [](Server& s, const auto& ids) { s.Reply(ids[0], "200", "hello"); },
         {{ok5, 0, 0, true, false}}},
        {"an interim reply is not the reply",
         1,
         [](Server& s, const auto& ids) {
             s.Headers(ids[0], "103", false);
             s.Reply(ids[0], "200", "hello");
         },
         {{ok5, 0, 0, true, false}}},
        {"a stream refused before a reply may go again",
         1,
         [](Server& s, const auto& ids) { s.Reset(ids[0], NGHTTP2_REFUSED_STREAM); },
         {{"", 0, 0, true, true}}},
        {"a reset after the head fails that stream alone",
         2,
         [](Server& s, const auto& ids) {
             s.Headers(ids[0], "200", false, "100");
             s.Pump();
             s.Reset(ids[0], NGHTTP2_INTERNAL_ERROR);
             s.Reply(ids[1], "200", "hello");
         },
         {{"HTTP/2 200\r\ncontent-length: 100\r\n\r\n", -1, 10054, false, false},
          {ok5, 0, 0, true, false}}},
        {"GOAWAY: the streams past its last may go again, the others end",
         2,
         [](Server& s, const auto& ids) {
             s.GoAway(ids[0]);
             s.Reply(ids[0], "404", "hello");
         },
         {{"HTTP/2 404\r\ncontent-length: 5\r\n\r\nhello", 0, 0, true, false},
          {"", 0, 0, true, true}},
         false},
        {"a connection cut part way resets what was under way",
         1,
         [](Server& s, const auto& ids) {
             s.Headers(ids[0], "200", false, "100");
             s.Pump();
             s.pipe->cut = true;
         },
         {{"HTTP/2 200\r\ncontent-length: 100\r\n\r\n", -1, 10054, false, false}},
         false},
        {"a connection cut before any reply: the request may go again",
         2,
         [](Server& s, const auto& ids) {
             s.Reply(ids[0], "200", "hello");
             s.Pump();
             s.pipe->cut = true;
         },
         {{ok5, 0, 0, true, false}, {"", 0, 0, true, true}},
         false},
        {"a body three windows long arrives as it is read",
         1,
         [&big](Server& s, const auto& ids) { s.Reply(ids[0], "200", big); },
         {{"HTTP/2 200\r\ncontent-length: " + QByteArray::number(big.size()) + "\r\n\r\n" + big, 0,
           0, true, false}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.rule);
        Server server;
        auto connection =
            std::make_shared<Http2Connection>(std::make_unique<MemoryTransport>(server.pipe));
        ASSERT_TRUE(connection->Start());
        std::vector<std::unique_ptr<Http2Stream>> streams;
        std::vector<int> ids;
        for (int i = 0; i < row.streams; ++i) {
            streams.push_back(std::make_unique<Http2Stream>(connection));
            const QByteArray head =
                "GET /f" + QByteArray::number(i) + " HTTP/1.1\r\nHost: h\r\n\r\n";
            ASSERT_EQ(streams.back()->send(head.constData(), head.size()), head.size());
            ids.push_back(streams.back()->Id());
        }
        server.Pump();
        ASSERT_EQ(server.requests, ids);
        row.answer(server, ids);
        for (size_t i = 0; i < streams.size(); ++i) {
            SCOPED_TRACE(i);
            const Read got = ReadAll(server, *streams[i]);
            const Read& want = row.expected[i];
            EXPECT_EQ(got.bytes.size(), want.bytes.size());
            EXPECT_TRUE(got.bytes == want.bytes) << got.bytes.left(200).constData();
            EXPECT_EQ(got.end, want.end);
            EXPECT_EQ(got.error, want.error);
            EXPECT_EQ(got.confirmed, want.confirmed);
            EXPECT_EQ(got.unprocessed, want.unprocessed);
        }
        EXPECT_EQ(connection->Open(), row.openAfter);
    }
}

TEST(Http2Connection, ARequestAfterGoAwayGoesNowhereAndMayGoAgainElsewhere) {
    Server server;
    int changes = 0; // outlives the connection
    auto connection =
        std::make_shared<Http2Connection>(std::make_unique<MemoryTransport>(server.pipe));
    ASSERT_TRUE(connection->Start());
    // Those waiting for room on it hear that it takes no more streams.
    connection->SetOnChange([&] { ++changes; });
    server.GoAway(0);
    server.Pump();
    EXPECT_FALSE(connection->Open());
    EXPECT_EQ(changes, 1);
    Http2Stream stream(connection);
    const QByteArray head = "GET / HTTP/1.1\r\nHost: h\r\n\r\n";
    EXPECT_EQ(stream.send(head.constData(), head.size()), head.size());
    const Read got = ReadAll(server, stream);
    EXPECT_EQ(got.end, 0);
    EXPECT_TRUE(got.unprocessed);
    EXPECT_TRUE(server.requests.empty());
}

TEST(Http2Connection, IsFullAtTheServersStreamLimitAndSaysWhenAStreamEnds) {
    Server server(2);
    int changes = 0; // outlives the connection, which tells of its end too
    auto connection =
        std::make_shared<Http2Connection>(std::make_unique<MemoryTransport>(server.pipe));
    ASSERT_TRUE(connection->Start());
    connection->SetOnChange([&] { ++changes; });
    server.Pump();
    const QByteArray head = "GET / HTTP/1.1\r\nHost: h\r\n\r\n";
    std::vector<std::unique_ptr<Http2Stream>> streams;
    for (int i = 0; i < 2; ++i) {
        EXPECT_FALSE(connection->Full()) << i;
        streams.push_back(std::make_unique<Http2Stream>(connection));
        streams.back()->send(head.constData(), head.size());
    }
    EXPECT_TRUE(connection->Full());
    server.Pump();
    server.Reply(streams[0]->Id(), "200", "hello");
    EXPECT_EQ(ReadAll(server, *streams[0]).end, 0);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(connection->Full());
    // A stream given up by its reader makes room as well.
    streams[1]->close();
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(connection->Streams(), 0);
}
