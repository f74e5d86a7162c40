#include "platform/profile_lock.h"

#include "platform/profile_dir.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Retries a call that a signal interrupted.
template <typename F> auto retrying(F call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

} // namespace

ProfileLock::ProfileLock(const QString& dir)
    : path_(dir + QStringLiteral("/serifetch.lock")) {}

ProfileLock::ProfileLock()
    : ProfileLock(ProfileDir::path()) {}

ProfileLock::~ProfileLock() {
    unlock();
}

ProfileLock::Result ProfileLock::tryLock() {
    if (fd_ >= 0)
        return Result::Acquired;
    holderPid_ = 0;
    error_.clear();

    const QByteArray name = QFile::encodeName(path_);
    // Close-on-exec: a program we start (a viewer for a file) must not keep
    // the profile locked after we are gone.
    const int fd =
        retrying([&] { return ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644); });
    if (fd < 0) {
        error_ =
            QCoreApplication::translate("ProfileLock", "%1: cannot open the lock file: %2")
                .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(errno)));
        return Result::Error;
    }
    if (retrying([&] { return ::flock(fd, LOCK_EX | LOCK_NB); }) != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK) {
            char buffer[32] = {};
            const ssize_t got = ::pread(fd, buffer, sizeof buffer - 1, 0);
            if (got > 0) {
                bool ok = false;
                const qint64 pid = QByteArray(buffer, got).trimmed().toLongLong(&ok);
                holderPid_ = ok && pid > 0 ? pid : 0;
            }
            ::close(fd);
            return Result::Busy;
        }
        error_ =
            QCoreApplication::translate("ProfileLock", "%1: cannot lock the file: %2")
                .arg(QDir::toNativeSeparators(path_), QString::fromLocal8Bit(std::strerror(err)));
        ::close(fd);
        return Result::Error;
    }

    // The PID is only for the message the next one shows; the lock itself is
    // the flock, so a failed write here costs nothing but that message.
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, pid.constData(), size_t(pid.size()), 0);
    fd_ = fd;
    return Result::Acquired;
}

void ProfileLock::unlock() {
    if (fd_ < 0)
        return;
    // Emptied while still held, so nobody reads a PID that is about to go.
    (void)!::ftruncate(fd_, 0);
    ::close(fd_); // drops the flock
    fd_ = -1;
}
