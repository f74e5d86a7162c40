#include "http/http2_connection.h"

#include "http/http2_stream.h"
#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QScopeGuard>
#include <nghttp2/nghttp2.h>

namespace {

// What a stream whose connection broke sees: the connection was reset.
constexpr int kConnectionReset = 10054;
// A read takes this much at a time, and one notification at most this much in
// all, so that other work (the window, other sessions) goes on in between.
constexpr qint64 kReadBlock = qint64(64) << 10;
constexpr qint64 kReadPerEvent = qint64(1) << 20;

} // namespace

/// nghttp2's callbacks, each handing what it heard to the connection or the
/// stream it concerns.
struct Http2Callbacks {
    static Http2Connection& of(void* user) { return *static_cast<Http2Connection*>(user); }

    static int header(nghttp2_session*, const nghttp2_frame* frame, const uint8_t* name,
                      size_t nameLength, const uint8_t* value, size_t valueLength, uint8_t,
                      void* user) {
        if (frame->hd.type != NGHTTP2_HEADERS)
            return 0;
        if (Http2Stream* s = of(user).stream(frame->hd.stream_id))
            s->OnField(QByteArray(reinterpret_cast<const char*>(name), qsizetype(nameLength)),
                       QByteArray(reinterpret_cast<const char*>(value), qsizetype(valueLength)));
        return 0;
    }

    static int frameReceived(nghttp2_session*, const nghttp2_frame* frame, void* user) {
        Http2Connection& c = of(user);
        if (frame->hd.type == NGHTTP2_HEADERS) {
            if (Http2Stream* s = c.stream(frame->hd.stream_id))
                s->OnHeadersEnd();
        } else if (frame->hd.type == NGHTTP2_GOAWAY) {
            // RFC 9113 6.8: the streams above the last one named were never
            // processed, and may go again on another connection.
            const int last = frame->goaway.last_stream_id;
            const QList<int> ids = c.streams_.keys();
            for (const int id : ids)
                if (id > last)
                    if (Http2Stream* s = c.stream(id))
                        s->OnRefused();
            c.unusable();
        }
        return 0;
    }

    static int data(nghttp2_session*, uint8_t, int32_t id, const uint8_t* bytes, size_t length,
                    void* user) {
        Http2Connection& c = of(user);
        if (Http2Stream* s = c.stream(id))
            s->OnData(reinterpret_cast<const char*>(bytes), qsizetype(length));
        else // nobody reads it: the window must not shrink for it
            nghttp2_session_consume_connection(c.session_, length);
        return 0;
    }

    static int closed(nghttp2_session*, int32_t id, uint32_t errorCode, void* user) {
        Http2Connection& c = of(user);
        if (Http2Stream* s = c.stream(id)) {
            c.ended(id);
            if (errorCode == NGHTTP2_REFUSED_STREAM)
                s->OnRefused();
            s->OnClosed(errorCode);
        }
        return 0;
    }

    static int notSent(nghttp2_session*, const nghttp2_frame* frame, int, void* user) {
        Http2Connection& c = of(user);
        // A request that never went out (after a GOAWAY) was not processed.
        if (frame->hd.type == NGHTTP2_HEADERS)
            if (Http2Stream* s = c.stream(frame->hd.stream_id)) {
                c.ended(frame->hd.stream_id);
                s->OnRefused();
                s->OnClosed(NGHTTP2_REFUSED_STREAM);
            }
        return 0;
    }
};

Http2Connection::Http2Connection(std::unique_ptr<SocketTransport> transport, Windows windows)
    : transport_(std::move(transport))
    , buffer_(new char[kReadBlock])
    , windows_(windows) {
    flushTimer_.setSingleShot(true);
    flushTimer_.setInterval(0);
    QObject::connect(&flushTimer_, &QTimer::timeout, [this] {
        std::shared_ptr<Http2Connection> keep = shared_from_this();
        flush();
        ReleaseLater(std::move(keep));
    });
}

