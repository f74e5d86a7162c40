#pragma once

#include "net/socket_transport.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <memory>

struct ssl_ctx_st;
struct ssl_st;
struct ssl_session_st;

/// TLS (OpenSSL 3, TLS 1.2 or newer) over another transport. Until
/// startHandshake() it passes every call through, so the session can hold one
/// and use it for plain connections, for a proxy's CONNECT exchange and for
/// the TLS inside that tunnel alike. The handshake is non-blocking and driven
/// by the inner transport's notifications; close() ends the TLS layer with the
/// connection.
///
/// The peer's chain is always checked against the system's CA store (plus an
/// optional CA file), and its name against the host asked for; there is no
/// way to skip either.
class TlsTransport : public SocketTransport {
public:
    explicit TlsTransport(std::unique_ptr<SocketTransport> inner);
    ~TlsTransport() override;

    enum class Step { Done, WantRead, WantWrite, Failed };

    /// Starts a client handshake on the connected inner socket, with SNI and
    /// the name check for `hostName` (a DNS name or an IP literal) at `port`
    /// (which only keys the session kept for resumption). `caFile`,
    /// when not empty, is trusted besides the system's store. Failed (see
    /// failureText()) when the CA file cannot be read; else what
    /// continueHandshake() says.
    Step startHandshake(const QString& hostName, quint16 port, const QString& caFile);
    /// Drives the handshake one step: Done, or what to wait for, or Failed.
    Step continueHandshake();
    /// The application protocols the next handshakes offer by ALPN (RFC
    /// 7301), most wanted first ("h2", "http/1.1"); none by default, and then
    /// the ClientHello is the one it always was.
    void setAlpn(const QList<QByteArray>& protocols);
    /// The protocol the server chose from the offer; empty when it chose
    /// none or nothing was offered.
    QByteArray alpnSelected() const;
    /// Why the handshake failed, naming the reason ("... has expired").
    QString failureText() const { return failure_; }
    /// Whether the bytes go through TLS now. After a failed handshake they go
    /// nowhere (every transfer fails) until the connection closes.
    bool secure() const { return established_; }

    bool open(bool resetOnClose) override;
    bool connectTo(const QHostAddress& address, quint16 port) override;
    qint64 send(const char* data, qint64 length) override;
    qint64 receive(char* data, qint64 length) override;
    qint64 peek(char* data, qint64 length) override;
    bool idle() override;
    bool endConfirmed() const override { return !endUnconfirmed_; }
    qint64 receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) override;
    int listenOn(quint32 address, quint16 port) override;
    int acceptConnection(quint32& address, quint16& port) override;
    bool close() override;
    int handle() const override { return inner_->handle(); }
    int lastError() const override { return ssl_ ? lastError_ : inner_->lastError(); }
    void setEventHandler(EventHandler handler) override;
    void armRead() override;
    void armWrite() override;

private:
    bool prepareContext(const QString& caFile);
    qint64 result(int rc);
    /// result() for reads: a bare TCP close is the end of the stream, but
    /// one that endConfirmed() denies.
    qint64 readResult(int rc);
    qint64 notReady();
    void endTls();
    QString verifyFailure(long verifyResult) const;

    std::unique_ptr<SocketTransport> inner_;
    EventHandler handler_;
    ssl_ctx_st* ctx_ = nullptr;
    QString ctxCaFile_;
    QByteArray alpn_; ///< the offer in its wire form: length-prefixed names
    ssl_st* ssl_ = nullptr;
    bool established_ = false;
    bool failed_ = false;
    QString peerName_;
    QString failure_;
    int lastError_ = 0;
    /// The stream ended without the peer's close_notify. Kept past the
    /// close that follows, for the reader that asks after it.
    bool endUnconfirmed_ = false;
    /// A read or write failed for good (or the peer went without
    /// close_notify): no shutdown, and no session kept to resume.
    bool fatal_ = false;
    // A session kept for the next connection to the same peer: one file per
    // connection then costs an abbreviated handshake, not a full one.
    ssl_session_st* lastSession_ = nullptr;
    QString lastSessionPeer_;
    // Context for the posted read notification of bytes OpenSSL already
    // decrypted: the socket itself will not report them again.
    QObject poster_;
    bool readPosted_ = false;
};
