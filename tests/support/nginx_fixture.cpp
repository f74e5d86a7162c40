#include "tests/support/nginx_fixture.h"

#include <QDir>
#include <QFile>

NginxFixture::NginxFixture(QString docRoot, QString extraServerConfig)
    : ServerFixture("nginx")
    , docRoot_(QDir(docRoot).absolutePath())
    , extraServer_(std::move(extraServerConfig)) {}

NginxFixture::~NginxFixture() {
    stop();
}

void NginxFixture::setExtraMainConfig(QString lines) {
    extraMain_ = std::move(lines);
}

QString NginxFixture::baseUrl() const {
    return QString("http://127.0.0.1:%1/").arg(port_);
}

void NginxFixture::stop() {
    stopProcess();
}

QString NginxFixture::echoModulePath() {
    const QString path = "/usr/lib/nginx/modules/ngx_http_echo_module.so";
    return QFile::exists(path) ? path : QString();
}

bool NginxFixture::start(QString* error) {
    stop();
    return startOnFreePort([this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool NginxFixture::startOn(quint16 port, QString* error) {
    const QString d = process_.dir();
    const QString conf = serverConfig("nginx.conf", {{"USER", runningAsRoot() ? "user root;" : ""},
                                                     {"MAIN", extraMain_},
                                                     {"DIR", d},
                                                     {"PORT", QString::number(port)},
                                                     {"ROOT", docRoot_},
                                                     {"SERVER", extraServer_}});
    return launch(
        port, "nginx.conf", conf,
        {"-p", d + "/", "-e", d + "/error.log", "-c", d + "/nginx.conf", "-g", "daemon off;"},
        10000, "error.log", error);
}
