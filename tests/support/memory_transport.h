#pragma once

#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QByteArray>
#include <cstring>
#include <memory>

/// A connection whose other end is the test itself: what the client sends
/// piles up in `toServer`, what the test puts in `toClient` is what the
/// client reads, and the test delivers the client's read notification
/// (`armed`, `handler`) when it has put something there.
struct MemoryPipe {
    QByteArray toServer;
    QByteArray toClient;
    bool cut = false; ///< the other end closed the connection
    bool armed = false;
    SocketTransport::EventHandler handler;

    /// Tells the client that something came, when it asked to hear it.
    void Deliver() {
        if ((!toClient.isEmpty() || cut) && armed && handler) {
            armed = false;
            handler(SocketTransport::Read, 0);
        }
    }
};

/// The client's end of a MemoryPipe.
class MemoryTransport : public SocketTransport {
public:
    explicit MemoryTransport(std::shared_ptr<MemoryPipe> pipe)
        : pipe_(std::move(pipe)) {}
    bool open(bool) override { return true; }
    bool connectTo(const QHostAddress&, quint16) override { return false; }
    qint64 send(const char* data, qint64 length) override {
        pipe_->toServer.append(data, qsizetype(length));
        return length;
    }
    qint64 receive(char* data, qint64 length) override {
        const qint64 n = peek(data, length);
        if (n > 0)
            pipe_->toClient.remove(0, qsizetype(n));
        return n;
    }
    qint64 peek(char* data, qint64 length) override {
        if (!pipe_->toClient.isEmpty()) {
            const qint64 n = qMin<qint64>(length, pipe_->toClient.size());
            std::memcpy(data, pipe_->toClient.constData(), size_t(n));
            return n;
        }
        if (pipe_->cut)
            return 0;
        error_ = SocketErrorNumbers::WouldBlock;
        return -1;
    }
    bool idle() override { return false; }
    bool endConfirmed() const override { return true; }
    qint64 receiveToFile(int, qint64, char*, qint64) override { return -1; }
    int listenOn(quint32, quint16) override { return -1; }
    int acceptConnection(quint32&, quint16&) override { return -1; }
    bool close() override { return true; }
    int handle() const override { return 3; }
    int lastError() const override { return error_; }
    void setEventHandler(EventHandler handler) override { pipe_->handler = std::move(handler); }
    void armRead() override { pipe_->armed = true; }
    void armWrite() override {}

private:
    std::shared_ptr<MemoryPipe> pipe_;
    int error_ = 0;
};
