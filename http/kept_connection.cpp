#include "http/kept_connection.h"

#include "net/powersock.h"

KeptConnection::KeptConnection(TPowersock& session)
    : session_(session) {}

QByteArray KeptConnection::PeerKey(const QByteArray& origin, const QString& proxy, int proxyPort,
                                   bool secure) {
    return origin + ' ' + proxy.toUtf8() + ':' + QByteArray::number(proxyPort) +
           (secure ? " tls" : "");
}

bool KeptConnection::Claim(const QByteArray& peer, bool keepAlive) {
    claimed_ = peer;
    // Bytes that came after the last reply belong to no request: a
    // connection that carries them, or that the peer closed, is left.
    const bool reuse = keepAlive && keptTo_ == peer && session_.ConnectionReusable();
    if (!keptTo_.isEmpty() && !reuse)
        CloseQuietly();
    keptTo_.clear();
    return reuse;
}

Task<> KeptConnection::CarryAsync(bool reuse, Steps steps) {
    for (int unprocessed = 0;;) {
        if (!reuse)
            co_await steps.open();
        try {
            if (co_await steps.exchange())
                co_return;
            if (steps.unprocessed && steps.unprocessed() && ++unprocessed <= kMaxUnprocessed) {
                // Nothing of it was done: not a failure, and not one of the
                // tries of a stale connection.
                CloseQuietly();
                reuse = false;
                continue;
            }
            if (!reuse)
                co_return;
        } catch (const ESockError& e) {
            // Only before a reply began: a request the server may have
            // answered in part is not sent twice.
            if (!reuse || e.code() != SockErrorCode::SocketError || steps.replyBegan())
                throw;
        }
        CloseQuietly();
        reuse = false;
    }
}

void KeptConnection::Release(bool keep) {
    if (keep)
        keptTo_ = claimed_;
    else
        session_.Disconnect();
}

void KeptConnection::CloseQuietly() {
    try {
        session_.Disconnect();
    } catch (...) {
        // The exception that ended the request is the one to pass on.
    }
}
