#include "http/part_file.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// `text` names the path and the system's reason as %1 and %2.
[[noreturn]] void fail(const char* text, const QString& path, int error) {
    throw std::runtime_error(QCoreApplication::translate("PartFile", text)
                                 .arg(path, QString::fromLocal8Bit(std::strerror(error)))
                                 .toStdString());
}

} // namespace

QString PartFile::PartName(const QString& target) {
    return SideName(target, QStringLiteral(".part"));
}

QString PartFile::SideName(const QString& target, const QString& suffix) {
    const qsizetype nameStart = target.lastIndexOf(QLatin1Char('/')) + 1;
    const QByteArray name = QFile::encodeName(target.mid(nameStart));
    if (name.size() + suffix.size() <= NameMax)
        return target + suffix;
    const QByteArray hash =
        QCryptographicHash::hash(name, QCryptographicHash::Sha1).toHex().left(16);
    qsizetype keep = NameMax - 1 - hash.size() - suffix.size();
    // Back to the start of a UTF-8 sequence: half a character would not
    // decode, and its replacement would not fit.
    while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xc0) == 0x80)
        --keep;
    return target.left(nameStart) + QFile::decodeName(name.left(keep)) + QLatin1Char('.') +
           QString::fromLatin1(hash) + suffix;
}

void PartFile::CheckName(const QString& target) {
    const qsizetype bytes =
        QFile::encodeName(target.mid(target.lastIndexOf(QLatin1Char('/')) + 1)).size();
    if (bytes > NameMax)
        throw std::runtime_error(
            QCoreApplication::translate(
                "PartFile",
                "Cannot save to \"%1\": the file name is %2 bytes long, the limit is %3")
                .arg(target)
                .arg(bytes)
                .arg(NameMax)
                .toStdString());
}

void PartFile::CheckTarget(const QString& target) {
    CheckName(target);
    struct stat st {};
    if (::lstat(QFile::encodeName(target).constData(), &st) != 0)
        return; // not there yet (or not reachable: the create says why)
    if (S_ISDIR(st.st_mode))
        throw std::runtime_error(
            QCoreApplication::translate("PartFile", "Cannot save to \"%1\": it is a folder")
                .arg(target)
                .toStdString());
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
        throw std::runtime_error(QCoreApplication::translate(
                                     "PartFile", "Cannot save to \"%1\": it is not a regular file")
                                     .arg(target)
                                     .toStdString());
}

PartFile::PartFile(const QString& target)
    : target_(target)
    , partName_(PartName(target)) {
    const QByteArray name = QFile::encodeName(partName_);
    // Always a new file of our own: O_EXCL refuses whatever is in the part
    // file's place (a leftover, a symlink, a pipe), which is removed rather
    // than written through, and what it creates can only be a regular file,
    // so no stat is needed to make sure.
    const auto open = [&] {
        return ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    };
    fd_ = open();
    if (fd_ < 0 && errno == EEXIST) {
        if (::unlink(name.constData()) != 0)
            fail(QT_TRANSLATE_NOOP("PartFile", "Cannot create file \"%1\": %2"), partName_, errno);
        fd_ = open();
    }
    if (fd_ < 0)
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot create file \"%1\": %2"), partName_, errno);
}

PartFile::PartFile(const QString& target, qint64 size)
    : target_(target)
    , partName_(PartName(target)) {
    const QByteArray name = QFile::encodeName(partName_);
    // Never through a link put in its place; what is opened is looked at by
    // its descriptor, so nothing can be swapped in between.
    fd_ = ::open(name.constData(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0)
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot open file \"%1\": %2"), partName_, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != size) {
        ::close(fd_);
        fd_ = -1;
        throw std::runtime_error(
            QCoreApplication::translate("PartFile",
                                        "The part file \"%1\" changed before it was resumed")
                .arg(partName_)
                .toStdString());
    }
    keep_ = true;
}

PartFile::~PartFile() {
    discard();
}

void PartFile::discard() {
    if (fd_ < 0)
        return;
    ::close(fd_);
    fd_ = -1;
    if (!keep_)
        ::unlink(QFile::encodeName(partName_).constData());
}

qint64 PartFile::Adopt(const QString& target) {
    const QByteArray name = QFile::encodeName(PartName(target));
    struct stat st {};
    if (::lstat(name.constData(), &st) != 0)
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot open file \"%1\": %2"), PartName(target), errno);
    if (!S_ISREG(st.st_mode))
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot open file \"%1\": %2"), PartName(target),
             EINVAL);
    if (::rename(name.constData(), QFile::encodeName(target).constData()) != 0)
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot save to \"%1\": %2"), target, errno);
    return st.st_size;
}

void PartFile::commit() {
    const int fd = fd_;
    fd_ = -1;
    const QByteArray name = QFile::encodeName(partName_);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot write file \"%1\": %2"), partName_, error);
    }
    if (::rename(name.constData(), QFile::encodeName(target_).constData()) != 0) {
        const int error = errno;
        ::unlink(name.constData());
        fail(QT_TRANSLATE_NOOP("PartFile", "Cannot save to \"%1\": %2"), target_, error);
    }
}
