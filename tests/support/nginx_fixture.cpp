#include "tests/support/nginx_fixture.h"

#include "tests/support/test_env.h"

#include <QDir>
#include <QFile>

NginxFixture::NginxFixture(QString docRoot, QString extraServerConfig)
    : docRoot_(QDir(docRoot).absolutePath())
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
    process_.stop();
    port_ = 0;
}

QString NginxFixture::echoModulePath() {
    const QString path = "/usr/lib/nginx/modules/ngx_http_echo_module.so";
    return QFile::exists(path) ? path : QString();
}

bool NginxFixture::start(QString* error) {
    stop();
    if (!process_.makeDir(error))
        return false;
    return startOnFreePort(
        process_, port_, [this](quint16 port, QString* e) { return startOn(port, e); }, error);
}

bool NginxFixture::startOn(quint16 port, QString* error) {
    const QString program = findServerProgram("nginx");
    if (program.isEmpty()) {
        if (error)
            *error = "nginx: not installed (scripts/install-deps installs nginx-light)";
        return false;
    }
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
    if (!testenv::writeFile(d + "/nginx.conf", conf.toUtf8())) {
        if (error)
            *error = "nginx: cannot write " + d + "/nginx.conf";
        return false;
    }
    QFile::remove(d + "/error.log");
    return process_.start(
        program,
        {"-p", d + "/", "-e", d + "/error.log", "-c", d + "/nginx.conf", "-g", "daemon off;"}, port,
        10000, {"error.log"}, error);
}
