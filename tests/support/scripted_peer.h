#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace testsupport {

/// What the peer does on one connection, step by step.
class PeerScript {
public:
    struct Step {
        enum Kind {
            Send,
            Pattern,
            Drip,
            WaitBytes,
            WaitFor,
            Silent,
            Stall,
            Close,
            Cut,
            Reset,
            Tls
        } kind;
        QByteArray bytes;
        qint64 count = 0;
        QByteArray key; ///< of Tls: the key file
    };

    /// Runs a TLS server handshake with the certificate and key (PEM files);
    /// the steps after it speak TLS, and what they wait for and record is the
    /// decrypted stream. A handshake that fails ends the connection.
    PeerScript& tls(const QString& certFile, const QString& keyFile) {
        steps.push_back({Step::Tls, certFile.toLocal8Bit(), 0, keyFile.toLocal8Bit()});
        return *this;
    }

    /// Sends the bytes at once.
    PeerScript& send(const QByteArray& bytes) { return add(Step::Send, bytes); }
    /// Sends `size` bytes of pattern() (generated, never held whole).
    PeerScript& sendPattern(qint64 size) { return add(Step::Pattern, {}, size); }
    /// Sends the bytes one at a time, `gapMs` apart, each its own segment.
    PeerScript& drip(const QByteArray& bytes, int gapMs = 2) {
        return add(Step::Drip, bytes, gapMs);
    }
    /// Waits until `count` bytes in all were received on this connection.
    PeerScript& waitBytes(qint64 count) { return add(Step::WaitBytes, {}, count); }
    /// Waits until the received bytes contain `text` (for example "\r\n\r\n").
    PeerScript& waitFor(const QByteArray& text) { return add(Step::WaitFor, text); }
    /// Says nothing more until the client closes or the peer is destroyed.
    PeerScript& silent() { return add(Step::Silent); }
    /// Neither reads nor sends until the peer is destroyed: the client's
    /// sends fill the socket buffers and then block.
    PeerScript& stall() { return add(Step::Stall); }
    /// Ends the connection in order (FIN after the data sent; under TLS,
    /// close_notify first), then goes on recording until the client closes.
    PeerScript& close() { return add(Step::Close); }
    /// Like close(), but under TLS a bare FIN without close_notify: a cut
    /// the client cannot tell from a close that is no end.
    PeerScript& cut() { return add(Step::Cut); }
    /// Resets the connection (RST).
    PeerScript& reset() { return add(Step::Reset); }
    /// Waits for a request head, sends `bytes`, closes: the usual reply.
    PeerScript& reply(const QByteArray& bytes) { return waitFor("\r\n\r\n").send(bytes).close(); }

    std::vector<Step> steps;

private:
    PeerScript& add(Step::Kind kind, const QByteArray& bytes = {}, qint64 count = 0) {
        steps.push_back({kind, bytes, count, {}});
        return *this;
    }
};

/// A TCP server on 127.0.0.1 (a free port) that plays a script per
/// connection on its own thread with plain blocking-style POSIX calls, so it
/// never relies on the code under test pumping events. Connections are served
/// one after another; connection i plays script i (the last script repeats).
/// Every byte received is recorded per connection. A script that ends without
/// close() or reset() closes in order.
///
///     auto peer = ScriptedPeer::replying("HTTP/1.0 200 OK\r\n\r\nbody");
///     ... let the client GET from 127.0.0.1:peer->port() and disconnect ...
///     ASSERT_TRUE(testenv::waitUntil([&] { return peer->finished() == 1; }));
///     EXPECT_EQ(peer->received(0), "GET / HTTP/1.0\r\n...\r\n\r\n");
class ScriptedPeer {
public:
    explicit ScriptedPeer(PeerScript script);
    explicit ScriptedPeer(std::vector<PeerScript> scripts);
    /// Stops at once: wakes every wait and silence and joins the thread.
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    /// "Reply these bytes, then close", to every connection.
    static std::unique_ptr<ScriptedPeer> replying(const QByteArray& bytes);

    quint16 port() const { return port_; }
    /// Bytes received so far on connection `index` (0 = first); all of them
    /// once finished() counts the connection (after the client closed).
    QByteArray received(int index = 0) const;
    /// Connections accepted so far.
    int connections() const;
    /// Connections whose script has finished and whose socket is closed.
    int finished() const { return finished_.load(); }

    /// Byte `offset` of the generated stream sent by sendPattern(). It repeats
    /// every 65521 bytes (a prime), so a lost, doubled or misplaced block of
    /// any power-of-two size shows.
    static char patternByte(qint64 offset) {
        return char((quint32(offset % 65521) * 2654435761u) >> 24);
    }
    /// `size` bytes of the generated stream starting at `offset`.
    static QByteArray pattern(qint64 offset, qint64 size);

private:
    struct Connection;

    void run();
    void serve(int fd, const PeerScript& script, int index);
    bool waitReadable(Connection& c, qint64 need, const QByteArray& text);
    bool sendAll(Connection& c, const char* data, qint64 size);
    bool handshake(Connection& c, const PeerScript::Step& step);
    bool pollFor(int fd, short events, int timeoutMs = -1);
    void record(int index, const char* data, qint64 size);

    std::vector<PeerScript> scripts_;
    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    quint16 port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> finished_{0};
    mutable std::mutex mutex_;
    std::vector<QByteArray> received_;
    std::thread thread_;
};

} // namespace testsupport
