#include "tests/support/tinyproxy_fixture.h"

TinyproxyFixture::~TinyproxyFixture() {
    stop();
}

void TinyproxyFixture::stop() {
    stopProcess();
}

bool TinyproxyFixture::start(QString* error) {
    stop();
    return startOnFreePort([this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool TinyproxyFixture::startOn(quint16 port, QString* error) {
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
    return launch(port, "tinyproxy.conf", conf, {"-d", "-c", d + "/tinyproxy.conf"}, 10000,
                  "tinyproxy.log", error);
}
