#pragma once

#include "net/socket_transport.h"

#include <memory>

class SocketNotifications;

/// Plain TCP over non-blocking POSIX sockets, watched by the event loop:
/// IPv4, and IPv6 for connects.
class PosixTransport : public SocketTransport {
public:
    PosixTransport();
    ~PosixTransport() override;

    bool open(bool resetOnClose) override;
    bool connectTo(const QHostAddress& address, quint16 port) override;
    qint64 send(const char* data, qint64 length) override;
    qint64 receive(char* data, qint64 length) override;
    qint64 peek(char* data, qint64 length) override;
    bool idle() override;
    bool endConfirmed() const override { return true; }
    qint64 receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) override;
    int listenOn(quint32 address, quint16 port) override;
    int acceptConnection(quint32& address, quint16& port) override;
    bool close() override;
    int handle() const override { return fd_; }
    int lastError() const override { return lastError_; }
    void setEventHandler(EventHandler handler) override;
    void armRead() override;
    void armWrite() override;

private:
    qint64 fail();
    bool makeSocket(int family);
    void dropNotifications();

    int fd_ = -1;
    int family_ = 0;
    bool resetOnClose_ = false;
    int lastError_ = 0;
    EventHandler handler_;
    std::unique_ptr<SocketNotifications> notifications_;
};
