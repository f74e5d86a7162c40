#pragma once

#include "tests/support/server_process.h"

#include <QString>

/// A real tinyproxy on a free port of 127.0.0.1 that serves clients from
/// 127.0.0.1 only and forwards to any host and port, run from its own private
/// folder in the foreground as a child of the test and stopped by PID in the
/// destructor at the latest.
///
/// How it treats HTTP/1.0 clients: it forwards a full-URL request
/// (`GET http://127.0.0.1:PORT/x HTTP/1.0`) and closes the client connection
/// after every reply, whatever `Proxy-Connection: Keep-Alive` asked for. Its
/// replies carry an HTTP/1.1 status line and a `Via` header; an unreachable
/// origin gives 500.
class TinyproxyFixture : public ServerFixture {
public:
    TinyproxyFixture()
        : ServerFixture("tinyproxy") {}
    ~TinyproxyFixture();

    /// Starts tinyproxy on a free port and waits until it accepts connections.
    /// False with the reason (not installed, its log) when it does not. Its
    /// folder holds tinyproxy.conf and tinyproxy.log.
    bool start(QString* error = nullptr);

    /// SIGTERM, SIGKILL after a bounded wait. Safe to call twice.
    void stop();

private:
    bool startOn(quint16 port, QString* error);
};
