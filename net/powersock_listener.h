#pragma once

#include "net/task.h"

#include <QString>
#include <QtGlobal>

class TPowersock;

/// The listening side of a TPowersock session: binds and listens on the
/// session's socket and takes an incoming connection. The session owns one;
/// the contracts are the session's (see TPowersock::Listen and AcceptAsync).
class PowersockListener {
public:
    explicit PowersockListener(TPowersock& session);

    quint16 Listen(quint16 port, const QString& address);
    Task<int> AcceptAsync();

private:
    TPowersock& session_;
};
