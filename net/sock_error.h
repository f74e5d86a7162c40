#pragma once

#include <QString>
#include <stdexcept>

/// Socket, host-lookup and connect failures of the socket session. The message
/// is the failure text itself ("Connection Failed", "10061:Connection refused").
class ESockError : public std::runtime_error {
public:
    explicit ESockError(const QString& text)
        : std::runtime_error(text.toStdString()) {}
    /// The failure text as a QString.
    QString text() const { return QString::fromUtf8(what()); }
};

/// An operation of the socket session ended by Cancel, Abort or the time-out.
/// The message is the abort text ("Socket readln aborted").
class EAbortError : public std::runtime_error {
public:
    explicit EAbortError(const QString& text)
        : std::runtime_error(text.toStdString()) {}
    /// The abort text as a QString.
    QString text() const { return QString::fromUtf8(what()); }
};
