#include "platform/socket_notifications.h"

#include "platform/socket_error_numbers.h"

#include <cerrno>
#include <sys/socket.h>

SocketNotifications::SocketNotifications(int fd, Handler handler)
    : fd_(fd)
    , handler_(std::move(handler))
    , read_(fd, QSocketNotifier::Read)
    , write_(fd, QSocketNotifier::Write) {
    read_.setEnabled(false);
    write_.setEnabled(false);
    connect(&read_, &QSocketNotifier::activated, this, &SocketNotifications::onReadable);
    connect(&write_, &QSocketNotifier::activated, this, &SocketNotifications::onWritable);
}

SocketNotifications::~SocketNotifications() {
    read_.setEnabled(false);
    write_.setEnabled(false);
}

void SocketNotifications::watchConnect() {
    connecting_ = true;
    read_.setEnabled(false);
    write_.setEnabled(true);
}

void SocketNotifications::armRead() {
    readWanted_ = true;
    if (!connecting_)
        read_.setEnabled(true);
}

void SocketNotifications::armWrite() {
    writeWanted_ = true;
    write_.setEnabled(true);
}

void SocketNotifications::stop() {
    read_.setEnabled(false);
    write_.setEnabled(false);
    // The handler itself stays: stop() often runs inside it, and replacing a
    // std::function while it runs destroys the closure under its own feet.
    stopped_ = true;
}

void SocketNotifications::onReadable() {
    if (stopped_)
        return;
    read_.setEnabled(false);
    readWanted_ = false;
    int listening = 0;
    socklen_t len = sizeof listening;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ACCEPTCONN, &listening, &len) == 0 && listening) {
        handler_(Accept, 0);
        return;
    }
    char byte = 0;
    const ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n > 0) {
        handler_(Read, 0);
    } else if (n == 0) {
        handler_(Close, 0);
    } else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
        armRead(); // woken without data: keep watching
    } else {
        handler_(Close, SocketErrorNumbers::last());
    }
}

void SocketNotifications::onWritable() {
    if (stopped_)
        return;
    if (connecting_) {
        connecting_ = false;
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &len) != 0)
            error = errno;
        write_.setEnabled(writeWanted_);
        if (readWanted_)
            read_.setEnabled(true);
        handler_(ConnectDone, SocketErrorNumbers::fromErrno(error));
        return;
    }
    write_.setEnabled(false);
    writeWanted_ = false;
    handler_(Writable, 0);
}
