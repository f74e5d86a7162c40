#pragma once

#include "http/http2_fields.h"
#include "net/socket_transport.h"

#include <QByteArray>
#include <QTimer>
#include <deque>
#include <memory>

class Http2Connection;

/// One request of an HTTP/2 connection, seen by the client as a connection
/// of its own: what the client sends is its request head, which goes out as
/// the stream's HEADERS; what it reads is the reply as HTTP/1.1 bytes, the
/// head (Http2Fields::ReplyHead) and then the DATA, ended by the stream's
/// end. So the reply reader, the captures, the time-outs and every check of
/// a body hold for a stream as they do for a connection.
///
/// A reset stream reads as a reset connection. A stream the server did not
/// process (REFUSED_STREAM, or beyond the last stream of a GOAWAY), or whose
/// connection ended before any reply, reads as a close before any reply, and
/// Unprocessed() says it may go again as it stands. Closing a stream that has
/// not ended resets it (CANCEL).
class Http2Stream : public SocketTransport {
public:
    explicit Http2Stream(std::shared_ptr<Http2Connection> connection);
    ~Http2Stream() override;
    Http2Stream(const Http2Stream&) = delete;
    Http2Stream& operator=(const Http2Stream&) = delete;

    /// The server never processed the request: it may be sent again.
    bool Unprocessed() const { return unprocessed_; }
    /// The stream's id on its connection; 0 before its request went out.
    int Id() const { return id_; }

    // What the connection tells of the stream.
    void OnField(QByteArray name, QByteArray value);
    /// A header block is complete: the reply head, or an interim one.
    void OnHeadersEnd();
    void OnData(const char* data, qsizetype length);
    /// The stream is closed, with the peer's error code (0: no error).
    void OnClosed(quint32 errorCode);
    /// The server will not process it, or it could not go out.
    void OnRefused();
    /// The connection failed under it: with `errorNumber` (classic
    /// numbering) once its reply began, else as a request that may go again.
    void OnConnectionLost(int errorNumber);

    bool open(bool resetOnClose) override;
    bool connectTo(const QHostAddress& address, quint16 port) override;
    qint64 send(const char* data, qint64 length) override;
    qint64 receive(char* data, qint64 length) override;
    qint64 peek(char* data, qint64 length) override;
    bool idle() override { return false; }
    bool endConfirmed() const override { return !reset_; }
    qint64 receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) override;
    int listenOn(quint32 address, quint16 port) override;
    int acceptConnection(quint32& address, quint16& port) override;
    bool close() override;
    int handle() const override;
    int lastError() const override { return lastError_; }
    void setEventHandler(EventHandler handler) override { handler_ = std::move(handler); }
    void armRead() override;
    void armWrite() override;

private:
    qint64 take(char* data, qint64 length, bool remove);
    void tell(int event);
    void readable();

    std::shared_ptr<Http2Connection> connection_;
    EventHandler handler_;
    int id_ = 0;
    QByteArray request_; ///< the head being sent, until its empty line
    bool sent_ = false;
    QList<Http2Fields::Field> fields_; ///< of the header block being read
    QByteArray status_;
    bool headRead_ = false;
    /// What the client has yet to read, block by block as it came (no byte
    /// is moved to make room), from `frontTaken_` of the first block on; its
    /// first `headLeft_` bytes are the head, the rest counts against the flow
    /// control windows until read.
    std::deque<QByteArray> in_;
    qsizetype frontTaken_ = 0;
    qsizetype buffered_ = 0;
    qsizetype headLeft_ = 0;
    bool ended_ = false;
    bool reset_ = false;
    bool unprocessed_ = false;
    int lastError_ = 0;
    int failure_ = 0; ///< the error every later read reports
    bool armed_ = false;
    /// Tells the notifications asked for from the event loop: a zero timer
    /// rather than a posted call, which would wake the loop through its
    /// event descriptor for every block of every stream.
    QTimer notify_;
    bool readDue_ = false;
    bool writableDue_ = false;
    /// Gone with the stream: tells its own notification that it is.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
