#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QString>
#include <functional>

using HostLookupDone = std::function<void(int error, const QList<QHostAddress>& addresses)>;

/// Asynchronous host lookup. `done(error, addresses)` runs later on the
/// thread of `context` (never inside this call), with error 0 and every
/// address of the name, IPv6 and IPv4, in the resolver's order of preference;
/// or a classic lookup error number (11001 host not found, ...) and none. A
/// lookup is never cancelled: when `context` is destroyed first, `done`
/// simply does not run.
void LookupHostAsync(const QString& name, QObject* context, HostLookupDone done);

/// Replaces the lookup behind LookupHostAsync (an empty function restores the
/// real one), so that tests can stall or fail a lookup without a name server.
using HostLookupFunction =
    std::function<void(const QString& name, QObject* context, HostLookupDone done)>;
void SetHostLookupForTesting(HostLookupFunction lookup);
