#include "net/posix_transport.h"

#include "platform/socket_error_numbers.h"
#include "platform/socket_notifications.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in ipv4Address(quint32 address, quint16 port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(port);
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

} // namespace

PosixTransport::PosixTransport() = default;

PosixTransport::~PosixTransport() {
    notifications_.reset();
    if (fd_ >= 0)
        ::close(fd_);
}

qint64 PosixTransport::fail() {
    lastError_ = SocketErrorNumbers::last();
    return -1;
}

bool PosixTransport::open(bool resetOnClose) {
    resetOnClose_ = resetOnClose;
    return makeSocket(AF_INET);
}

bool PosixTransport::makeSocket(int family) {
    dropNotifications();
    if (fd_ >= 0)
        ::close(fd_);
    family_ = family;
    fd_ = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd_ < 0) {
        fail();
        return false;
    }
    if (resetOnClose_) {
        const linger l{1, 0};
        ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &l, sizeof l);
    }
    notifications_ = std::make_unique<SocketNotifications>(fd_, [this](int event, int error) {
        if (handler_)
            handler_(event, error);
    });
    return true;
}

bool PosixTransport::connectTo(const QHostAddress& address, quint16 port) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    const int family = isV4 ? AF_INET : AF_INET6;
    if (family != family_ && !makeSocket(family))
        return false;
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (isV4) {
        const sockaddr_in sa = ipv4Address(v4, port);
        std::memcpy(&storage, &sa, sizeof sa);
        length = sizeof sa;
    } else {
        sockaddr_in6 sa{};
        sa.sin6_family = AF_INET6;
        sa.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&sa.sin6_addr, bytes.c, sizeof bytes.c);
        if (!address.scopeId().isEmpty())
            sa.sin6_scope_id = ::if_nametoindex(address.scopeId().toLatin1().constData());
        std::memcpy(&storage, &sa, sizeof sa);
        length = sizeof sa;
    }
    const int rc = ::connect(fd_, reinterpret_cast<const sockaddr*>(&storage), length);
    if (rc != 0 && errno != EINPROGRESS) {
        fail();
        return false;
    }
    // Even a connect that finished at once reports through the notification.
    if (notifications_)
        notifications_->watchConnect();
    if (rc == 0)
        return true;
    lastError_ = SocketErrorNumbers::WouldBlock;
    return false;
}

int PosixTransport::listenOn(quint32 address, quint16 port) {
    sockaddr_in sa = ipv4Address(address, port);
    const int one = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(fd_, SOMAXCONN) != 0)
        return int(fail());
    socklen_t len = sizeof sa;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0)
        return int(fail());
    return ntohs(sa.sin_port);
}

int PosixTransport::acceptConnection(quint32& address, quint16& port) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    const int fd =
        ::accept4(fd_, reinterpret_cast<sockaddr*>(&sa), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0)
        return int(fail());
    address = ntohl(sa.sin_addr.s_addr);
    port = ntohs(sa.sin_port);
    return fd;
}

qint64 PosixTransport::send(const char* data, qint64 length) {
    const ssize_t n = ::send(fd_, data, size_t(length), MSG_NOSIGNAL);
    return n < 0 ? fail() : n;
}

qint64 PosixTransport::receive(char* data, qint64 length) {
    const ssize_t n = ::recv(fd_, data, size_t(length), 0);
    return n < 0 ? fail() : n;
}

qint64 PosixTransport::peek(char* data, qint64 length) {
    const ssize_t n = ::recv(fd_, data, size_t(length), MSG_PEEK);
    return n < 0 ? fail() : n;
}

bool PosixTransport::idle() {
    char byte = 0;
    const ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

bool WriteWhole(int fd, const char* data, qint64 length) {
    for (qint64 done = 0; done < length;) {
        const ssize_t w = ::write(fd, data + done, size_t(length - done));
        if (w < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += w;
    }
    return true;
}

qint64 PosixTransport::receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) {
    const qint64 n = receive(buffer, qMin(length, bufferSize));
    if (n <= 0)
        return n;
    return WriteWhole(fd, buffer, n) ? n : -2;
}

void PosixTransport::dropNotifications() {
    // Closing often happens inside a notification of this very socket.
    if (notifications_) {
        notifications_->stop();
        notifications_.release()->deleteLater();
    }
}

bool PosixTransport::close() {
    dropNotifications();
    if (fd_ < 0)
        return true;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0 && errno != EINTR) {
        fail();
        return false;
    }
    return true;
}

void PosixTransport::setEventHandler(EventHandler handler) {
    handler_ = std::move(handler);
}

void PosixTransport::armRead() {
    if (notifications_)
        notifications_->armRead();
}

void PosixTransport::armWrite() {
    if (notifications_)
        notifications_->armWrite();
}
