#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPointer>
#include <memory>

class Http2Connection;
class TPowersock;

/// The HTTP/2 connections of a run, one per peer (server, proxy, scheme:
/// KeptConnection::PeerKey), shared by all its clients: the first request to
/// a peer connects, and the others wait for it rather than open connections
/// of their own; once the peer has chosen HTTP/2 every request to it is a
/// stream on that one connection, and once it has chosen HTTP/1.1 every
/// client connects as it always did.
class Http2Connections {
public:
    /// What is known of a peer.
    enum class Peer {
        Unknown,    ///< nobody is connecting: the asker connects
        Connecting, ///< a client is connecting: wait for it
        Http2,      ///< Usable() has a connection with room for a stream
        Full,       ///< its connection has no room now: wait for a stream's end
        Http1,      ///< it chose HTTP/1.1 (or nothing) this run
    };

    Http2Connections() = default;
    ~Http2Connections();
    Http2Connections(const Http2Connections&) = delete;
    Http2Connections& operator=(const Http2Connections&) = delete;

    /// What `peer` is, for `asker`: Unknown makes the asker the one who
    /// connects (and it must call Connected or Failed); Connecting and Full
    /// put it among those WakeUp()'d once that is known, or once a stream
    /// of the peer's connection has ended.
    Peer Ask(const QByteArray& peer, TPowersock* asker);
    /// The connection of an Http2 peer; null otherwise.
    std::shared_ptr<Http2Connection> Usable(const QByteArray& peer) const;
    /// The asker that connected to `peer` got `alpn` ("h2": its connection
    /// `taken`, which becomes the peer's). False when an h2 connection could
    /// not be started (the peer is then Unknown again).
    bool Connected(const QByteArray& peer, const QByteArray& alpn,
                   std::unique_ptr<class SocketTransport> taken);
    /// The windows of the connections made from now on
    /// (Http2Connection::kWide unless the run's reads are paced).
    void SetPaced(bool paced) { paced_ = paced; }
    /// The asker could not connect: the next asker tries.
    void Failed(const QByteArray& peer);
    /// Ends every connection once its streams are over, and forgets what
    /// the peers chose: the end of a run.
    void Finish();

private:
    void wake(const QByteArray& peer);

    QHash<QByteArray, Peer> peers_;
    QHash<QByteArray, std::shared_ptr<Http2Connection>> connections_;
    QHash<QByteArray, QList<QPointer<TPowersock>>> waiting_;
    bool paced_ = false;
};
