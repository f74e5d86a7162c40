#pragma once

#include "net/task.h"

#include <QByteArray>
#include <QString>
#include <functional>

class TPowersock;

/// The connection one request leaves open for the next (RFC 9112 9.3), and
/// the rules for carrying a request on it: only to the same peer, only while
/// nothing waits on it, and once more on a new connection when the server
/// turns out to have closed it while it sat idle.
class KeptConnection {
public:
    /// The client's own steps of one request on a connection.
    struct Steps {
        /// Makes a new connection, tunnelled and secured as the request needs.
        std::function<Task<>()> open;
        /// Sends the request and reads the reply head; false when the
        /// connection ended before a status line.
        std::function<Task<bool>()> exchange;
        /// A status line has come: a failure after it is no stale connection.
        std::function<bool()> replyBegan;
        /// The exchange ended before a reply in a way that lets the request
        /// go again as it stands: an HTTP/2 stream the server refused or left
        /// out at a GOAWAY, or whose connection ended before any reply.
        /// Unset: never.
        std::function<bool()> unprocessed = {};
    };
    /// How many times in a row such a request goes again before its end is
    /// taken as the server's answer.
    static constexpr int kMaxUnprocessed = 5;

    explicit KeptConnection(TPowersock& session);

    /// Where a connection goes: the server's origin, through which proxy, in
    /// which scheme. A kept connection carries only a request to the same.
    static QByteArray PeerKey(const QByteArray& origin, const QString& proxy, int proxyPort,
                              bool secure);
    /// Starts a request to `peer`: whether the kept connection can carry it
    /// (`keepAlive`, the same peer, still open and clean). A kept connection
    /// that cannot is closed; either way none is kept any more.
    bool Claim(const QByteArray& peer, bool keepAlive);
    /// Sends the request and reads its reply head, on the claimed connection
    /// when `reuse`, else on a new one. A reused connection the server closed
    /// meanwhile fails the send or ends before a status line: then the
    /// request goes once more, on a new connection. So does a request the
    /// server did not process, up to kMaxUnprocessed times.
    Task<> CarryAsync(bool reuse, Steps steps);
    /// After the reply: keeps the connection for the next request to the
    /// claimed peer, or closes it.
    void Release(bool keep);
    /// Closes the connection without an error of its own: the one that ended
    /// the request is the one to pass on.
    void CloseQuietly();

private:
    TPowersock& session_;
    QByteArray claimed_; ///< the peer of the request under way
    QByteArray keptTo_;  ///< where the open connection goes; empty for none
};
