#pragma once

#include "net/task.h"

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QtGlobal>

class QTimer;
class TPowersock;

/// The connecting side of a TPowersock session: the host lookup (with its
/// time-out and a late answer that only raises a flag), the connect that
/// tries each address in turn, moving on after ConnectFallbackMs (RFC 8305),
/// and the TLS handshake on the connection.
/// The session owns one; the contracts are the session's (see
/// TPowersock::ConnectAsync and StartTlsAsync).
class PowersockConnector {
public:
    explicit PowersockConnector(TPowersock& session);

    Task<> ResolveHostAsync();
    Task<> ConnectAsync();
    Task<> SecureAsync(QString hostName, quint16 port);

private:
    void HandleLookup(quint64 lookup, int error, const QList<QHostAddress>& addresses);
    /// Connects to `address`; true once the connect is over (connected,
    /// timed out or cancelled), false to try the next address.
    Task<bool> TryAddressAsync(QHostAddress address, bool last);

    TPowersock& session_;
    bool lookupDone_ = false;
    quint64 lookupSerial_ = 0;
    QList<QHostAddress> lookupAddresses_;
    bool fallbackDue_ = false;
    QTimer* fallback_; ///< owned by the session
};
