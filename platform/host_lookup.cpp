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
            for (const QHostAddress& a : info.addresses()) {
                bool ok = false;
                const quint32 v4 = a.toIPv4Address(&ok);
                if (ok) {
                    done(0, v4);
                    return;
                }
            }
            done(SocketErrorNumbers::NoData, 0);
        } else if (info.error() == QHostInfo::HostNotFound) {
            done(SocketErrorNumbers::HostNotFound, 0);
        } else {
            done(SocketErrorNumbers::TryAgain, 0);
        }
    });
}
