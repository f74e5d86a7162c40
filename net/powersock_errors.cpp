#include "net/powersock_errors.h"

#include "net/powersock.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <cstring>
#include <utility>

QString SocketErrorText(int errorNumber) {
    if (errorNumber == 0)
        return {};
    if (const char* text = SocketErrorNumbers::text(errorNumber))
        return QString::number(errorNumber) + ':' +
               QCoreApplication::translate("SocketErrors", text);
    return QCoreApplication::translate("SocketErrors", "Unknown Error No. %1").arg(errorNumber);
}

PowersockErrors::PowersockErrors(TPowersock& session)
    : session_(session) {}

void PowersockErrors::Check(int ignored) {
    session_.LastErrorCode = session_.transport_->lastError();
    if (session_.LastErrorCode == ignored || session_.LastErrorCode <= 10000)
        return;
    Raise(session_.ErrorText(session_.LastErrorCode));
}

void PowersockErrors::Raise(const QString& text) {
    if (session_.OnSocketError)
        session_.OnSocketError(&session_, quint16(session_.LastErrorCode), text);
    throw ESockError(text, SockErrorCode::SocketError);
}

void PowersockErrors::CheckCloseError() {
    if (closeError_ == 0)
        return;
    session_.LastErrorCode = std::exchange(closeError_, 0);
    Raise(session_.ErrorText(session_.LastErrorCode));
}

std::runtime_error FileError(const char* text, const QString& fileName, int error) {
    return std::runtime_error(QCoreApplication::translate("PowersockErrors", text)
                                  .arg(fileName, QString::fromLocal8Bit(std::strerror(error)))
                                  .toStdString());
}

EAbortError AbortError(const QString& text, bool timedOut) {
    return EAbortError(text, timedOut ? SockErrorCode::TimedOut : SockErrorCode::Cancelled);
}
