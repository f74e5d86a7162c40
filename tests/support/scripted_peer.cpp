#include "tests/support/scripted_peer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace testsupport {

/// One accepted connection, plain or, after a Tls step, through TLS.
struct ScriptedPeer::Connection {
    int fd = -1;
    int index = 0;
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;

    Connection(int socket, int i)
        : fd(socket)
        , index(i) {}
    ~Connection() {
        SSL_free(ssl);
        SSL_CTX_free(ctx);
        if (fd >= 0)
            ::close(fd);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    /// The count read, 0 when the client closed (or broke TLS), -1 when
    /// nothing is there yet.
    qint64 readSome(char* buffer, qint64 size) {
        if (!ssl) {
            const ssize_t n = ::recv(fd, buffer, size_t(size), 0);
            if (n < 0)
                return errno == EAGAIN || errno == EINTR ? -1 : 0;
            return n;
        }
        size_t n = 0;
        const int rc = SSL_read_ex(ssl, buffer, size_t(size), &n);
        if (rc == 1)
            return qint64(n);
        return wouldBlock(rc) ? -1 : 0;
    }
    /// The count sent, 0 when the socket is full, -1 when it is broken.
    qint64 writeSome(const char* data, qint64 size) {
        if (!ssl) {
            const ssize_t n = ::send(fd, data, size_t(size), MSG_NOSIGNAL);
            if (n < 0)
                return errno == EAGAIN || errno == EINTR ? 0 : -1;
            return n;
        }
        size_t n = 0;
        const int rc = SSL_write_ex(ssl, data, size_t(size), &n);
        if (rc == 1)
            return qint64(n);
        return wouldBlock(rc) ? 0 : -1;
    }
    bool pending() const { return ssl && SSL_pending(ssl) > 0; }

private:
    bool wouldBlock(int rc) const {
        const int error = SSL_get_error(ssl, rc);
        ERR_clear_error();
        return error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
    }
};

QByteArray ScriptedPeer::pattern(qint64 offset, qint64 size) {
    static const QByteArray period = [] {
        QByteArray p(65521, Qt::Uninitialized);
        for (qint64 i = 0; i < p.size(); ++i)
            p.data()[i] = patternByte(i);
        return p;
    }();
    QByteArray out(size, Qt::Uninitialized);
    char* to = out.data();
    for (qint64 done = 0; done < size;) {
        const qint64 at = (offset + done) % period.size();
        const qint64 n = std::min<qint64>(period.size() - at, size - done);
        std::memcpy(to + done, period.constData() + at, size_t(n));
        done += n;
    }
    return out;
}

ScriptedPeer::ScriptedPeer(PeerScript script)
    : ScriptedPeer(std::vector<PeerScript>{script}) {}

ScriptedPeer::ScriptedPeer(std::vector<PeerScript> scripts)
    : scripts_(std::move(scripts)) {
    if (scripts_.empty())
        scripts_.emplace_back();
    if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("ScriptedPeer: pipe failed");
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
        ::listen(listenFd_, 16) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
        // No destructor runs for a constructor that throws.
        if (listenFd_ >= 0)
            ::close(listenFd_);
        ::close(wake_[0]);
        ::close(wake_[1]);
        throw std::runtime_error("ScriptedPeer: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(sa.sin_port);
    thread_ = std::thread([this] { run(); });
}

ScriptedPeer::~ScriptedPeer() {
    stopping_ = true;
    const char byte = 1;
    [[maybe_unused]] ssize_t ignored = ::write(wake_[1], &byte, 1);
    thread_.join();
    ::close(listenFd_);
    ::close(wake_[0]);
    ::close(wake_[1]);
}

std::unique_ptr<ScriptedPeer> ScriptedPeer::replying(const QByteArray& bytes) {
    return std::make_unique<ScriptedPeer>(PeerScript().reply(bytes));
}

QByteArray ScriptedPeer::received(int index) const {
    std::lock_guard lock(mutex_);
    return index >= 0 && size_t(index) < received_.size() ? received_[size_t(index)] : QByteArray();
}

int ScriptedPeer::connections() const {
    std::lock_guard lock(mutex_);
    return int(received_.size());
}

void ScriptedPeer::record(int index, const char* data, qint64 size) {
    std::lock_guard lock(mutex_);
    received_[size_t(index)].append(data, size);
}

bool ScriptedPeer::pollFor(int fd, short events, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {wake_[0], POLLIN, 0}};
    for (;;) {
        const int n = ::poll(fds, 2, timeoutMs);
        if (n < 0 && errno == EINTR)
            continue;
        if (stopping_ || n < 0 || (fds[1].revents & POLLIN))
            return false;
        return n > 0;
    }
}

void ScriptedPeer::run() {
    for (int index = 0; !stopping_; ++index) {
        if (!pollFor(listenFd_, POLLIN))
            return;
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0)
            continue;
        {
            std::lock_guard lock(mutex_);
            received_.emplace_back();
        }
        serve(fd, scripts_[std::min(size_t(index), scripts_.size() - 1)], index);
        ++finished_;
    }
}

