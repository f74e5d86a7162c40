#include "net/powersock_connector.h"

#include "net/powersock.h"
#include "net/powersock_errors.h"
#include "net/powersock_receiver.h"
#include "net/powersock_sender.h"
#include "net/powersock_waits.h"
#include "net/socket_transport.h"
#include "net/tls_transport.h"
#include "platform/host_lookup.h"
#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <QTimer>
#include <arpa/inet.h>

namespace {

quint32 firstIPv4(const QList<QHostAddress>& addresses) {
    for (const QHostAddress& a : addresses)
        if (a.protocol() == QAbstractSocket::IPv4Protocol)
            return a.toIPv4Address();
    return 0;
}

} // namespace

PowersockConnector::PowersockConnector(TPowersock& session)
    : session_(session)
    , fallback_(new QTimer(&session)) {
    fallback_->setSingleShot(true);
    fallback_->setTimerType(Qt::PreciseTimer);
    QObject::connect(fallback_, &QTimer::timeout, &session, [this] {
        fallbackDue_ = true;
        session_.EventArrived = true;
        session_.waits_->ResumeNow();
    });
}

void PowersockConnector::HandleLookup(quint64 lookup, int error,
                                      const QList<QHostAddress>& addresses) {
    // A lookup that completes after its wait gave up only raises the flag.
    session_.EventArrived = true;
    const auto resume = qScopeGuard([this] { session_.waits_->ResumeNow(); });
    if (lookup != lookupSerial_)
        return;
    session_.LastEventOk = error == 0;
    if (error != 0)
        session_.LastErrorCode = error;
    lookupDone_ = true;
    lookupAddresses_ = addresses;
}

Task<> PowersockConnector::ResolveHostAsync() {
    session_.ReportStatus(8, QCoreApplication::translate("PowersockConnector", "Resolve Host"));
    QString name = session_.Proxy.isEmpty() ? session_.Host : session_.Proxy;
    // "[::1]" as it stands in a URL.
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
        name = name.mid(1, name.size() - 2);
    session_.RemoteAddresses.clear();
    const in_addr_t dotted = ::inet_addr(name.toLatin1().constData());
    if (dotted != INADDR_NONE) {
        session_.RemoteAddress = ntohl(dotted);
        session_.RemoteAddresses << QHostAddress(session_.RemoteAddress);
        co_return;
    }
    session_.RemoteAddress = 0;
    if (name.contains(QLatin1Char(':'))) {
        const QHostAddress literal(name);
        if (literal.protocol() == QAbstractSocket::IPv6Protocol) {
            session_.RemoteAddresses << literal;
            co_return;
        }
    }
    session_.TimerOn();
    session_.EventArrived = false;
    lookupDone_ = false;
    const quint64 lookup = ++lookupSerial_;
    LookupHostAsync(name, &session_,
                    [this, lookup](int error, const QList<QHostAddress>& addresses) {
                        HandleLookup(lookup, error, addresses);
                    });
    while (!lookupDone_ && !session_.TimedOut && !session_.Cancelled)
        co_await session_.waits_->NextEvent();
    session_.TimerOff();
    if (session_.TimedOut)
        throw ESockError(QCoreApplication::translate("PowersockConnector", "Host Lookup Timed Out"),
                         SockErrorCode::LookupTimedOut);
    if (session_.Cancelled)
        throw ESockError(QCoreApplication::translate("PowersockConnector", "Host Lookup Canceled"),
                         SockErrorCode::Cancelled);
    if (session_.LastEventOk && !lookupAddresses_.isEmpty()) {
        session_.RemoteAddresses = lookupAddresses_;
        session_.RemoteAddress = firstIPv4(session_.RemoteAddresses);
        if (session_.OnHostResolved)
            session_.OnHostResolved(&session_);
        co_return;
    }
    throw ESockError(QCoreApplication::translate("PowersockConnector", "Host Lookup Failed"),
                     SockErrorCode::LookupFailed);
}

Task<bool> PowersockConnector::TryAddressAsync(QHostAddress address, bool last) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    session_.RemoteAddress = isV4 ? v4 : 0;
    session_.EventArrived = false;
    session_.LastEventOk = true;
    fallbackDue_ = false;
    if (!session_.transport_->connectTo(address, session_.RemotePort)) {
        const int error = session_.transport_->lastError();
        if (error != SocketErrorNumbers::WouldBlock) {
            // A refusal known at once ends like one reported later.
            session_.LastErrorCode = error;
            session_.LastEventOk = false;
        }
    }
    if (!last)
        fallback_->start(TPowersock::ConnectFallbackMs);
    while (!session_.IsConnected && !session_.TimedOut && !session_.Cancelled &&
           session_.LastEventOk && !fallbackDue_)
        co_await session_.waits_->NextEvent();
    fallback_->stop();
    co_return session_.IsConnected || session_.TimedOut || session_.Cancelled;
}

