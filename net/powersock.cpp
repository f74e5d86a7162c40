#include "net/powersock.h"

#include "net/posix_transport.h"
#include "net/powersock_connector.h"
#include "net/powersock_errors.h"
#include "net/powersock_listener.h"
#include "net/powersock_receiver.h"
#include "net/powersock_sender.h"
#include "net/socket_layer.h"
#include "net/tls_transport.h"
#include "platform/socket_error_numbers.h"

#include <QScopeGuard>
#include <QTimer>
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
    transport_->setEventHandler([this](int event, int error) { HandleEvent(event, error); });
    timer_ = new TThreadTimer(this);
    timer_->SetEnabled(false);
    timer_->SetOnTimer([this](QObject*) { TimerFired(); });
    resume_ = new QTimer(this);
    resume_->setSingleShot(true);
    resume_->setInterval(0);
    connect(resume_, &QTimer::timeout, this, [this] { ResumeNow(); });
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
    timer_->SetEnabled(false);
    try {
        CloseSocket();
    } catch (...) {
    }
    if (startedUp_)
        SocketLayer::Leave();
}

void TPowersock::InitWinsock() {
    ReportStatus(8, QStringLiteral("Initializing Winsock"));
    try {
        SocketLayer::Join(WinsockInfo);
        startedUp_ = true;
        OpenSocket(true);
    } catch (...) {
        if (startedUp_)
            SocketLayer::Leave();
        startedUp_ = false;
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
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
    ReportStatus(8, QStringLiteral("Looking Up Error Message"));
    return SocketErrorText(errorNumber);
}

void TPowersock::Cancel() {
    ReportStatus(8, QStringLiteral("Canceling"));
    Cancelled = true;
    Wake();
}

void TPowersock::Abort() {
    ReportStatus(8, QStringLiteral("Abort"));
    Cancel();
}

void TPowersock::TimerOn() {
    ReportStatus(8, QStringLiteral("Timer On"));
    TimedOut = false;
    // Disabling first restarts a running period: the time-out counts from the
    // last activity, not from the first TimerOn of a long transfer.
    timer_->SetEnabled(false);
    timer_->SetInterval(timeOut_);
    timer_->SetEnabled(true);
}

void TPowersock::TimerOff() {
    ReportStatus(8, QStringLiteral("Timer Off"));
    timer_->SetEnabled(false);
}

void TPowersock::TimerFired() {
    ReportStatus(8, QStringLiteral("Timer Triggered"));
    TimerOff();
    TimedOut = true;
    EventArrived = true;
    Abort();
    ResumeNow();
}

void TPowersock::EventAwaiter::await_suspend(std::coroutine_handle<> waiting) {
    // An unconnected socket reads as hung up; only watch it once it carries
    // a connection (or listens). A wait that will not read leaves it alone,
    // or unread data would wake it at once, round after round.
    if (watchRead && (session.IsConnected || session.listening_))
        session.transport_->armRead();
    session.waiting_ = waiting;
    if (yield)
        session.Wake();
}

void TPowersock::ResumeNow() {
    if (const std::coroutine_handle<> waiting = std::exchange(waiting_, {}))
        waiting.resume();
}

void TPowersock::Wake() {
    // Queued, so that an event raised inside the running step (a handler
    // that cancels) never resumes that step from within itself, and every
    // resumption starts from the event loop.
    if (waiting_ && !resume_->isActive())
        resume_->start();
}

void TPowersock::HandleEvent(int event, int error) {
    // The operation goes on once the event is recorded.
    const auto resume = qScopeGuard([this] { ResumeNow(); });
    try {
        if (event == SocketTransport::Writable) {
            sender_->MarkWritable();
            return;
        }
        LastEventOk = error == 0;
        switch (event) {
        case SocketTransport::Read:
            try {
                if (OnReadReady)
                    OnReadReady(this);
            } catch (...) {
            }
            break;
        case SocketTransport::Accept:
            IsConnected = true;
            // Lets Accept go on without help from the session's user.
            EventArrived = true;
            if (OnAcceptReady)
                OnAcceptReady(this);
            break;
        case SocketTransport::ConnectDone:
            if (LastEventOk) {
                IsConnected = true;
                if (OnConnect)
                    OnConnect(this);
            } else {
                // Kept, so that a failed connect can say refused or no route.
                LastErrorCode = error;
            }
            break;
        case SocketTransport::Close:
            // Unread data is delivered first; the reader then meets the end
            // of the stream itself. A reset is kept for the reader, who would
            // otherwise take the cut stream for a whole one.
            if (!DataAvailable()) {
                errors_->KeepCloseError(error);
                CloseSocket();
            }
            break;
        default:
            break;
        }
    } catch (...) {
        // Nothing may escape into the event loop.
    }
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
    return tls_->secure();
}

void TPowersock::Disconnect() {
    ReportStatus(8, QStringLiteral("Disconnecting"));
    CloseSocket();
}

void TPowersock::CloseSocket() {
    ReportStatus(4, QStringLiteral("Request Close Socket"));
    IsConnected = false;
    listening_ = false;
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
    ReportStatus(8, QStringLiteral("Data Available"));
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
