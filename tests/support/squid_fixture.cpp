#include "tests/support/squid_fixture.h"

#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <signal.h>
#include <unistd.h>

namespace {

// Squid names its shared-memory segments after the service name; a name per
// instance keeps parallel tests (and leftovers of a killed one) apart.
QString newServiceName() {
    static std::atomic<int> counter{0};
    return QString("serifetch%1n%2").arg(::getpid()).arg(++counter);
}

void removeSharedMemoryOf(const QString& service) {
    QDir shm("/dev/shm");
    for (const QString& name : shm.entryList({service + "-*"}, QDir::Files))
        shm.remove(name);
}

bool processAlive(qint64 pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// Squid switches users, which drops the kill-with-parent guard: a squid whose
// test process crashed keeps running. Each start ends such leftovers, known by
// the owner file in their folder, after checking that the PID in their pid
// file still is that squid.
void endOrphans() {
    QDir tmp(QDir::tempPath());
    for (const QString& name : tmp.entryList({"serifetch-squid-*"}, QDir::Dirs)) {
        const QString dir = tmp.filePath(name);
        const qint64 owner = testenv::readFile(dir + "/owner").trimmed().toLongLong();
        if (owner <= 0 || processAlive(owner))
            continue;
        const qint64 pid = testenv::readFile(dir + "/squid.pid").trimmed().toLongLong();
        const QByteArray cmdline = testenv::readFile(QString("/proc/%1/cmdline").arg(pid));
        if (pid > 0 && cmdline.contains(QFile::encodeName(dir + "/squid.conf")))
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        const QString service = QString::fromUtf8(testenv::readFile(dir + "/service")).trimmed();
        if (!service.isEmpty())
            removeSharedMemoryOf(service);
        QDir(dir).removeRecursively();
    }
}

} // namespace

SquidFixture::~SquidFixture() {
    stop();
}

void SquidFixture::stop(int graceMs) {
    stopProcess(graceMs);
    removeSharedMemory();
}

void SquidFixture::removeSharedMemory() const {
    if (!serviceName_.isEmpty())
        removeSharedMemoryOf(serviceName_);
}

bool SquidFixture::start(QString* error) {
    stop();
    static const bool orphansEnded = (endOrphans(), true);
    (void)orphansEnded;
    if (!process_.makeDir(error))
        return false;
    if (!testenv::writeFile(process_.dir() + "/owner", QByteArray::number(::getpid()))) {
        if (error)
            *error = "squid: cannot write " + process_.dir() + "/owner";
        return false;
    }
    if (runningAsRoot()) {
        QString why;
        if (!handOverToUser(process_.dir(), "proxy", &why)) {
            if (error)
                *error = "squid: " + why;
            return false;
        }
    }
    return startOnFreePort([this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool SquidFixture::startOn(quint16 port, QString* error) {
    removeSharedMemory();
    serviceName_ = newServiceName();
    const QString d = process_.dir();
    testenv::writeFile(d + "/service", serviceName_.toUtf8());
    QString auth;
    if (!login_.isEmpty()) {
        // In the private folder, which squid's user may read.
        testenv::writeFile(d + "/passwords", login_ + "\n");
        auth = "auth_param basic program /usr/lib/squid/basic_ncsa_auth " + d +
               "/passwords\nauth_param basic realm test\n"
               "acl logged_in proxy_auth REQUIRED\nhttp_access deny !logged_in";
    }
    const QString conf = serverConfig(
        "squid.conf",
        {{"AUTH", auth},
         {"DIR", d},
         {"PORT", QString::number(port)},
         {"RUN_AS",
          runningAsRoot() ? "cache_effective_user proxy\ncache_effective_group proxy" : ""}});
    return launch(port, "squid.conf", conf, {"-N", "-n", serviceName_, "-f", d + "/squid.conf"},
                  15000, "cache.log", error);
}
