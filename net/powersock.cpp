#include "net/powersock.h"

#include "net/posix_transport.h"
#include "net/powersock_connector.h"
#include "net/powersock_errors.h"
#include "net/powersock_listener.h"
#include "net/powersock_receiver.h"
#include "net/powersock_sender.h"
#include "net/powersock_waits.h"
#include "net/socket_layer.h"
#include "net/tls_transport.h"
#include "platform/socket_error_numbers.h"

#include <stdexcept>
#include <utility>

TPowersock::TPowersock(QObject* owner)
    : QObject(owner)
    , ioBuffer_(new char[BufferSize + 1]())
    , transport_(std::make_unique<TlsTransport>(std::make_unique<PosixTransport>()))
    , receiver_(std::make_unique<PowersockReceiver>(*this))
    , errors_(std::make_unique<PowersockErrors>(*this))
    , sender_(std::make_unique<PowersockSender>(*this))
    , connector_(std::make_unique<PowersockConnector>(*this))
    , listener_(std::make_unique<PowersockListener>(*this)) {
    tls_ = static_cast<TlsTransport*>(transport_.get());
    ReportStatus(8, QStringLiteral("Create"));
    waits_ = std::make_unique<PowersockWaits>(*this);
    WatchTransport();
    InitWinsock();
}

TPowersock::~TPowersock() {
    // From here on no handler runs: the owner that installed them may be
    // half gone already.
    Destroying = true;
    ReportStatus(8, QStringLiteral("Destroy"));
    try {
        Abort();
        Cancel();
    } catch (...) {
    }
    waits_->StopTimer();
    try {
        CloseSocket();
    } catch (...) {
    }
    if (startedUp_)
        SocketLayer::Leave();
}

void TPowersock::WatchTransport() {
    transport_->setEventHandler(
        [this](int event, int error) { waits_->HandleEvent(event, error); });
}

void TPowersock::InitWinsock() {
    ReportStatus(8, tr("Initializing Winsock"));
    try {
        SocketLayer::Join(WinsockInfo);
        startedUp_ = true;
        OpenSocket(true);
    } catch (...) {
        if (startedUp_)
            SocketLayer::Leave();
        startedUp_ = false;
        throw ESockError(tr("Initializaton of windows sockets failed"));
    }
}

void TPowersock::OpenSocket(bool resetOnClose) {
    listening_ = false;
    if (!transport_->open(resetOnClose))
        errors_->Check(0);
}

void TPowersock::SetTimeOut(int ms) {
    if (ms < 0)
        throw std::invalid_argument("TimeOut must not be negative");
    timeOut_ = ms;
}

int TPowersock::SocketHandle() const {
    return transport_->handle();
}

void TPowersock::ReportStatus(int level, const QString& text) {
    if (ReportLevel < level)
        return;
    try {
        StatusText = text;
        if (!Destroying && OnStatus)
            OnStatus(this, text);
    } catch (...) {
        // A status text must never break the operation that reports it.
    }
}

QString TPowersock::ErrorText(int errorNumber) {
    ReportStatus(8, tr("Looking Up Error Message"));
    return SocketErrorText(errorNumber);
}

void TPowersock::Cancel() {
    ReportStatus(8, tr("Canceling"));
    Cancelled = true;
    waits_->Wake();
}

void TPowersock::Abort() {
    ReportStatus(8, QStringLiteral("Abort"));
    Cancel();
}

void TPowersock::TimerOn() {
    waits_->TimerOn();
}

void TPowersock::TimerOff() {
    waits_->TimerOff();
}

void TPowersock::DropWaiter() {
    waits_->Drop();
}

void TPowersock::ResolveHost() {
    Wait(ResolveHostAsync());
}

Task<> TPowersock::ResolveHostAsync() {
    return connector_->ResolveHostAsync();
}

void TPowersock::Connect() {
    Wait(ConnectAsync());
}

Task<> TPowersock::ConnectAsync() {
    return connector_->ConnectAsync();
}

void TPowersock::StartTls(const QString& hostName, quint16 port) {
    Wait(StartTlsAsync(hostName, port));
}

Task<> TPowersock::StartTlsAsync(QString hostName, quint16 port) {
    return connector_->SecureAsync(std::move(hostName), port);
}

bool TPowersock::TlsActive() const {
    return !parked_ && tls_->secure();
}

void TPowersock::OfferAlpn(const QList<QByteArray>& protocols) {
    alpn_ = protocols;
    tls_->setAlpn(protocols);
}

QByteArray TPowersock::AlpnSelected() const {
    return parked_ ? QByteArray() : tls_->alpnSelected();
}

std::unique_ptr<SocketTransport> TPowersock::TakeConnection() {
    if (parked_ || !IsConnected)
        return nullptr;
    std::unique_ptr<SocketTransport> taken = std::move(transport_);
    taken->setEventHandler({});
    auto fresh = std::make_unique<TlsTransport>(std::make_unique<PosixTransport>());
    tls_ = fresh.get();
    tls_->setAlpn(alpn_);
    transport_ = std::move(fresh);
    WatchTransport();
    IsConnected = false;
    OpenSocket(false);
    return taken;
}

void TPowersock::UseStream(std::unique_ptr<SocketTransport> stream) {
    if (!parked_)
        parked_ = std::move(transport_);
    else
        transport_->close();
    transport_ = std::move(stream);
    WatchTransport();
    errors_->KeepCloseError(0);
    LastErrorCode = 0;
    receiver_->StartConnection();
    IsConnected = true;
    if (OnConnect && !Destroying)
        OnConnect(this);
}

void TPowersock::WakeUp() {
    EventArrived = true;
    waits_->Wake();
}

Task<> TPowersock::WaitForWakeAsync() {
    co_await waits_->NextEvent(false);
}

void TPowersock::Disconnect() {
    ReportStatus(8, tr("Disconnecting"));
    CloseSocket();
}

void TPowersock::CloseSocket() {
    ReportStatus(4, tr("Request Close Socket"));
    IsConnected = false;
    listening_ = false;
    if (parked_) {
        // A stream ends alone; the session's own socket was never used.
        transport_->close();
        transport_ = std::move(parked_);
        if (!Destroying && OnDisconnect)
            OnDisconnect(this);
        return;
    }
    if (transport_->handle() < 0)
        return;
    if (!transport_->close()) {
        if (!Destroying)
            errors_->Check(SocketErrorNumbers::WouldBlock);
        return;
    }
    if (Destroying)
        return;
    if (OnDisconnect)
        OnDisconnect(this);
    OpenSocket(false);
}

bool TPowersock::DataAvailable() {
    ReportStatus(8, tr("Data Available"));
    // Not into IOBuffer: a close notification asks this inside ReadLn, which
    // keeps the start of an unfinished line there.
    char byte = 0;
    return transport_->peek(&byte, 1) >= 1;
}

bool TPowersock::PeerEndConfirmed() const {
    return transport_->endConfirmed();
}

bool TPowersock::ConnectionReusable() {
    return IsConnected && transport_->idle();
}

quint16 TPowersock::Listen(quint16 port, const QString& address) {
    return listener_->Listen(port, address);
}

int TPowersock::Accept() {
    return Wait(AcceptAsync());
}

Task<int> TPowersock::AcceptAsync() {
    return listener_->AcceptAsync();
}

int TPowersock::WinsockUsers() {
    return SocketLayer::Users();
}
int TPowersock::StartupCount() {
    return SocketLayer::Startups();
}
int TPowersock::CleanupCount() {
    return SocketLayer::Cleanups();
}
