#include "platform/host_lookup.h"

#include "platform/socket_error_numbers.h"

#include <QHostAddress>
#include <QHostInfo>

namespace {
HostLookupFunction& replacement() {
    static HostLookupFunction lookup;
    return lookup;
}
} // namespace

void SetHostLookupForTesting(HostLookupFunction lookup) {
    replacement() = std::move(lookup);
}

void LookupHostAsync(const QString& name, QObject* context, HostLookupDone done) {
    if (replacement()) {
        replacement()(name, context, std::move(done));
        return;
    }
    QHostInfo::lookupHost(name, context, [done = std::move(done)](const QHostInfo& info) {
        if (info.error() == QHostInfo::NoError) {
            QList<QHostAddress> addresses;
            for (const QHostAddress& a : info.addresses())
                if (a.protocol() == QAbstractSocket::IPv4Protocol ||
                    a.protocol() == QAbstractSocket::IPv6Protocol)
                    addresses << a;
            done(addresses.isEmpty() ? SocketErrorNumbers::NoData : 0, addresses);
        } else if (info.error() == QHostInfo::HostNotFound) {
            done(SocketErrorNumbers::HostNotFound, {});
        } else {
            done(SocketErrorNumbers::TryAgain, {});
        }
    });
}
