#pragma once

#include <QString>
#include <QTemporaryDir>

/// A certificate authority and server certificates made with the `openssl`
/// command in a private folder, for TLS peers on loopback. Every server
/// certificate names localhost, 127.0.0.1 and ::1.
///
///     TestCertificates certs;
///     ASSERT_TRUE(certs.make(&error)) << error.toStdString();
///     NginxFixture web(root, certs.nginxTlsConfig(tlsPort, TestCertificates::Good));
///     http.TlsCaFile = certs.caFile();
class TestCertificates {
public:
    enum Kind {
        Good,    ///< issued by caFile(), valid now
        Expired, ///< issued by caFile(), expired yesterday
        Foreign, ///< valid, but issued by a CA nobody trusts
    };

    /// Makes the CA and one certificate of each kind. False with the reason
    /// (openssl missing, its error output) when it cannot.
    bool make(QString* error);

    /// The PEM file of the trusted CA.
    QString caFile() const;
    QString certFile(Kind kind) const;
    QString keyFile(Kind kind) const;

    /// nginx lines for a `server` block: an extra TLS listener on
    /// 127.0.0.1:`port` presenting the certificate of `kind`.
    QString nginxTlsConfig(quint16 port, Kind kind) const;

private:
    bool run(const QStringList& args, QString* error) const;
    QString path(const QString& name) const;

    QTemporaryDir dir_;
};
