#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>

/// Asynchronous notifications for one non-blocking socket, delivered on the
/// owner's thread by the event loop: read (1), accept (8), connect done (16,
/// with the connect's error), close (32, with an error for a reset) and
/// writable (64). Error numbers are classic ones (10061 refused, ...).
///
/// Read, accept and close are delivered once and then stay quiet until
/// armRead(): pending data that nobody reads (a modal dialog opened from an
/// event) does not keep the process busy.
class SocketNotifications : public QObject {
    Q_OBJECT
public:
    enum Event { Read = 1, Accept = 8, ConnectDone = 16, Close = 32, Writable = 64 };
    using Handler = std::function<void(int event, int error)>;

    /// Watches `fd` (not owned). Nothing is delivered until watchConnect()
    /// or armRead(): an unconnected socket reports itself as hung up.
    SocketNotifications(int fd, Handler handler);
    ~SocketNotifications() override;

    /// Delivers ConnectDone once the connect under way completes; read
    /// notifications are held back until then.
    void watchConnect();
    /// Delivers the next Read, Accept or Close once.
    void armRead();
    /// Delivers the next Writable once.
    void armWrite();
    /// Delivers nothing more; for a socket about to close. Safe inside a
    /// notification, unlike destruction (use deleteLater() after it).
    void stop();

private:
    void onReadable();
    void onWritable();

    int fd_;
    Handler handler_;
    QSocketNotifier read_;
    QSocketNotifier write_;
    bool stopped_ = false;
    bool connecting_ = false;
    bool readWanted_ = false;
    bool writeWanted_ = false;
};
