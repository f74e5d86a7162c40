#include "net/socket_layer.h"

#include <QSysInfo>
#include <sys/resource.h>

namespace {

int gUsers = 0;
int gStartups = 0;
int gCleanups = 0;

} // namespace

namespace SocketLayer {

void Join(QStringList& info) {
    if (gUsers++ != 0)
        return;
    ++gStartups;
    rlimit files{};
    ::getrlimit(RLIMIT_NOFILE, &files);
    info << QStringLiteral("Version= 1.1") << QStringLiteral("High Version= 1.1")
         << QStringLiteral("Description= BSD sockets on ") + QSysInfo::kernelType() + " " +
                QSysInfo::kernelVersion()
         << QStringLiteral("System= Running")
         << QStringLiteral("Max Sockets= ") + QString::number(qulonglong(files.rlim_cur))
         << QStringLiteral("Max Udp pack size= 65507");
}

void Leave() {
    if (gUsers > 0 && --gUsers == 0)
        ++gCleanups;
}

int Users() {
    return gUsers;
}
int Startups() {
    return gStartups;
}
int Cleanups() {
    return gCleanups;
}

} // namespace SocketLayer
