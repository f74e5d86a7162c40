#include "tests/support/server_process.h"

#include "tests/support/test_env.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

sockaddr_in loopback(quint16 port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

} // namespace

ServerProcess::ServerProcess(QString name)
    : name_(std::move(name)) {}

ServerProcess::~ServerProcess() {
    stop();
}

bool ServerProcess::makeDir(QString* error) {
    if (dir_)
        return true;
    // Under the system's temporary folder rather than one below the caller's
    // home, so that a server which switches to its own user can reach it.
    auto dir =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + "/serifetch-" + name_ + "-XXXXXX");
    if (!dir->isValid()) {
        if (error)
            *error = name_ + ": cannot create a private folder: " + dir->errorString();
        return false;
    }
    dir_ = std::move(dir);
    return true;
}

QString ServerProcess::dir() const {
    return dir_ ? dir_->path() : QString();
}

bool ServerProcess::start(const QString& program, const QStringList& args, quint16 port,
                          int readyTimeoutMs, const QStringList& logFiles, QString* error) {
    stop();
    exitedEarly_ = false;
    const QString outputFile = dir() + "/output.log";
    process_ = std::make_unique<QProcess>();
    process_->setProgram(program);
    process_->setArguments(args);
    process_->setWorkingDirectory(dir());
    process_->setStandardInputFile(QProcess::nullDevice());
    process_->setProcessChannelMode(QProcess::MergedChannels);
    process_->setStandardOutputFile(outputFile, QIODevice::Append);
    process_->setChildProcessModifier([] {
        // Only async-signal-safe calls here: this runs between fork and exec.
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });

    auto fail = [&](const QString& why) {
        if (error) {
            QString text = name_ + ": " + why;
            for (const QString& log : logFiles + QStringList{"output.log"}) {
                const QString t = tail(log);
                if (!t.isEmpty())
                    text += "\n--- " + log + " ---\n" + t;
            }
            *error = text;
        }
        return false;
    };

    process_->start();
    if (!process_->waitForStarted(10000)) {
        const QString why = "cannot run " + program + ": " + process_->errorString();
        process_.reset();
        return fail(why);
    }
    pid_ = process_->processId();

    QDeadlineTimer deadline(readyTimeoutMs, Qt::PreciseTimer);
    for (;;) {
        if (process_->state() == QProcess::NotRunning || process_->waitForFinished(0)) {
            exitedEarly_ = true;
            const QString why = QString("exited with status %1 before it accepted connections on "
                                        "port %2")
                                    .arg(process_->exitCode())
                                    .arg(port);
            pid_ = 0;
            return fail(why);
        }
        if (loopbackPortAccepts(port))
            return true;
        if (deadline.hasExpired()) {
            stop();
            return fail(QString("did not accept connections on port %1 within %2 ms")
                            .arg(port)
                            .arg(readyTimeoutMs));
        }
        // Returns at once when the child exits; otherwise a short bounded pause
        // between connection attempts.
        process_->waitForFinished(10);
    }
}

qint64 ServerProcess::pid() const {
    return isRunning() ? pid_ : 0;
}

bool ServerProcess::isRunning() const {
    return process_ && process_->state() != QProcess::NotRunning;
}

void ServerProcess::stop(int graceMs) {
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(pid_), SIGTERM);
        if (!process_->waitForFinished(graceMs)) {
            ::kill(-static_cast<pid_t>(pid_), SIGKILL);
            process_->waitForFinished(5000);
        }
    }
    // Workers the leader left behind, if any; the group is ours alone.
    if (pid_ > 0)
        ::kill(-static_cast<pid_t>(pid_), SIGKILL);
    process_.reset();
    pid_ = 0;
}

QString ServerProcess::tail(const QString& relativePath, qint64 maxBytes) const {
    QFile f(dir() + "/" + relativePath);
    if (dir().isEmpty() || !f.open(QIODevice::ReadOnly))
        return {};
    if (f.size() > maxBytes)
        f.seek(f.size() - maxBytes);
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

QString serverConfig(const QString& name, const std::vector<std::pair<QString, QString>>& values) {
    const QString path = QStringLiteral(SERIFETCH_SERVER_CONF_DIR "/") + name;
    if (!QFile::exists(path))
        qFatal("server config %s is missing", qPrintable(path));
    QString config = QString::fromUtf8(testenv::readFile(path));
    for (const auto& [key, value] : values)
        config.replace(QLatin1Char('@') + key + QLatin1Char('@'), value);
    return config;
}

QString findServerProgram(const QString& name) {
    const QString found = QStandardPaths::findExecutable(name);
    if (!found.isEmpty())
        return found;
    return QStandardPaths::findExecutable(name, {"/usr/sbin", "/sbin"});
}

quint16 freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return 0;
    sockaddr_in addr = loopback(0);
    socklen_t len = sizeof addr;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(fd);
    return port;
}

bool loopbackPortAccepts(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const sockaddr_in addr = loopback(port);
    int rc;
    do {
        rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    } while (rc != 0 && errno == EINTR);
    ::close(fd);
    return rc == 0;
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

bool handOverToUser(const QString& path, const QString& user, QString* error) {
    const passwd* pw = ::getpwnam(user.toLocal8Bit().constData());
    if (!pw) {
        if (error)
            *error = "no system user '" + user + "'";
        return false;
    }
    if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0) {
        if (error)
            *error = "cannot give " + path + " to " + user + ": " + QString(std::strerror(errno));
        return false;
    }
    return true;
}

bool startOnFreePort(ServerProcess& process, quint16& port,
                     const std::function<bool(quint16, QString*)>& attempt, QString* error) {
    for (int tries = 0; tries < 3; ++tries) {
        port = freeLoopbackPort();
        if (port == 0) {
            if (error)
                *error = "no free port on 127.0.0.1";
            return false;
        }
        if (attempt(port, error))
            return true;
        if (!process.exitedEarly())
            break;
    }
    port = 0;
    return false;
}

ServerFixture::ServerFixture(QString program)
    : program_(std::move(program))
    , process_(program_) {}

bool ServerFixture::startOnFreePort(const std::function<bool(quint16, QString*)>& attempt,
                                    QString* error) {
    return process_.makeDir(error) && ::startOnFreePort(process_, port_, attempt, error);
}

bool ServerFixture::launch(quint16 port, const QString& configName, const QString& config,
                           const QStringList& args, int readyTimeoutMs, const QString& logName,
                           QString* error) {
    const QString program = findServerProgram(program_);
    const QString d = process_.dir();
    QString why;
    if (program.isEmpty())
        why = "not installed (scripts/install-deps installs it)";
    else if (!testenv::writeFile(d + "/" + configName, config.toUtf8()))
        why = "cannot write " + d + "/" + configName;
    if (!why.isEmpty()) {
        if (error)
            *error = program_ + ": " + why;
        return false;
    }
    QFile::remove(d + "/" + logName);
    return process_.start(program, args, port, readyTimeoutMs, {logName}, error);
}

void ServerFixture::stopProcess(int graceMs) {
    process_.stop(graceMs);
    port_ = 0;
}
