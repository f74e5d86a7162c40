#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

/// A server program run as a child of the test, in the foreground, from a
/// private folder that holds its config, logs and pid file. The child gets its
/// own process group, so that helpers it forks (nginx workers) go with it, and
/// is killed when the test process dies while the child still runs as the
/// user that started it (servers that switch users lose that guard). That
/// guard follows the starting thread: start servers from the test's main
/// thread, not from a worker that ends before them.
class ServerProcess {
public:
    /// `name` only labels error texts ("nginx", "squid", ...).
    explicit ServerProcess(QString name);
    /// Stops the child as `stop()` does.
    ~ServerProcess();

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    /// Creates the private folder (once); false with a reason when it cannot.
    bool makeDir(QString* error);
    /// The private folder, without a trailing '/'; empty before `makeDir`.
    QString dir() const;

    /// Runs `program args` and waits until 127.0.0.1:`port` accepts a
    /// connection, at most `readyTimeoutMs`. Fails early when the child exits
    /// or `program` is missing; the reason then quotes the tail of `logFiles`
    /// (paths relative to `dir()`) and of the child's own output.
    bool start(const QString& program, const QStringList& args, quint16 port, int readyTimeoutMs,
               const QStringList& logFiles, QString* error);

    /// Whether the last `start` ended with the child exiting before it was ready
    /// (e.g. its port was taken meanwhile), so another port may be tried.
    bool exitedEarly() const { return exitedEarly_; }

    /// The child's process id, 0 when none runs.
    qint64 pid() const;
    /// Whether the child is still running.
    bool isRunning() const;

    /// SIGTERM to the child, SIGKILL to its process group when it has not
    /// exited after `graceMs`; afterwards nothing of the group is left. Safe to
    /// call twice.
    void stop(int graceMs = 5000);

    /// The last `maxBytes` of a file in `dir()`, for error texts.
    QString tail(const QString& relativePath, qint64 maxBytes = 2000) const;

private:
    QString name_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    qint64 pid_ = 0;
    bool exitedEarly_ = false;
};

/// The config file `name` of tests/support/conf with every "@KEY@" replaced by
/// its value. The benchmarks' servers.sh fills the same files, so the tests and
/// the benchmarks run the same servers.
QString serverConfig(const QString& name, const std::vector<std::pair<QString, QString>>& values);

/// The full path of a server program, looked up in PATH and then in /usr/sbin
/// and /sbin (which a normal user's PATH often lacks); empty when missing.
QString findServerProgram(const QString& name);

/// A port on 127.0.0.1 that was free a moment ago: bound with port 0 and
/// released. 0 when no socket could be bound.
quint16 freeLoopbackPort();

/// Whether a TCP connection to 127.0.0.1:`port` is accepted right now.
bool loopbackPortAccepts(quint16 port);

/// Whether the current process runs as root, where servers need to be told
/// which user to run as.
bool runningAsRoot();

/// Gives `path` to the named system user, for servers that switch to it before
/// they open their logs. False with a reason when the user is unknown.
bool handOverToUser(const QString& path, const QString& user, QString* error);

/// Tries `attempt` with fresh ports up to three times while the server exits
/// early, which is what a port taken between finding and binding it looks like.
bool startOnFreePort(ServerProcess& process, quint16& port,
                     const std::function<bool(quint16 port, QString* error)>& attempt,
                     QString* error);

/// What the server fixtures share: the child, the port it got, and a start
/// from a config file written for that port.
class ServerFixture {
public:
    ServerFixture(const ServerFixture&) = delete;
    ServerFixture& operator=(const ServerFixture&) = delete;

    /// The port it listens on; 0 before `start` succeeded.
    quint16 port() const { return port_; }
    /// Its (master) process id; 0 when not running.
    qint64 pid() const { return process_.pid(); }
    /// The private folder holding its config and logs.
    QString dir() const { return process_.dir(); }

protected:
    /// `program` is looked up with findServerProgram and labels error texts.
    explicit ServerFixture(QString program);
    ~ServerFixture() = default;

    /// Creates the private folder and tries `attempt` on fresh free ports.
    bool startOnFreePort(const std::function<bool(quint16 port, QString* error)>& attempt,
                         QString* error);
    /// Writes `config` to `configName` in the private folder, removes the old
    /// `logName`, and runs the program with `args` until `port` accepts.
    bool launch(quint16 port, const QString& configName, const QString& config,
                const QStringList& args, int readyTimeoutMs, const QString& logName,
                QString* error);
    /// Stops the child, SIGKILL after `graceMs`, and forgets the port.
    void stopProcess(int graceMs = 5000);

    QString program_;
    ServerProcess process_;
    quint16 port_ = 0;
};
