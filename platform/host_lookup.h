#pragma once

#include <QObject>
#include <QString>
#include <functional>

using HostLookupDone = std::function<void(int error, quint32 address)>;

/// Asynchronous IPv4 host lookup. `done(error, address)` runs later on the
/// thread of `context` (never inside this call), with error 0 and the first
/// IPv4 address in host order, or a classic lookup error number (11001 host
/// not found, ...) and 0. A lookup is never cancelled: when `context` is
/// destroyed first, `done` simply does not run.
void LookupHostAsync(const QString& name, QObject* context, HostLookupDone done);

/// Replaces the lookup behind LookupHostAsync (an empty function restores the
/// real one), so that tests can stall or fail a lookup without a name server.
using HostLookupFunction =
    std::function<void(const QString& name, QObject* context, HostLookupDone done)>;
void SetHostLookupForTesting(HostLookupFunction lookup);
