#pragma once

#include "platform/socket_notifications.h"

#include <QHostAddress>
#include <QtGlobal>
#include <functional>

/// Writes `length` bytes of `data` whole to the file `fd`, going on after
/// interrupted writes; false on a write error (errno says which). The
/// transports' receiveToFile() lands its bytes with it.
bool WriteWhole(int fd, const char* data, qint64 length);

/// The session's byte I/O behind one narrow seam: the line reader, the
/// captures and the HTTP client above never touch a socket call directly, so
/// another transport (TLS, IPv6) can slot in later.
///
/// Errors are reported in the classic socket numbering (10035 would block,
/// 10057 not connected, 10061 refused, ...) through `lastError()`.
class SocketTransport {
public:
    /// Asynchronous notifications: the platform's, with their classic event
    /// codes (Read, Accept, ConnectDone, Close, Writable).
    using Event = SocketNotifications::Event;
    using enum SocketNotifications::Event;
    /// Called on the owning thread with an event code and an error number
    /// (0 = no error).
    using EventHandler = std::function<void(int event, int error)>;

    virtual ~SocketTransport() = default;

    /// Opens a fresh unconnected stream socket and starts watching it;
    /// `resetOnClose` makes a later close reset the connection at once.
    /// False on failure, see lastError().
    virtual bool open(bool resetOnClose) = 0;
    /// Starts a connect to an IPv4 or IPv6 address and port; the outcome
    /// arrives as ConnectDone. The socket open() made is replaced by one of
    /// the address's family when it differs. False when it failed at once.
    virtual bool connectTo(const QHostAddress& address, quint16 port) = 0;
    /// Sends up to `length` bytes; the count sent, 0, or -1 on error.
    virtual qint64 send(const char* data, qint64 length) = 0;
    /// Receives up to `length` bytes; the count, 0 when the peer closed, -1 on error.
    virtual qint64 receive(char* data, qint64 length) = 0;
    /// Like receive(), but leaves the bytes queued.
    virtual qint64 peek(char* data, qint64 length) = 0;
    /// Whether the connection is open with nothing waiting on it: no byte
    /// to read, no close. Found without blocking and without taking anything.
    virtual bool idle() = 0;
    /// Whether the last end of stream that receive() or peek() reported (0)
    /// was the peer's own: always for plain TCP; through TLS only with the
    /// peer's close_notify (RFC 8446 6.1), since a bare TCP close can come
    /// from anyone on the path. Holds until the next connection.
    virtual bool endConfirmed() const = 0;
    /// Receives up to `length` bytes straight into the open file `fd`, using
    /// `buffer` (of `bufferSize` bytes) when it needs a bounce buffer. Same
    /// results as receive(); a file write failure is -2 with errno set.
    virtual qint64 receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) = 0;
    /// Binds to an IPv4 address (host order) and port (0 = any free one) and
    /// listens; the bound port, or -1 on failure.
    virtual int listenOn(quint32 address, quint16 port) = 0;
    /// Takes one waiting connection: its non-blocking handle (owned by the
    /// caller) and peer address, or -1 on failure.
    virtual int acceptConnection(quint32& address, quint16& port) = 0;
    /// Closes the socket; false on failure.
    virtual bool close() = 0;
    /// The platform handle, -1 when none is open.
    virtual int handle() const = 0;
    /// Classic number of the last failed call.
    virtual int lastError() const = 0;

    /// Where the notifications go.
    virtual void setEventHandler(EventHandler handler) = 0;
    /// A read notification is delivered once and then stays quiet until the
    /// next armRead(), so that a nested event loop (a modal dialog opened from
    /// an event) does not spin on data nobody reads.
    virtual void armRead() = 0;
    /// Asks for one Writable notification.
    virtual void armWrite() = 0;
};
