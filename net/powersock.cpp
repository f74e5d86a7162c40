#include "net/powersock.h"

#include "net/posix_transport.h"
#include "net/powersock_connector.h"
#include "net/powersock_receiver.h"
#include "net/tls_transport.h"
#include "platform/socket_error_numbers.h"

#include <QScopeGuard>
#include <QSysInfo>
#include <QTimer>
#include <arpa/inet.h>
#include <stdexcept>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>

namespace {

// The socket layer is started once per process and shut down when its last
// session goes. Linux needs neither step; the counter keeps the contract that
// callers and tests rely on.
int gWinsockUsers = 0;
int gStartups = 0;
int gCleanups = 0;

void startUp(QStringList& info) {
    ++gStartups;
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    info << QStringLiteral("Version= 1.1") << QStringLiteral("High Version= 1.1")
         << QStringLiteral("Description= BSD sockets on ") + QSysInfo::kernelType() + " " +
                QSysInfo::kernelVersion()
         << QStringLiteral("System= Running")
         << QStringLiteral("Max Sockets= ") + QString::number(qulonglong(files.rlim_cur))
         << QStringLiteral("Max Udp pack size= 65507");
}

void release() {
    if (gWinsockUsers > 0 && --gWinsockUsers == 0)
        ++gCleanups;
}

} // namespace

TPowersock::TPowersock(QObject* owner)
    : QObject(owner)
    , ioBuffer_(new char[BufferSize + 1]())
    , transport_(std::make_unique<TlsTransport>(std::make_unique<PosixTransport>()))
    , receiver_(std::make_unique<PowersockReceiver>(*this))
    , connector_(std::make_unique<PowersockConnector>(*this)) {
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
        release();
}

void TPowersock::InitWinsock() {
    ReportStatus(8, QStringLiteral("Initializing Winsock"));
    try {
        if (gWinsockUsers++ == 0)
            startUp(WinsockInfo);
        startedUp_ = true;
        OpenSocket(true);
    } catch (...) {
        if (startedUp_)
            release();
        startedUp_ = false;
        throw ESockError(QStringLiteral("Initializaton of windows sockets failed"));
    }
}

void TPowersock::OpenSocket(bool resetOnClose) {
    listening_ = false;
    if (!transport_->open(resetOnClose))
        CheckSocketError(0);
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

void TPowersock::CheckSocketError(int ignored, QString& text) {
    LastErrorCode = transport_->lastError();
    if (LastErrorCode == ignored || LastErrorCode <= 10000) {
        text.clear();
        return;
    }
    text = ErrorText(LastErrorCode);
    RaiseSocketError(text);
}

void TPowersock::RaiseSocketError(const QString& text) {
    if (OnSocketError)
        OnSocketError(this, quint16(LastErrorCode), text);
    throw ESockError(text, SockErrorCode::SocketError);
}

void TPowersock::CheckCloseError() {
    if (closeError_ == 0)
        return;
    LastErrorCode = std::exchange(closeError_, 0);
    RaiseSocketError(ErrorText(LastErrorCode));
}

void TPowersock::CheckSocketError(int ignored) {
    QString text;
    CheckSocketError(ignored, text);
}

QString TPowersock::ErrorText(int errorNumber) {
    ReportStatus(8, QStringLiteral("Looking Up Error Message"));
    if (errorNumber == 0)
        return {};
    if (const char* text = SocketErrorNumbers::text(errorNumber))
        return QString::number(errorNumber) + ':' + QLatin1String(text);
    return QStringLiteral("Unknown Error No. ") + QString::number(errorNumber);
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
            writable_ = true;
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
                closeError_ = error;
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
    ReportStatus(8, QStringLiteral("Securing Connection"));
    TimerOn();
    TlsTransport::Step step = tls_->startHandshake(hostName, port, TlsCaFile);
    while (!TimedOut && !Cancelled) {
        if (step == TlsTransport::Step::Done || step == TlsTransport::Step::Failed)
            break;
        if (step == TlsTransport::Step::WantWrite)
            co_await WaitWritableAsync();
        else
            co_await NextEvent();
        if (!TimedOut && !Cancelled)
            step = tls_->continueHandshake();
    }
    TimerOff();
    if (!TimedOut && !Cancelled && step == TlsTransport::Step::Done) {
        ReportStatus(8, QStringLiteral("Connection Secured"));
        co_return;
    }
    const QString text = TimedOut    ? QStringLiteral("TLS Handshake Timed out")
                         : Cancelled ? QStringLiteral("TLS Handshake Canceled")
                                     : tls_->failureText();
    // Closed, so that nothing a caller sends next can go out unencrypted.
    CloseSocket();
    throw ESockError(text, TimedOut    ? SockErrorCode::TlsTimedOut
                           : Cancelled ? SockErrorCode::Cancelled
                                       : SockErrorCode::TlsFailed);
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
            CheckSocketError(SocketErrorNumbers::WouldBlock);
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
    const in_addr_t a = ::inet_addr(address.toLatin1().constData());
    const int bound = transport_->listenOn(ntohl(a), port);
    if (bound < 0) {
        CheckSocketError(SocketErrorNumbers::WouldBlock);
        throw ESockError(ErrorText(transport_->lastError()));
    }
    listening_ = true;
    return quint16(bound);
}

int TPowersock::Accept() {
    return Wait(AcceptAsync());
}

Task<int> TPowersock::AcceptAsync() {
    ReportStatus(4, QStringLiteral("Accepting"));
    EventArrived = false;
    while (!EventArrived && !Cancelled)
        co_await NextEvent();
    if (Cancelled)
        throw ESockError(QStringLiteral("Accepting Canceled"), SockErrorCode::Cancelled);
    EventArrived = false;
    if (!LastEventOk)
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    quint32 address = 0;
    quint16 port = 0;
    const int fd = transport_->acceptConnection(address, port);
    if (fd < 0) {
        CheckSocketError(SocketErrorNumbers::WouldBlock);
        throw ESockError(QStringLiteral("Error creating Data Connection"));
    }
    RemoteAddress = address;
    RemotePort = port;
    if (Cancelled) {
        Cancelled = false;
        ::close(fd);
        throw EAbortError(QStringLiteral("Socket send aborted"));
    }
    co_return fd;
}

int TPowersock::WinsockUsers() {
    return gWinsockUsers;
}
int TPowersock::StartupCount() {
    return gStartups;
}
int TPowersock::CleanupCount() {
    return gCleanups;
}
