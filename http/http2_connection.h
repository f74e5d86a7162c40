#pragma once

#include "http/http2_fields.h"
#include "net/socket_transport.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

struct nghttp2_session;
class Http2Stream;

/// One HTTP/2 connection (RFC 9113) over a connected, secured transport
/// whose ALPN chose "h2": nghttp2 does the framing, HPACK and flow control;
/// the streams (Http2Stream) are the requests. Everything runs on the
/// owner's thread, driven by the transport's notifications.
///
/// Flow control follows the reader: the windows open again only as each
/// stream's bytes are read, so a slow reader (a paced one) never makes the
/// connection buffer more than its window, while the windows are wide
/// enough that one big file runs at the link's speed.
class Http2Connection : public std::enable_shared_from_this<Http2Connection> {
public:
    /// The flow-control windows we give the server, in bytes.
    struct Windows {
        int stream;
        int connection;
    };
    /// Windows wide enough that one big file runs at the link's speed.
    static constexpr Windows kWide{8 << 20, 64 << 20};
    /// Those of a run whose reads are paced (--limit-rate): the server may
    /// send no more than this ahead of the pace, as over HTTP/1.1, where the
    /// socket's buffer is what it may send ahead.
    static constexpr Windows kPaced{256 << 10, 1 << 20};

    explicit Http2Connection(std::unique_ptr<SocketTransport> transport, Windows windows = kWide);
    ~Http2Connection();
    Http2Connection(const Http2Connection&) = delete;
    Http2Connection& operator=(const Http2Connection&) = delete;

    /// Sends the connection preface and our settings; false when the
    /// connection could not be set up (then it is closed).
    bool Start();
    /// New streams may go on it: no GOAWAY came, no error, not closed.
    bool Open() const { return open_; }
    /// Streams under way on it.
    int Streams() const { return int(streams_.size()); }
    /// It has as many streams open as the server lets a client open
    /// (SETTINGS_MAX_CONCURRENT_STREAMS): a new one would wait unseen.
    bool Full() const;
    /// Called whenever a stream of it ends, and once it stops taking new
    /// streams (GOAWAY, an error, the close), so that a request waiting for
    /// room on it asks again.
    void SetOnChange(std::function<void()> told) { onChange_ = std::move(told); }
    /// Ends the connection politely (GOAWAY) once no stream is left, or at
    /// once when none is.
    void Finish();

    // For the streams.
    /// Sends a request with `fields` for `stream`: its stream id, or 0 when
    /// it cannot go on this connection.
    int Submit(Http2Stream* stream, const QList<Http2Fields::Field>& fields);
    /// The reader took `bytes` of stream `id`'s data: the windows open again.
    void Consumed(int id, qsizetype bytes);
    /// Resets stream `id` (CANCEL) and forgets it.
    void Cancel(int id);
    /// Forgets `stream`, which is going.
    void Forget(Http2Stream* stream);
    int Handle() const { return transport_ ? transport_->handle() : -1; }

private:
    friend struct Http2Callbacks;

    void handle(int event);
    /// Lets go of `last` from the event loop when it is the last owner.
    static void ReleaseLater(std::shared_ptr<Http2Connection> last);
    void readAll();
    void flush();
    /// flush() once the event loop has done what is due now.
    void flushSoon();
    /// Stops taking streams and tells the owner, once.
    void unusable();
    /// The connection is gone: every stream left hears `errorNumber`.
    void lose(int errorNumber);
    Http2Stream* stream(int id) const { return streams_.value(id, nullptr); }
    /// Forgets stream `id` and tells the owner there is room.
    void ended(int id);

    std::unique_ptr<SocketTransport> transport_;
    nghttp2_session* session_ = nullptr;
    QHash<int, Http2Stream*> streams_;
    /// Bytes nghttp2 gave that the socket has not taken yet.
    QByteArray pending_;
    std::unique_ptr<char[]> buffer_;
    bool open_ = false;
    bool finishing_ = false;
    bool flushing_ = false;
    bool writeArmed_ = false;
    std::function<void()> onChange_;
    Windows windows_;
    QObject poster_;
    /// Runs flushSoon()'s flush (a zero timer: no wake-up of the loop).
    QTimer flushTimer_;
};
