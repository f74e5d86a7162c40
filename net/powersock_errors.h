#pragma once

#include "net/sock_error.h"

#include <QString>
#include <stdexcept>

class TPowersock;

/// "10061:Connection refused" for a classic socket error number; "Unknown
/// Error No. 12345" for one the table does not know; "" for 0.
QString SocketErrorText(int errorNumber);

/// The error of a body file: `text` (a QT_TRANSLATE_NOOP in the context
/// "PowersockErrors", "Cannot write file %1: %2") translated, with the file
/// name and strerror(error) in its places.
std::runtime_error FileError(const char* text, const QString& fileName, int error);
/// The exception of an operation that Cancel, Abort or the time-out ended.
EAbortError AbortError(const QString& text, bool timedOut);

/// How a TPowersock session reports socket errors: the transport's last
/// error read into LastErrorCode, OnSocketError fired, ESockError thrown
/// with the number's text; and the error of a close kept until the reader
/// that meets the close can raise it. The session owns one.
class PowersockErrors {
public:
    explicit PowersockErrors(TPowersock& session);

    /// Reads the last error into LastErrorCode; unless it is `ignored` or at
    /// most 10000, fires OnSocketError and throws ESockError with its text.
    void Check(int ignored);
    /// Fires OnSocketError with LastErrorCode and `text`, then throws
    /// ESockError with `text`.
    [[noreturn]] void Raise(const QString& text);
    /// A close notification came with `error` (0 for a clean close).
    void KeepCloseError(int error) { closeError_ = error; }
    /// For a reader that found the socket not connected: raises the error
    /// that closed the connection (a reset), if one did; else returns.
    void CheckCloseError();

private:
    TPowersock& session_;
    int closeError_ = 0; ///< error of a close notification, until a reader sees it
};
