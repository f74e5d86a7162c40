#include "net/powersock.h"

#include "net/posix_transport.h"

#include <stdexcept>

namespace {
int gWinsockUsers = 0;
int gStartups = 0;
int gCleanups = 0;
[[noreturn]] void notYet() {
    throw std::runtime_error("not implemented yet");
}
} // namespace

TPowersock::TPowersock(QObject* owner)
    : QObject(owner)
    , ioBuffer_(new char[BufferSize + 1]())
    , transport_(std::make_unique<PosixTransport>())
    , timer_(new TThreadTimer(this)) {}

TPowersock::~TPowersock() = default;

void TPowersock::SetTimeOut(int ms) {
    if (ms < 0)
        throw std::invalid_argument("TimeOut must not be negative");
    timeOut_ = ms;
}
int TPowersock::SocketHandle() const {
    return transport_->handle();
}
void TPowersock::Connect() {
    notYet();
}
void TPowersock::Disconnect() {
    notYet();
}
QByteArray TPowersock::Transaction(const QByteArray&) {
    notYet();
}
void TPowersock::Abort() {
    Cancel();
}
int TPowersock::Accept() {
    notYet();
}
void TPowersock::Cancel() {
    Cancelled = true;
}
quint16 TPowersock::Listen(quint16, const QString&) {
    notYet();
}
bool TPowersock::DataAvailable() {
    notYet();
}
QString TPowersock::ErrorText(int) {
    notYet();
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
void TPowersock::ReportStatus(int level, const QString& text) {
    if (ReportLevel < level)
        return;
    StatusText = text;
    if (OnStatus)
        OnStatus(this, text);
}
void TPowersock::CheckSocketError(int, QString&) {
    notYet();
}
void TPowersock::CheckSocketError(int) {
    notYet();
}
void TPowersock::ResolveHost() {
    notYet();
}
void TPowersock::CloseSocket() {
    notYet();
}
void TPowersock::TimerOn() {
    notYet();
}
void TPowersock::TimerOff() {
    notYet();
}