// Reads what is there; false when the client closed or the peer stops.
// Returns once `need` bytes in all (or `text`) were received, when asked.
bool ScriptedPeer::waitReadable(Connection& c, qint64 need, const QByteArray& text) {
    char buffer[65536];
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            const QByteArray& got = received_[size_t(c.index)];
            if (need >= 0 && got.size() >= need)
                return true;
            if (!text.isEmpty() && got.contains(text))
                return true;
        }
        if (!c.pending() && !pollFor(c.fd, POLLIN))
            return false;
        const qint64 n = c.readSome(buffer, sizeof buffer);
        if (n > 0)
            record(c.index, buffer, n);
        else if (n == 0)
            return false;
    }
}

bool ScriptedPeer::sendAll(Connection& c, const char* data, qint64 size) {
    char sink[65536];
    bool readOpen = true;
    while (size > 0) {
        pollfd fds[2] = {{c.fd, short(POLLOUT | (readOpen ? POLLIN : 0)), 0},
                         {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (stopping_ || (fds[1].revents & POLLIN))
            return false;
        if (fds[0].revents & POLLIN) {
            // Keep recording while sending, so neither side stalls on a full buffer.
            const qint64 r = c.readSome(sink, sizeof sink);
            if (r > 0) {
                record(c.index, sink, r);
                continue;
            }
            if (r == 0)
                readOpen = false;
        }
        if (fds[0].revents & (POLLERR | POLLHUP))
            return false;
        if (!(fds[0].revents & POLLOUT))
            continue;
        const qint64 n = c.writeSome(data, size);
        if (n < 0)
            return false;
        data += n;
        size -= n;
    }
    return true;
}

bool ScriptedPeer::handshake(Connection& c, const PeerScript::Step& step) {
    // OpenSSL writes with write(): a client gone early must not end the tests.
    std::signal(SIGPIPE, SIG_IGN);
    c.ctx = SSL_CTX_new(TLS_server_method());
    if (!c.ctx || SSL_CTX_use_certificate_chain_file(c.ctx, step.bytes.constData()) != 1 ||
        SSL_CTX_use_PrivateKey_file(c.ctx, step.key.constData(), SSL_FILETYPE_PEM) != 1) {
        ERR_clear_error();
        return false;
    }
    SSL_CTX_set_mode(c.ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    c.ssl = SSL_new(c.ctx);
    if (!c.ssl || SSL_set_fd(c.ssl, c.fd) != 1)
        return false;
    for (;;) {
        const int rc = SSL_accept(c.ssl);
        if (rc == 1)
            return true;
        const int error = SSL_get_error(c.ssl, rc);
        ERR_clear_error();
        if (error != SSL_ERROR_WANT_READ && error != SSL_ERROR_WANT_WRITE)
            return false;
        if (!pollFor(c.fd, error == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT))
            return false;
    }
}

void ScriptedPeer::serve(int fd, const PeerScript& script, int index) {
    Connection c(fd, index);
    bool open = true;
    for (const PeerScript::Step& step : script.steps) {
        if (!open || stopping_)
            break;
        switch (step.kind) {
        case PeerScript::Step::Send:
            open = sendAll(c, step.bytes.constData(), step.bytes.size());
            break;
        case PeerScript::Step::Pattern: {
            QByteArray chunk;
            for (qint64 sent = 0; open && sent < step.count;) {
                const qint64 n = std::min<qint64>(1 << 20, step.count - sent);
                chunk = pattern(sent, n);
                open = sendAll(c, chunk.constData(), n);
                sent += n;
            }
            break;
        }
        case PeerScript::Step::Drip: {
            const int one = 1;
            ::setsockopt(c.fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
            for (qsizetype i = 0; open && i < step.bytes.size(); ++i) {
                open = sendAll(c, step.bytes.constData() + i, 1);
                // A gap, so every byte travels as a segment of its own.
                if (open)
                    pollFor(-1, 0, int(step.count));
                if (stopping_)
                    open = false;
            }
            break;
        }
        case PeerScript::Step::WaitBytes:
            open = waitReadable(c, step.count, {});
            break;
        case PeerScript::Step::WaitFor:
            open = waitReadable(c, -1, step.bytes);
            break;
        case PeerScript::Step::Silent:
            waitReadable(c, -1, {});
            open = false;
            break;
        case PeerScript::Step::Stall:
            pollFor(-1, 0);
            open = false;
            break;
        case PeerScript::Step::Close:
        case PeerScript::Step::Cut:
            if (c.ssl && step.kind == PeerScript::Step::Close)
                SSL_shutdown(c.ssl); // close_notify
            ::shutdown(c.fd, SHUT_WR);
            waitReadable(c, -1, {});
            open = false;
            break;
        case PeerScript::Step::Reset: {
            const linger l{1, 0};
            ::setsockopt(c.fd, SOL_SOCKET, SO_LINGER, &l, sizeof l);
            ::close(c.fd);
            c.fd = -1;
            open = false;
            break;
        }
        case PeerScript::Step::Tls:
            open = handshake(c, step);
            break;
        }
    }
    if (c.fd >= 0 && open && !stopping_) {
        if (c.ssl)
            SSL_shutdown(c.ssl);
        ::shutdown(c.fd, SHUT_WR);
        waitReadable(c, -1, {});
    }
}

} // namespace testsupport