Task<> PowersockConnector::ConnectAsync() {
    session_.ReportStatus(8, QCoreApplication::translate("PowersockConnector", "Connecting"));
    session_.Cancelled = false;
    if (session_.IsConnected)
        throw ESockError(QCoreApplication::translate("PowersockConnector", "Already connected"),
                         SockErrorCode::AlreadyConnected);
    session_.errors_->KeepCloseError(0);
    session_.LastErrorCode = 0;
    session_.receiver_->StartConnection();
    for (int retry = 0;; ++retry) {
        try {
            co_await ResolveHostAsync();
        } catch (const ESockError& e) {
            if (e.code() == SockErrorCode::LookupTimedOut || e.code() == SockErrorCode::Cancelled)
                throw;
            session_.RemoteAddress = 0;
            session_.RemoteAddresses.clear();
        }
        if (!session_.RemoteAddresses.isEmpty())
            break;
        bool handled = false;
        if (retry == 0 && session_.OnInvalidHost)
            session_.OnInvalidHost(handled);
        if (!handled)
            throw ESockError(
                QCoreApplication::translate("PowersockConnector", "Null Remote Address"),
                SockErrorCode::LookupFailed);
    }
    session_.RemotePort = quint16(session_.Proxy.isEmpty() ? session_.Port : session_.ProxyPort);

    session_.TimerOn();
    for (qsizetype i = 0; i < session_.RemoteAddresses.size(); ++i) {
        // An address that refused or did not answer leaves its socket half
        // way; the next one starts on a fresh socket.
        if (i > 0)
            session_.OpenSocket(false);
        if (co_await TryAddressAsync(session_.RemoteAddresses[i],
                                     i + 1 == session_.RemoteAddresses.size()))
            break;
    }
    session_.TimerOff();
    if (session_.IsConnected && !session_.TimedOut && !session_.Cancelled)
        co_return;
    if (session_.OnConnectionFailed)
        session_.OnConnectionFailed(&session_);
    if (session_.TimedOut)
        throw ESockError(QCoreApplication::translate("PowersockConnector", "Connection Timed out"),
                         SockErrorCode::ConnectTimedOut);
    if (session_.Cancelled)
        throw ESockError(QCoreApplication::translate("PowersockConnector", "Connection Canceled"),
                         SockErrorCode::Cancelled);
    throw ESockError(QCoreApplication::translate("PowersockConnector", "Connection Failed"),
                     SockErrorCode::ConnectFailed);
}

Task<> PowersockConnector::SecureAsync(QString hostName, quint16 port) {
    TPowersock& s = session_;
    s.ReportStatus(8, QCoreApplication::translate("PowersockConnector", "Securing Connection"));
    s.TimerOn();
    TlsTransport::Step step = s.tls_->startHandshake(hostName, port, s.TlsCaFile);
    while (!s.TimedOut && !s.Cancelled) {
        if (step == TlsTransport::Step::Done || step == TlsTransport::Step::Failed)
            break;
        if (step == TlsTransport::Step::WantWrite)
            co_await s.sender_->WaitWritableAsync();
        else
            co_await s.waits_->NextEvent();
        if (!s.TimedOut && !s.Cancelled)
            step = s.tls_->continueHandshake();
    }
    s.TimerOff();
    if (!s.TimedOut && !s.Cancelled && step == TlsTransport::Step::Done) {
        s.ReportStatus(8, QCoreApplication::translate("PowersockConnector", "Connection Secured"));
        co_return;
    }
    const QString text =
        s.TimedOut    ? QCoreApplication::translate("PowersockConnector", "TLS Handshake Timed out")
        : s.Cancelled ? QCoreApplication::translate("PowersockConnector", "TLS Handshake Canceled")
                      : s.tls_->failureText();
    // Closed, so that nothing a caller sends next can go out unencrypted.
    s.CloseSocket();
    throw ESockError(text, s.TimedOut    ? SockErrorCode::TlsTimedOut
                           : s.Cancelled ? SockErrorCode::Cancelled
                                         : SockErrorCode::TlsFailed);
}
