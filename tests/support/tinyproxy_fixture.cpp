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
    const QString conf =
        serverConfig("tinyproxy.conf", {{"DIR", d}, {"PORT", QString::number(port)}});
    return launch(port, "tinyproxy.conf", conf, {"-d", "-c", d + "/tinyproxy.conf"}, 10000,
                  "tinyproxy.log", error);
}
