#pragma once

#include <QString>
#include <stdexcept>

/// What went wrong, for code that decides by it; the text is for people.
enum class SockErrorCode {
    Other,            ///< none of the below (a start-up or listen failure, ...)
    SocketError,      ///< a socket call failed ("10061:Connection refused")
    LookupTimedOut,   ///< "Host Lookup Timed Out"
    LookupFailed,     ///< "Host Lookup Failed", "Null Remote Address"
    AlreadyConnected, ///< "Already connected"
    ConnectTimedOut,  ///< "Connection Timed out"
    ConnectFailed,    ///< "Connection Failed"
    TlsTimedOut,      ///< "TLS Handshake Timed out"
    TlsFailed,        ///< the handshake or the certificate check failed
    TooSlow,          ///< under the low-speed limit
    TooLong,          ///< a line, a header or a trailer beyond its bound
    ProxyRefused,     ///< the proxy refused a CONNECT tunnel
    TimedOut,         ///< a transfer was idle for the whole time-out
    Cancelled,        ///< Cancel or Abort ended the operation
};

/// Base of the session's exceptions: a text and its code.
class ENetError : public std::runtime_error {
public:
    ENetError(SockErrorCode code, const QString& text)
        : std::runtime_error(text.toStdString())
        , code_(code) {}
    SockErrorCode code() const { return code_; }
    /// The failure text as a QString.
    QString text() const { return QString::fromUtf8(what()); }

private:
    SockErrorCode code_;
};

/// Socket, host-lookup and connect failures of the socket session. The message
/// is the failure text itself ("Connection Failed", "10061:Connection refused").
class ESockError : public ENetError {
public:
    explicit ESockError(const QString& text, SockErrorCode code = SockErrorCode::Other)
        : ENetError(code, text) {}
};

/// An operation of the socket session ended by Cancel, Abort or the time-out
/// (code Cancelled or TimedOut). The message is the abort text ("Socket
/// readln aborted").
class EAbortError : public ENetError {
public:
    explicit EAbortError(const QString& text, SockErrorCode code = SockErrorCode::Cancelled)
        : ENetError(code, text) {}
};
