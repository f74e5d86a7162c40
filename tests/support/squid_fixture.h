#pragma once

#include "tests/support/server_process.h"

#include <QString>

/// A real squid on a free port of 127.0.0.1 that serves clients from
/// 127.0.0.1 and forwards to any port of 127.0.0.0/8, without caching (no
/// cache_dir, no memory cache), run from its own private folder in the
/// foreground (`-N`) as a child of the test and stopped by PID in the
/// destructor at the latest.
///
/// It starts in about 50 ms. Its orderly shutdown takes about 2 s even with
/// `shutdown_lifetime 0`, and without a cache there is nothing it would save,
/// so `stop` grants it only a short grace before killing it.
///
/// How it treats HTTP/1.0 clients: it forwards a full-URL request and keeps
/// the client connection open after a reply of known length when the request
/// carried `Proxy-Connection: Keep-Alive` (its reply then says
/// `Connection: keep-alive`); without that header it closes. Its replies carry
/// an HTTP/1.1 status line and `Via`/`X-Cache` headers; an unreachable origin
/// gives 503.
///
/// As root squid refuses to run as root: it switches to the user `proxy`, and
/// the private folder is handed to that user so squid can write its logs.
/// Having switched users it no longer dies with a crashed test process; the
/// next squid fixture to start ends such a leftover.
class SquidFixture : public ServerFixture {
public:
    SquidFixture()
        : ServerFixture("squid") {}
    ~SquidFixture();

    /// Starts squid on a free port and waits until it accepts connections.
    /// False with the reason (not installed, its cache.log) when it does not.
    /// Its folder holds squid.conf, cache.log and access.log.
    bool start(QString* error = nullptr);

    /// From the next start, every client must log in with HTTP Basic
    /// authentication as `htpasswdLine` ("name:" and a crypt or MD5 hash,
    /// as `openssl passwd -apr1` makes it) says, through squid's
    /// basic_ncsa_auth helper.
    void requireLogin(QByteArray htpasswdLine) { login_ = std::move(htpasswdLine); }

    /// SIGTERM, SIGKILL after `graceMs`; removes the shared-memory segments a
    /// killed squid leaves behind. Pass 5000 for an orderly shutdown that
    /// writes its last log lines. Safe to call twice.
    void stop(int graceMs = 300);

private:
    bool startOn(quint16 port, QString* error);
    void removeSharedMemory() const;

    QString serviceName_;
    QByteArray login_;
};
