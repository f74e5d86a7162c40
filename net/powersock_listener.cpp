#include "net/powersock_listener.h"

#include "net/powersock.h"
#include "net/powersock_errors.h"
#include "net/powersock_waits.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <unistd.h>

PowersockListener::PowersockListener(TPowersock& session)
    : session_(session) {}

quint16 PowersockListener::Listen(quint16 port, const QString& address) {
    const in_addr_t a = ::inet_addr(address.toLatin1().constData());
    const int bound = session_.transport_->listenOn(ntohl(a), port);
    if (bound < 0) {
        session_.errors_->Check(SocketErrorNumbers::WouldBlock);
        throw ESockError(session_.ErrorText(session_.transport_->lastError()));
    }
    session_.listening_ = true;
    return quint16(bound);
}

Task<int> PowersockListener::AcceptAsync() {
    TPowersock& s = session_;
    s.ReportStatus(4, QCoreApplication::translate("PowersockListener", "Accepting"));
    s.EventArrived = false;
    while (!s.EventArrived && !s.Cancelled)
        co_await s.waits_->NextEvent();
    if (s.Cancelled)
        throw ESockError(QCoreApplication::translate("PowersockListener", "Accepting Canceled"),
                         SockErrorCode::Cancelled);
    s.EventArrived = false;
    if (!s.LastEventOk)
        throw ESockError(
            QCoreApplication::translate("PowersockListener", "Error creating Data Connection"));
    quint32 address = 0;
    quint16 port = 0;
    const int fd = s.transport_->acceptConnection(address, port);
    if (fd < 0) {
        s.errors_->Check(SocketErrorNumbers::WouldBlock);
        throw ESockError(
            QCoreApplication::translate("PowersockListener", "Error creating Data Connection"));
    }
    s.RemoteAddress = address;
    s.RemotePort = port;
    if (s.Cancelled) {
        s.Cancelled = false;
        ::close(fd);
        throw EAbortError(QCoreApplication::translate("PowersockListener", "Socket send aborted"));
    }
    co_return fd;
}
