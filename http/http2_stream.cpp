#include "http/http2_stream.h"

#include "http/http2_connection.h"
#include "platform/socket_error_numbers.h"

#include <cstring>

namespace {

// Classic numbers: a reset stream reads as a reset connection; a send on a
// stream whose request went already as a send on a closed one.
constexpr int kReset = 10054;
constexpr int kNotConnected = 10057;

} // namespace

Http2Stream::Http2Stream(std::shared_ptr<Http2Connection> connection)
    : connection_(std::move(connection)) {
    notify_.setSingleShot(true);
    notify_.setInterval(0);
    QObject::connect(&notify_, &QTimer::timeout, [this] {
        // The reader may close the stream, and so end it, in its handler:
        // nothing of it is touched after the handler ran.
        const bool read = std::exchange(readDue_, false);
        const bool writable = std::exchange(writableDue_, false);
        const EventHandler handler = handler_;
        const std::weak_ptr<bool> alive = alive_;
        if (!handler)
            return;
        // Read first: what a writer waits for never hides what came in.
        if (read)
            handler(Read, 0);
        if (writable && !alive.expired())
            handler(Writable, 0);
    });
}

Http2Stream::~Http2Stream() {
    close();
}

void Http2Stream::OnField(QByteArray name, QByteArray value) {
    if (headRead_)
        return; // trailers: nothing the reader needs
    if (name == ":status")
        status_ = std::move(value);
    else
        fields_ << Http2Fields::Field{std::move(name), std::move(value)};
}

void Http2Stream::OnHeadersEnd() {
    if (headRead_)
        return;
    // An interim reply (1xx) is followed by the real one.
    if (status_.isEmpty() || status_.startsWith('1')) {
        status_.clear();
        fields_.clear();
        return;
    }
    const QByteArray head = Http2Fields::ReplyHead(status_, fields_);
    fields_.clear();
    headRead_ = true;
    in_.push_back(head);
    headLeft_ += head.size();
    buffered_ += head.size();
    readable();
}

void Http2Stream::OnData(const char* data, qsizetype length) {
    if (!headRead_)
        return;
    in_.emplace_back(data, length);
    buffered_ += length;
    readable();
}

void Http2Stream::OnClosed(quint32 errorCode) {
    if (ended_)
        return;
    ended_ = true;
    if (errorCode != 0 && !unprocessed_) {
        reset_ = true;
        failure_ = kReset;
    }
    readable();
}

void Http2Stream::OnRefused() {
    if (headRead_ || ended_)
        return;
    unprocessed_ = true;
    ended_ = true;
    readable();
}

void Http2Stream::OnConnectionLost(int errorNumber) {
    if (ended_)
        return;
    // Nothing came back: only GET and HEAD go on streams, and they may go
    // again (RFC 9110 9.2.2), as a request on a kept connection the server
    // closed meanwhile does.
    if (!headRead_) {
        OnRefused();
        return;
    }
    ended_ = true;
    reset_ = true;
    failure_ = errorNumber != 0 ? errorNumber : kReset;
    readable();
}

bool Http2Stream::open(bool) {
    return true;
}

bool Http2Stream::connectTo(const QHostAddress&, quint16) {
    lastError_ = kNotConnected;
    return false;
}

qint64 Http2Stream::send(const char* data, qint64 length) {
    if (sent_ || ended_) {
        lastError_ = failure_ != 0 ? failure_ : kNotConnected;
        return -1;
    }
    request_.append(data, qsizetype(length));
    const qsizetype end = request_.indexOf("\r\n\r\n");
    if (end < 0)
        return length;
    // A request with a body never comes here: only requests without one
    // go on a stream.
    sent_ = true;
    QString problem;
    const QList<Http2Fields::Field> fields = Http2Fields::RequestFields(request_, &problem);
    request_.clear();
    if (fields.isEmpty()) {
        lastError_ = kNotConnected;
        return -1;
    }
    id_ = connection_ ? connection_->Submit(this, fields) : 0;
    if (id_ == 0)
        OnRefused();
    return length;
}

qint64 Http2Stream::take(char* data, qint64 length, bool remove) {
    // The head alone first, as a connection may well deliver it: its reader
    // looks for the head's end in all it is shown, and the body is the
    // capture's to take.
    const qsizetype available = headLeft_ > 0 ? headLeft_ : buffered_;
    if (available > 0 && length > 0) {
        const qsizetype n = qsizetype(qMin<qint64>(length, available));
        qsizetype copied = 0;
        qsizetype offset = frontTaken_;
        for (auto block = in_.cbegin(); copied < n; ++block, offset = 0) {
            const qsizetype part = qMin(n - copied, block->size() - offset);
            std::memcpy(data + copied, block->constData() + offset, size_t(part));
            copied += part;
        }
        if (remove) {
            buffered_ -= n;
            const qsizetype fromHead = qMin(n, headLeft_);
            headLeft_ -= fromHead;
            for (qsizetype left = n; left > 0;) {
                const qsizetype inFront = in_.front().size() - frontTaken_;
                if (left < inFront) {
                    frontTaken_ += left;
                    break;
                }
                left -= inFront;
                in_.pop_front();
                frontTaken_ = 0;
            }
            if (connection_ && id_ != 0 && n > fromHead)
                connection_->Consumed(id_, n - fromHead);
        }
        return n;
    }
    if (failure_ != 0) {
        lastError_ = failure_;
        return -1;
    }
    if (ended_)
        return 0;
    lastError_ = SocketErrorNumbers::WouldBlock;
    return -1;
}

qint64 Http2Stream::receive(char* data, qint64 length) {
    return take(data, length, true);
}

qint64 Http2Stream::peek(char* data, qint64 length) {
    return take(data, length, false);
}

qint64 Http2Stream::receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) {
    const qint64 n = receive(buffer, qMin(length, bufferSize));
    if (n <= 0)
        return n;
    return WriteWhole(fd, buffer, n) ? n : -2;
}

int Http2Stream::listenOn(quint32, quint16) {
    return -1;
}

int Http2Stream::acceptConnection(quint32&, quint16&) {
    return -1;
}

bool Http2Stream::close() {
    if (connection_) {
        if (id_ != 0 && !ended_)
            connection_->Cancel(id_);
        // What nobody will read opens the connection's window again, or each
        // stream given up part way would narrow it for good.
        if (const qsizetype unread = buffered_ - headLeft_; id_ != 0 && unread > 0)
            connection_->Consumed(id_, unread);
        connection_->Forget(this);
        connection_.reset();
    }
    ended_ = true;
    armed_ = false;
    return true;
}

int Http2Stream::handle() const {
    return connection_ ? connection_->Handle() : -1;
}

void Http2Stream::readable() {
    if (!armed_)
        return;
    armed_ = false;
    tell(Read);
}

void Http2Stream::tell(int event) {
    (event == Read ? readDue_ : writableDue_) = true;
    // Never from inside the connection's work: the reader may answer at once.
    if (!notify_.isActive())
        notify_.start();
}

void Http2Stream::armRead() {
    if (buffered_ > 0 || ended_)
        tell(Read);
    else
        armed_ = true;
}

void Http2Stream::armWrite() {
    tell(Writable);
}
