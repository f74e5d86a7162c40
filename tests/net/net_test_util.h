#pragma once

#include "net/powersock.h"
#include "tests/support/scripted_peer.h"

#include <QString>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

inline void connectTo(TPowersock& session, const testsupport::ScriptedPeer& peer) {
    session.Host = QStringLiteral("127.0.0.1");
    session.Port = peer.port();
    session.Connect();
}

/// The text of whatever `f` throws as T; empty when it throws nothing.
template <typename T, typename F> QString thrownText(F&& f) {
    try {
        f();
    } catch (const T& e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

/// A listener whose accept queue is full: a further connect never completes.
/// On 127.0.0.1 and a free port unless told otherwise.
class BlackHole {
public:
    explicit BlackHole(quint32 address = INADDR_LOOPBACK, quint16 port = 0) {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in sa{};
        sa.sin_family = AF_INET;
        sa.sin_port = htons(port);
        sa.sin_addr.s_addr = htonl(address);
        socklen_t len = sizeof sa;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        ::listen(listener_, 0);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &len);
        port_ = ntohs(sa.sin_port);
        filler_ = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(filler_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    }
    ~BlackHole() {
        ::close(filler_);
        ::close(listener_);
    }
    quint16 port() const { return port_; }

private:
    int listener_ = -1;
    int filler_ = -1;
    quint16 port_ = 0;
};

/// True once the peer's end of stream has reached the session's socket.
inline bool peerHasClosed(const TPowersock& session) {
    pollfd p{session.SocketHandle(), POLLRDHUP, 0};
    return ::poll(&p, 1, 0) == 1 && (p.revents & POLLRDHUP);
}

} // namespace nettest
