#include "net/tls_transport.h"

#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QMetaObject>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <unistd.h>

namespace {

// The classic numbering has nothing for a broken TLS record; a reset is what
// the reader of a cut stream should see.
constexpr int kTlsBroken = 10054;

QString openSslReason() {
    const unsigned long code = ERR_peek_last_error();
    ERR_clear_error();
    if (code == 0)
        return QCoreApplication::translate("TlsTransport", "connection closed");
    const char* reason = ERR_reason_error_string(code);
    return reason ? QString::fromLatin1(reason)
                  : QCoreApplication::translate("TlsTransport", "error %1").arg(code);
}

} // namespace

TlsTransport::TlsTransport(std::unique_ptr<SocketTransport> inner)
    : inner_(std::move(inner)) {
    inner_->setEventHandler([this](int event, int error) {
        if (handler_)
            handler_(event, error);
    });
}

TlsTransport::~TlsTransport() {
    endTls();
    SSL_SESSION_free(lastSession_);
    SSL_CTX_free(ctx_);
}

bool TlsTransport::prepareContext(const QString& caFile) {
    if (ctx_ && caFile == ctxCaFile_)
        return true;
    // OpenSSL writes to the socket with write(), not send(MSG_NOSIGNAL): a
    // peer gone before our close_notify would otherwise end the process.
    static const bool pipeIgnored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    Q_UNUSED(pipeIgnored);
    SSL_CTX_free(ctx_);
    ctx_ = SSL_CTX_new(TLS_client_method());
    ctxCaFile_ = caFile;
    if (!ctx_) {
        failure_ =
            QCoreApplication::translate("TlsTransport", "TLS is not available: ") + openSslReason();
        return false;
    }
    SSL_CTX_set_min_proto_version(ctx_, TLS1_2_VERSION);
    SSL_CTX_set_verify(ctx_, SSL_VERIFY_PEER, nullptr);
    SSL_CTX_set_mode(ctx_, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_default_verify_paths(ctx_);
    if (!caFile.isEmpty() &&
        SSL_CTX_load_verify_locations(ctx_, QFile::encodeName(caFile).constData(), nullptr) != 1) {
        failure_ = QCoreApplication::translate("TlsTransport", "Cannot read the CA file \"%1\": %2")
                       .arg(caFile, openSslReason());
        SSL_CTX_free(ctx_);
        ctx_ = nullptr;
        return false;
    }
    return true;
}

TlsTransport::Step TlsTransport::startHandshake(const QString& hostName, quint16 port,
                                                const QString& caFile) {
    endTls();
    failure_.clear();
    endUnconfirmed_ = false;
    if (!prepareContext(caFile))
        return Step::Failed;
    ssl_ = SSL_new(ctx_);
    if (!ssl_ || SSL_set_fd(ssl_, inner_->handle()) != 1) {
        failure_ =
            QCoreApplication::translate("TlsTransport", "TLS is not available: ") + openSslReason();
        endTls();
        return Step::Failed;
    }
    SSL_set_connect_state(ssl_);
    // Each handshake flight and the request after it are separate small
    // writes; with Nagle's algorithm each would wait for the peer's delayed
    // acknowledgement of the one before.
    const int on = 1;
    ::setsockopt(inner_->handle(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    // "[::1]" as it stands in a URL.
    peerName_ = hostName.startsWith(QLatin1Char('[')) && hostName.endsWith(QLatin1Char(']'))
                    ? hostName.mid(1, hostName.size() - 2)
                    : hostName;
    const QByteArray name = peerName_.toUtf8();
    X509_VERIFY_PARAM* param = SSL_get0_param(ssl_);
    X509_VERIFY_PARAM_set_hostflags(param, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
    if (QHostAddress(peerName_).isNull()) {
        // RFC 6066: SNI carries names only, never an address literal.
        SSL_set_tlsext_host_name(ssl_, name.constData());
        SSL_set1_host(ssl_, name.constData());
    } else {
        X509_VERIFY_PARAM_set1_ip_asc(param, name.constData());
    }
    if (!alpn_.isEmpty() &&
        SSL_set_alpn_protos(ssl_, reinterpret_cast<const unsigned char*>(alpn_.constData()),
                            unsigned(alpn_.size())) != 0) {
        failure_ =
            QCoreApplication::translate("TlsTransport", "TLS is not available: ") + openSslReason();
        endTls();
        return Step::Failed;
    }
    const QString peer = peerName_ + ' ' + QString::number(port) + ' ' + caFile;
    if (lastSession_ && peer == lastSessionPeer_)
        SSL_set_session(ssl_, lastSession_);
    lastSessionPeer_ = peer;
    return continueHandshake();
}

TlsTransport::Step TlsTransport::continueHandshake() {
    if (!ssl_) {
        if (failure_.isEmpty())
            failure_ = QCoreApplication::translate(
                           "TlsTransport", "TLS handshake with %1 failed: connection closed")
                           .arg(peerName_);
        return Step::Failed;
    }
    ERR_clear_error();
    errno = 0;
    const int rc = SSL_do_handshake(ssl_);
    if (rc == 1) {
        established_ = true;
        return Step::Done;
    }
    const int error = SSL_get_error(ssl_, rc);
    if (error == SSL_ERROR_WANT_READ)
        return Step::WantRead;
    if (error == SSL_ERROR_WANT_WRITE)
        return Step::WantWrite;
    const long verify = SSL_get_verify_result(ssl_);
    if (verify != X509_V_OK)
        failure_ = verifyFailure(verify);
    else if (ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)
        failure_ = QCoreApplication::translate("TlsTransport",
                                               "TLS handshake with %1 failed: connection closed")
                       .arg(peerName_);
    else if (error == SSL_ERROR_SYSCALL && errno != 0 && ERR_peek_error() == 0)
        failure_ = QCoreApplication::translate("TlsTransport", "TLS handshake with %1 failed: %2")
                       .arg(peerName_, QString::fromLocal8Bit(std::strerror(errno)));
    else
        failure_ = QCoreApplication::translate("TlsTransport", "TLS handshake with %1 failed: %2")
                       .arg(peerName_, openSslReason());
    ERR_clear_error();
    failed_ = true;
    return Step::Failed;
}

void TlsTransport::setAlpn(const QList<QByteArray>& protocols) {
    alpn_.clear();
    for (const QByteArray& name : protocols) {
        if (name.isEmpty() || name.size() > 255)
            continue;
        alpn_ += char(name.size());
        alpn_ += name;
    }
}

QByteArray TlsTransport::alpnSelected() const {
    if (!ssl_ || !established_)
        return {};
    const unsigned char* data = nullptr;
    unsigned int length = 0;
    SSL_get0_alpn_selected(ssl_, &data, &length);
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(length));
}

QString TlsTransport::verifyFailure(long verifyResult) const {
    QString reason;
    switch (verifyResult) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        reason = QCoreApplication::translate("TlsTransport", "it has expired");
        break;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        reason = QCoreApplication::translate("TlsTransport", "it is not valid yet");
        break;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        reason = QCoreApplication::translate("TlsTransport", "it is for another host (wrong host)");
        break;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        reason =
            QCoreApplication::translate("TlsTransport", "its issuer is unknown (unknown issuer)");
        break;
    default:
        reason = QString::fromLatin1(X509_verify_cert_error_string(verifyResult));
        break;
    }
    return QCoreApplication::translate("TlsTransport", "Certificate of %1 refused: %2")
        .arg(peerName_, reason);
}

qint64 TlsTransport::result(int rc) {
    if (rc > 0)
        return rc;
    const int error = SSL_get_error(ssl_, rc);
    switch (error) {
    case SSL_ERROR_ZERO_RETURN:
        return 0;
    case SSL_ERROR_WANT_READ:
    case SSL_ERROR_WANT_WRITE:
        lastError_ = SocketErrorNumbers::WouldBlock;
        break;
    case SSL_ERROR_SYSCALL:
        lastError_ = errno != 0 ? SocketErrorNumbers::fromErrno(errno) : kTlsBroken;
        fatal_ = true;
        break;
    default:
        lastError_ = kTlsBroken;
        fatal_ = true;
        break;
    }
    ERR_clear_error();
    return -1;
}

qint64 TlsTransport::readResult(int rc) {
    // Servers that close without close_notify are common, and the reader
    // judges a body with a length or chunks by its framing: so the cut reads
    // as the end, and only endConfirmed() tells it apart.
    if (rc <= 0 && SSL_get_error(ssl_, rc) == SSL_ERROR_SSL &&
        ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING) {
        ERR_clear_error();
        endUnconfirmed_ = true;
        fatal_ = true;
        return 0;
    }
    return result(rc);
}

qint64 TlsTransport::notReady() {
    lastError_ = failed_ ? kTlsBroken : SocketErrorNumbers::WouldBlock;
    return -1;
}

qint64 TlsTransport::send(const char* data, qint64 length) {
    if (!ssl_)
        return inner_->send(data, length);
    if (!established_)
        return notReady();
    ERR_clear_error();
    errno = 0;
    size_t written = 0;
    const int rc = SSL_write_ex(ssl_, data, size_t(length), &written);
    return rc == 1 ? qint64(written) : result(rc);
}

qint64 TlsTransport::receive(char* data, qint64 length) {
    if (!ssl_)
        return inner_->receive(data, length);
    // Before the handshake is done there is nothing to read: a close
    // notification that asks must not drive the handshake from inside.
    if (!established_)
        return notReady();
    // The session is dead after the cut; each later read sees the end again.
    if (endUnconfirmed_)
        return 0;
    // One record is at most 16 KiB; taking several per call keeps the
    // session's per-block work (events, timer) at the plain socket's rate.
    qint64 got = 0;
    while (got < length) {
        ERR_clear_error();
        errno = 0;
        size_t n = 0;
        const int rc = SSL_read_ex(ssl_, data + got, size_t(length - got), &n);
        if (rc == 1) {
            got += qint64(n);
            continue;
        }
        const qint64 r = readResult(rc);
        if (got > 0) {
            // What ended the loop shows again at the next call.
            lastError_ = 0;
            return got;
        }
        return r;
    }
    return got;
}

qint64 TlsTransport::peek(char* data, qint64 length) {
    if (!ssl_)
        return inner_->peek(data, length);
    if (!established_)
        return notReady();
    if (endUnconfirmed_)
        return 0;
    ERR_clear_error();
    errno = 0;
    size_t n = 0;
    const int rc = SSL_peek_ex(ssl_, data, size_t(length), &n);
    return rc == 1 ? qint64(n) : readResult(rc);
}

bool TlsTransport::idle() {
    if (!ssl_)
        return inner_->idle();
    if (!established_ || endUnconfirmed_)
        return false;
    // A peek through TLS takes in what arrived (a session ticket is no data)
    // and shows decrypted bytes or the peer's close; a record that has only
    // begun to arrive is still something waiting.
    ERR_clear_error();
    char byte = 0;
    size_t n = 0;
    const int rc = SSL_peek_ex(ssl_, &byte, 1, &n);
    const bool quiet =
        rc != 1 && SSL_get_error(ssl_, rc) == SSL_ERROR_WANT_READ && SSL_has_pending(ssl_) == 0;
    ERR_clear_error();
    return quiet;
}

qint64 TlsTransport::receiveToFile(int fd, qint64 length, char* buffer, qint64 bufferSize) {
    if (!ssl_)
        return inner_->receiveToFile(fd, length, buffer, bufferSize);
    const qint64 n = receive(buffer, qMin(length, bufferSize));
    if (n <= 0)
        return n;
    return WriteWhole(fd, buffer, n) ? n : -2;
}

void TlsTransport::endTls() {
    if (!ssl_)
        return;
    // After a fatal error OpenSSL forbids a shutdown, and the session is no
    // longer one to resume.
    if (established_ && !fatal_) {
        if (SSL_SESSION* session = SSL_get1_session(ssl_)) {
            if (SSL_SESSION_is_resumable(session)) {
                SSL_SESSION_free(lastSession_);
                lastSession_ = session;
            } else {
                SSL_SESSION_free(session);
            }
        }
        // A close_notify, best effort: the socket is non-blocking and is
        // closed right after, so a peer that does not read never holds us.
        SSL_shutdown(ssl_);
    }
    SSL_free(ssl_);
    ssl_ = nullptr;
    established_ = false;
    failed_ = false;
    fatal_ = false;
    ERR_clear_error();
}

bool TlsTransport::open(bool resetOnClose) {
    endTls();
    return inner_->open(resetOnClose);
}

bool TlsTransport::connectTo(const QHostAddress& address, quint16 port) {
    endUnconfirmed_ = false;
    return inner_->connectTo(address, port);
}

int TlsTransport::listenOn(quint32 address, quint16 port) {
    return inner_->listenOn(address, port);
}

int TlsTransport::acceptConnection(quint32& address, quint16& port) {
    return inner_->acceptConnection(address, port);
}

bool TlsTransport::close() {
    endTls();
    return inner_->close();
}

void TlsTransport::setEventHandler(EventHandler handler) {
    handler_ = std::move(handler);
}

void TlsTransport::armRead() {
    if (ssl_ && established_ && SSL_pending(ssl_) > 0) {
        if (readPosted_)
            return;
        readPosted_ = true;
        QMetaObject::invokeMethod(
            &poster_,
            [this] {
                readPosted_ = false;
                if (ssl_ && handler_)
                    handler_(Read, 0);
            },
            Qt::QueuedConnection);
        return;
    }
    inner_->armRead();
}

void TlsTransport::armWrite() {
    inner_->armWrite();
}
