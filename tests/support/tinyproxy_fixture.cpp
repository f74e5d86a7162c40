#include "tests/support/tinyproxy_fixture.h"

#include "tests/support/test_env.h"

#include <QFile>

TinyproxyFixture::~TinyproxyFixture() {
    stop();
}

void TinyproxyFixture::stop() {
    process_.stop();
    port_ = 0;
}

bool TinyproxyFixture::start(QString* error) {
    stop();
    if (!process_.makeDir(error))
        return false;
    return startOnFreePort(
        process_, port_, [this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool TinyproxyFixture::startOn(quint16 port, QString* error) {
    const QString program = findServerProgram("tinyproxy");
    if (program.isEmpty()) {
        if (error)
            *error = "tinyproxy: not installed (scripts/install-deps installs it)";
        return false;
    }
    const QString d = process_.dir();
    // No User/Group lines: as root it then stays root (with a warning in its
    // log) instead of switching to a user that cannot write the private folder,
    // and it keeps being killed with the test process should that die first.
    // Without ConnectPort lines CONNECT may reach any port.
    const QString conf = QString(R"(Port %1
Listen 127.0.0.1
Timeout 600
MaxClients 100
Allow 127.0.0.1
LogLevel Info
PidFile "%2/tinyproxy.pid"
LogFile "%2/tinyproxy.log"
)")
                             .arg(QString::number(port), d);
    if (!testenv::writeFile(d + "/tinyproxy.conf", conf.toUtf8())) {
        if (error)
            *error = "tinyproxy: cannot write " + d + "/tinyproxy.conf";
        return false;
    }
    QFile::remove(d + "/tinyproxy.log");
    return process_.start(program, {"-d", "-c", d + "/tinyproxy.conf"}, port, 10000,
                          {"tinyproxy.log"}, error);
}
