#include "tests/support/test_certificates.h"

#include "tests/support/test_env.h"

#include <QProcess>

namespace {

const char* const kNames[] = {"good", "expired", "foreign"};

// EC keys: made in milliseconds, where RSA keys take a noticeable while.
const QStringList kNewKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};

} // namespace

QString TestCertificates::path(const QString& name) const {
    return dir_.filePath(name);
}

QString TestCertificates::caFile() const {
    return path("ca.pem");
}

QString TestCertificates::certFile(Kind kind) const {
    return path(QString(kNames[kind]) + ".pem");
}

QString TestCertificates::keyFile(Kind kind) const {
    return path(QString(kNames[kind]) + ".key");
}

bool TestCertificates::run(const QStringList& args, QString* error) const {
    QProcess openssl;
    openssl.setWorkingDirectory(dir_.path());
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start("openssl", args);
    if (!openssl.waitForStarted(10000) || !openssl.waitForFinished(30000) ||
        openssl.exitStatus() != QProcess::NormalExit || openssl.exitCode() != 0) {
        if (error)
            *error = "openssl " + args.join(' ') + ": " + openssl.errorString() + "\n" +
                     QString::fromLocal8Bit(openssl.readAll());
        return false;
    }
    return true;
}

bool TestCertificates::make(QString* error) {
    if (!dir_.isValid()) {
        if (error)
            *error = "cannot create a folder for the certificates: " + dir_.errorString();
        return false;
    }
    const QStringList caExtensions = {"-addext", "basicConstraints=critical,CA:TRUE", "-addext",
                                      "keyUsage=critical,keyCertSign,cRLSign"};
    for (const char* ca : {"ca", "other-ca"}) {
        if (!run(QStringList{"req", "-x509"} + kNewKey +
                     QStringList{"-keyout", QString(ca) + ".key", "-out", QString(ca) + ".pem",
                                 "-days", "2", "-subj", QString("/CN=Serifetch test ") + ca} +
                     caExtensions,
                 error))
            return false;
    }
    if (!testenv::writeFile(path("server.ext"), "subjectAltName=DNS:localhost,IP:127.0.0.1,IP:::1\n"
                                                "basicConstraints=CA:FALSE\n"
                                                "extendedKeyUsage=serverAuth\n")) {
        if (error)
            *error = "cannot write server.ext";
        return false;
    }
    for (const Kind kind : {Good, Expired, Foreign}) {
        const QString name = kNames[kind];
        const QString issuer = kind == Foreign ? "other-ca" : "ca";
        if (!run(QStringList{"req", "-new"} + kNewKey +
                     QStringList{"-keyout", name + ".key", "-out", name + ".csr", "-subj",
                                 "/CN=localhost"},
                 error) ||
            !run({"x509", "-req", "-in", name + ".csr", "-CA", issuer + ".pem", "-CAkey",
                  issuer + ".key", "-CAcreateserial", "-out", name + ".pem", "-days",
                  kind == Expired ? "-1" : "2", "-extfile", "server.ext"},
                 error))
            return false;
    }
    return true;
}

QString TestCertificates::nginxTlsConfig(quint16 port, Kind kind) const {
    return QString("listen 127.0.0.1:%1 ssl;\n"
                   "ssl_certificate \"%2\";\n"
                   "ssl_certificate_key \"%3\";\n")
        .arg(port)
        .arg(certFile(kind), keyFile(kind));
}
