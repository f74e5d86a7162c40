#pragma once

#include "net/task.h"

#include <QString>
#include <QtGlobal>

class TPowersock;

/// Asks the HTTP proxy that `session` is connected to for a tunnel to
/// `host`:`port` (RFC 9110 CONNECT) and reads its answer up to the blank line,
/// so that the session's next bytes are the target's. Throws ESockError
/// "Proxy refused CONNECT: " followed by the proxy's status line for any
/// answer but 2xx (a 403 or a 407 as the proxy worded it), or when the proxy
/// closes without a whole answer; and the session's own errors.
/// With a `proxyUser`, the CONNECT carries the proxy's Basic login.
Task<> OpenProxyTunnelAsync(TPowersock& session, QString host, quint16 port,
                            QByteArray proxyUser = {}, QByteArray proxyPassword = {});
