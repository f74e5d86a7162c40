#include "http/part_file.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString& what, const QString& path, int error) {
    throw std::runtime_error(QStringLiteral("%1 \"%2\": %3")
                                 .arg(what, path, QString::fromLocal8Bit(std::strerror(error)))
                                 .toStdString());
}

} // namespace

QString PartFile::PartName(const QString& target) {
    return target + QStringLiteral(".part");
}

void PartFile::CheckTarget(const QString& target) {
    struct stat st {};
    if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
        return; // not there yet (or not reachable: the create says why)
    if (S_ISDIR(st.st_mode))
        throw std::runtime_error(
            QStringLiteral("Cannot save to \"%1\": it is a folder").arg(target).toStdString());
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        throw std::runtime_error(QStringLiteral("Cannot save to \"%1\": it is not a regular file")
                                     .arg(target)
                                     .toStdString());
}

PartFile::PartFile(const QString& target)
    : target_(target)
    , partName_(PartName(target)) {
    const QByteArray name = QFile::encodeName(partName_);
    const auto open = [&] {
        return ::open(name.constData(),
                      O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    };
    fd_ = open();
    // A symlink left in the part file's place is removed rather than
    // followed, so the body cannot be written through it elsewhere.
    if (fd_ < 0 && errno == ELOOP && ::unlink(name.constData()) == 0)
        fd_ = open();
    struct stat st {};
    if (fd_ < 0)
        fail(QStringLiteral("Cannot create file"), partName_, errno);
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        throw std::runtime_error(
            QStringLiteral("Cannot create file \"%1\": it is not a regular file")
                .arg(partName_)
                .toStdString());
    }
}

PartFile::~PartFile() {
    discard();
}

void PartFile::discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    ::unlink(QFile::encodeName(partName_).constData());
}

void PartFile::commit() {
    const int fd = fd_;
    fd_ = -1;
    const QByteArray name = QFile::encodeName(partName_);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        fail(QStringLiteral("Cannot write file"), partName_, error);
    }
    if (::rename(name.constData(), QFile::encodeName(target_).constData()) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        fail(QStringLiteral("Cannot save to"), target_, error);
    }
}
