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
    // Every path nginx would otherwise take from its build (/var/lib/nginx,
    // /var/log/nginx, /run) is moved into the private folder, so that it also
    // runs as a normal user and next to other instances.
    QString conf;
    if (runningAsRoot())
        conf += "user root;\n";
    conf += extraMain_ + "\n";
    conf += QString(R"(worker_processes 1;
pid "%1/nginx.pid";
lock_file "%1/nginx.lock";
error_log "%1/error.log" notice;
events { worker_connections 1024; }
http {
    access_log "%1/access.log";
    client_body_temp_path "%1/client_body";
    proxy_temp_path "%1/proxy";
    fastcgi_temp_path "%1/fastcgi";
    uwsgi_temp_path "%1/uwsgi";
    scgi_temp_path "%1/scgi";
    types {
        text/html html htm;
        text/plain txt;
        image/jpeg jpg jpeg;
        image/png png;
        image/gif gif;
        application/zip zip;
    }
    default_type application/octet-stream;
    sendfile on;
    keepalive_timeout 65;
    server {
        listen 127.0.0.1:%2;
        server_name localhost;
        root "%3";
%4
    }
}
)")
                .arg(d, QString::number(port), docRoot_, extraServer_);
    return launch(
        port, "nginx.conf", conf,
        {"-p", d + "/", "-e", d + "/error.log", "-c", d + "/nginx.conf", "-g", "daemon off;"},
        10000, "error.log", error);
}
