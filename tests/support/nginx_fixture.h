#pragma once

#include "tests/support/server_process.h"

#include <QString>

/// A real nginx serving `docRoot` on a free port of 127.0.0.1, from its own
/// private folder (config, logs, pid file), in the foreground as a child of the
/// test, stopped by PID in the destructor at the latest. As root its worker
/// runs as root too, so that it can read a test's private folders. A `return
/// 302 /new` answers an HTTP/1.0 request without Host with the absolute
/// `Location: http://127.0.0.1:PORT/new` (`absolute_redirect off;` keeps it
/// relative).
///
///     NginxFixture web(dir.path(), "location = /old { return 302 /new; }");
///     ASSERT_TRUE(web.start(&error)) << error.toStdString();
///     get(web.baseUrl() + "f0001.bin");
class NginxFixture : public ServerFixture {
public:
    /// `extraServerConfig` is pasted inside the `server` block, e.g.
    /// `location = /old { return 302 /new; }` or `absolute_redirect off;`.
    explicit NginxFixture(QString docRoot, QString extraServerConfig = {});
    ~NginxFixture();

    /// Lines placed at the top of nginx.conf, outside every block, e.g.
    /// `load_module <echoModulePath()>;` to use `echo_sleep` for slow replies.
    /// Takes effect on the next `start`.
    void setExtraMainConfig(QString lines);

    /// Starts nginx on a free port and waits until it accepts connections.
    /// False with the reason (nginx missing, bad config, its error log) when it
    /// does not; a test should fail then, not skip.
    bool start(QString* error = nullptr);

    /// `http://127.0.0.1:PORT/`. Its folder holds nginx.conf, error.log and
    /// access.log.
    QString baseUrl() const;

    /// SIGTERM to the master, SIGKILL after a bounded wait. Safe to call twice.
    void stop();

    /// The dynamic echo module of Debian's nginx (adds `echo_sleep`), or empty
    /// when it is not installed.
    static QString echoModulePath();

private:
    bool startOn(quint16 port, QString* error);

    QString docRoot_;
    QString extraServer_;
    QString extraMain_;
};