Http2Connection::~Http2Connection() {
    // A GOAWAY, best effort: the peer learns the connection is over rather
    // than seeing it cut.
    if (session_ && transport_ && open_) {
        open_ = false;
        nghttp2_session_terminate_session(session_, NGHTTP2_NO_ERROR);
        flush();
    }
    lose(kConnectionReset);
    if (session_)
        nghttp2_session_del(session_);
    if (transport_) {
        transport_->setEventHandler({});
        transport_->close();
    }
}

bool Http2Connection::Start() {
    nghttp2_session_callbacks* callbacks = nullptr;
    nghttp2_option* option = nullptr;
    if (nghttp2_session_callbacks_new(&callbacks) != 0 || nghttp2_option_new(&option) != 0) {
        nghttp2_session_callbacks_del(callbacks);
        return false;
    }
    nghttp2_session_callbacks_set_on_header_callback(callbacks, Http2Callbacks::header);
    nghttp2_session_callbacks_set_on_frame_recv_callback(callbacks, Http2Callbacks::frameReceived);
    nghttp2_session_callbacks_set_on_data_chunk_recv_callback(callbacks, Http2Callbacks::data);
    nghttp2_session_callbacks_set_on_stream_close_callback(callbacks, Http2Callbacks::closed);
    nghttp2_session_callbacks_set_on_frame_not_send_callback(callbacks, Http2Callbacks::notSent);
    // The windows open as the readers take the bytes (Consumed), not as
    // they arrive.
    nghttp2_option_set_no_auto_window_update(option, 1);
    const int made = nghttp2_session_client_new2(&session_, callbacks, this, option);
    nghttp2_option_del(option);
    nghttp2_session_callbacks_del(callbacks);
    if (made != 0) {
        session_ = nullptr;
        return false;
    }
    const nghttp2_settings_entry settings[] = {
        {NGHTTP2_SETTINGS_ENABLE_PUSH, 0},
        {NGHTTP2_SETTINGS_INITIAL_WINDOW_SIZE, uint32_t(windows_.stream)},
    };
    if (nghttp2_submit_settings(session_, NGHTTP2_FLAG_NONE, settings, 2) != 0 ||
        nghttp2_session_set_local_window_size(session_, NGHTTP2_FLAG_NONE, 0,
                                              windows_.connection) != 0)
        return false;
    transport_->setEventHandler([this](int event, int) { handle(event); });
    open_ = true;
    flush();
    if (transport_)
        transport_->armRead();
    return open_;
}

void Http2Connection::Finish() {
    finishing_ = true;
    if (!streams_.isEmpty() || !session_)
        return;
    open_ = false;
    nghttp2_session_terminate_session(session_, NGHTTP2_NO_ERROR);
    flush();
    lose(kConnectionReset);
}

int Http2Connection::Submit(Http2Stream* stream, const QList<Http2Fields::Field>& fields) {
    if (!open_ || !session_)
        return 0;
    std::vector<nghttp2_nv> nva;
    nva.reserve(size_t(fields.size()));
    for (const Http2Fields::Field& f : fields)
        nva.push_back({reinterpret_cast<uint8_t*>(const_cast<char*>(f.name.constData())),
                       reinterpret_cast<uint8_t*>(const_cast<char*>(f.value.constData())),
                       size_t(f.name.size()), size_t(f.value.size()), NGHTTP2_NV_FLAG_NONE});
    const int id =
        nghttp2_submit_request(session_, nullptr, nva.data(), nva.size(), nullptr, nullptr);
    if (id <= 0)
        return 0;
    streams_.insert(id, stream);
    // The requests a run starts in one go leave in one write.
    flushSoon();
    return id;
}

void Http2Connection::Consumed(int id, qsizetype bytes) {
    if (!session_ || bytes <= 0)
        return;
    // The connection's window first: a stream already closed has none of
    // its own left to open.
    nghttp2_session_consume_connection(session_, size_t(bytes));
    nghttp2_session_consume_stream(session_, id, size_t(bytes));
    // A window update is worth a write of its own only when the peer waits
    // for it; nghttp2 sends one once half a window is read.
    if (nghttp2_session_want_write(session_))
        flush();
}

