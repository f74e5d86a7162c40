#include "tests/support/squid_fixture.h"

#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <unistd.h>

namespace {

// Squid names its shared-memory segments after the service name; a name per
// instance keeps parallel tests (and leftovers of a killed one) apart.
QString newServiceName() {
    static std::atomic<int> counter{0};
    return QString("serifetch%1n%2").arg(::getpid()).arg(++counter);
}

} // namespace

SquidFixture::~SquidFixture() {
    stop();
}

void SquidFixture::stop(int graceMs) {
    process_.stop(graceMs);
    removeSharedMemory();
    port_ = 0;
}

void SquidFixture::removeSharedMemory() const {
    if (serviceName_.isEmpty())
        return;
    QDir shm("/dev/shm");
    for (const QString& name : shm.entryList({serviceName_ + "-*"}, QDir::Files))
        shm.remove(name);
}

bool SquidFixture::start(QString* error) {
    stop();
    if (!process_.makeDir(error))
        return false;
    if (runningAsRoot()) {
        QString why;
        if (!handOverToUser(process_.dir(), "proxy", &why)) {
            if (error)
                *error = "squid: " + why;
            return false;
        }
    }
    return startOnFreePort(
        process_, port_, [this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool SquidFixture::startOn(quint16 port, QString* error) {
    const QString program = findServerProgram("squid");
    if (program.isEmpty()) {
        if (error)
            *error = "squid: not installed (scripts/install-deps installs it)";
        return false;
    }
    removeSharedMemory();
    serviceName_ = newServiceName();
    const QString d = process_.dir();
    QString conf = QString(R"(http_port 127.0.0.1:%1
pid_filename %2/squid.pid
cache_log %2/cache.log
access_log stdio:%2/access.log
cache_store_log none
coredump_dir %2
cache deny all
cache_mem 0 MB
memory_cache_shared off
shutdown_lifetime 0 seconds
digest_generation off
pinger_enable off
netdb_filename none
logfile_rotate 0
visible_hostname localhost
acl from_loopback src 127.0.0.1/32
acl to_loopback dst 127.0.0.0/8
http_access allow from_loopback to_loopback
http_access deny all
)")
                       .arg(QString::number(port), d);
    if (runningAsRoot())
        conf += "cache_effective_user proxy\ncache_effective_group proxy\n";
    if (!testenv::writeFile(d + "/squid.conf", conf.toUtf8())) {
        if (error)
            *error = "squid: cannot write " + d + "/squid.conf";
        return false;
    }
    QFile::remove(d + "/cache.log");
    return process_.start(program, {"-N", "-n", serviceName_, "-f", d + "/squid.conf"}, port, 15000,
                          {"cache.log"}, error);
}
