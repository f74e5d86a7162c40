#include "http/http2_connections.h"

#include "http/http2_connection.h"
#include "net/powersock.h"

Http2Connections::~Http2Connections() {
    Finish();
}

Http2Connections::Peer Http2Connections::Ask(const QByteArray& peer, TPowersock* asker) {
    Peer& known = peers_[peer];
    if (known == Peer::Http2 && !Usable(peer)) {
        // Its connection went away (GOAWAY, an error): the asker makes the next.
        connections_.remove(peer);
        known = Peer::Unknown;
    }
    if (known == Peer::Unknown) {
        known = Peer::Connecting;
        return Peer::Unknown;
    }
    const Peer now = known == Peer::Http2 && connections_.value(peer)->Full() ? Peer::Full : known;
    if (now == Peer::Connecting || now == Peer::Full)
        waiting_[peer] << QPointer<TPowersock>(asker);
    return now;
}

std::shared_ptr<Http2Connection> Http2Connections::Usable(const QByteArray& peer) const {
    const std::shared_ptr<Http2Connection> c = connections_.value(peer);
    return c && c->Open() ? c : nullptr;
}

bool Http2Connections::Connected(const QByteArray& peer, const QByteArray& alpn,
                                 std::unique_ptr<SocketTransport> taken) {
    if (alpn != "h2" || !taken) {
        peers_[peer] = Peer::Http1;
        wake(peer);
        return false;
    }
    auto connection = std::make_shared<Http2Connection>(
        std::move(taken), paced_ ? Http2Connection::kPaced : Http2Connection::kWide);
    if (!connection->Start()) {
        Failed(peer);
        return false;
    }
    // Those waiting for room ask again: there is some now, or the next
    // request connects anew.
    connection->SetOnChange([this, peer] { wake(peer); });
    connections_.insert(peer, connection);
    peers_[peer] = Peer::Http2;
    wake(peer);
    return true;
}

void Http2Connections::Failed(const QByteArray& peer) {
    peers_[peer] = Peer::Unknown;
    connections_.remove(peer);
    wake(peer);
}

void Http2Connections::Finish() {
    const auto connections = std::exchange(connections_, {});
    for (const auto& c : connections) {
        c->SetOnChange({});
        c->Finish();
    }
    // Those connecting still tell what they found.
    for (auto it = peers_.begin(); it != peers_.end();)
        it = it.value() == Peer::Connecting ? std::next(it) : peers_.erase(it);
}

void Http2Connections::wake(const QByteArray& peer) {
    for (const QPointer<TPowersock>& session : waiting_.take(peer))
        if (session)
            session->WakeUp();
}