bool Http2Connection::Full() const {
    return session_ &&
           uint32_t(streams_.size()) >= nghttp2_session_get_remote_settings(
                                            session_, NGHTTP2_SETTINGS_MAX_CONCURRENT_STREAMS);
}

void Http2Connection::ended(int id) {
    if (streams_.remove(id) && onChange_)
        onChange_();
}

void Http2Connection::Cancel(int id) {
    ended(id);
    if (!session_ || !transport_)
        return;
    nghttp2_submit_rst_stream(session_, NGHTTP2_FLAG_NONE, id, NGHTTP2_CANCEL);
    flush();
}

void Http2Connection::Forget(Http2Stream* stream) {
    for (const int id : streams_.keys(stream))
        ended(id);
    if (finishing_ && streams_.isEmpty())
        QMetaObject::invokeMethod(
            &poster_,
            [weak = weak_from_this()] {
                if (auto self = weak.lock())
                    self->Finish();
            },
            Qt::QueuedConnection);
}

void Http2Connection::handle(int event) {
    // What the streams hear may let the last reference to us go.
    std::shared_ptr<Http2Connection> keep = shared_from_this();
    if (event == SocketTransport::Writable) {
        writeArmed_ = false;
        flush();
    } else {
        readAll();
    }
    ReleaseLater(std::move(keep));
}

void Http2Connection::ReleaseLater(std::shared_ptr<Http2Connection> last) {
    // Not inside the notification of a timer or socket of our own, which
    // would go with us while it is being delivered.
    if (last.use_count() == 1)
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [gone = std::move(last)] {}, Qt::QueuedConnection);
}

void Http2Connection::readAll() {
    if (!transport_ || !session_)
        return;
    for (qint64 total = 0; total < kReadPerEvent;) {
        const qint64 n = transport_->receive(buffer_.get(), kReadBlock);
        if (n > 0) {
            total += n;
            const ssize_t used = nghttp2_session_mem_recv(
                session_, reinterpret_cast<uint8_t*>(buffer_.get()), size_t(n));
            if (used < 0) {
                // A protocol error: nghttp2 has queued the GOAWAY that says so.
                flush();
                lose(kConnectionReset);
                return;
            }
            continue;
        }
        if (n < 0 && transport_->lastError() == SocketErrorNumbers::WouldBlock)
            break;
        // The peer closed, or the connection broke.
        lose(n == 0 ? kConnectionReset : transport_->lastError());
        return;
    }
    flush();
    if (transport_)
        transport_->armRead();
}

void Http2Connection::flush() {
    if (!transport_ || !session_ || flushing_)
        return;
    flushing_ = true;
    const auto done = qScopeGuard([this] { flushing_ = false; });
    for (;;) {
        if (pending_.isEmpty()) {
            const uint8_t* data = nullptr;
            const ssize_t n = nghttp2_session_mem_send(session_, &data);
            if (n < 0) {
                lose(kConnectionReset);
                return;
            }
            if (n == 0)
                return;
            pending_ = QByteArray(reinterpret_cast<const char*>(data), qsizetype(n));
        }
        const qint64 sent = transport_->send(pending_.constData(), pending_.size());
        if (sent < 0) {
            if (transport_->lastError() != SocketErrorNumbers::WouldBlock) {
                const int error = transport_->lastError();
                flushing_ = false;
                lose(error);
                return;
            }
            if (!writeArmed_) {
                writeArmed_ = true;
                transport_->armWrite();
            }
            return;
        }
        pending_.remove(0, qsizetype(sent));
    }
}

void Http2Connection::flushSoon() {
    if (!flushTimer_.isActive())
        flushTimer_.start();
}

void Http2Connection::unusable() {
    if (!open_)
        return;
    open_ = false;
    if (onChange_)
        onChange_();
}

void Http2Connection::lose(int errorNumber) {
    unusable();
    const QHash<int, Http2Stream*> left = std::exchange(streams_, {});
    for (Http2Stream* s : left)
        s->OnConnectionLost(errorNumber);
    if (transport_) {
        transport_->setEventHandler({});
        transport_->close();
        transport_.reset();
    }
}
