#include "settings/job_list_journal.h"

#include <QCoreApplication>
#include <QFile>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray kMagic = QByteArrayLiteral("serifetch journal 1");

// Saves of a whole list file made by this process.
std::atomic<quint64> gListSaves{0};

// The version of the list file on disk: every save renames a new file over
// the old one, so the inode alone tells a rewrite; size and time catch an
// editor that writes in place.
QByteArray fingerprintOf(const QString& listPath) {
    struct stat st {};
    if (::stat(QFile::encodeName(listPath).constData(), &st) != 0)
        return {};
    return kMagic + ' ' + QByteArray::number(quint64(st.st_dev)) + ' ' +
           QByteArray::number(quint64(st.st_ino)) + ' ' + QByteArray::number(qint64(st.st_size)) +
           ' ' + QByteArray::number(qint64(st.st_mtim.tv_sec)) + '.' +
           QByteArray::number(qint64(st.st_mtim.tv_nsec));
}

QByteArray field(const QString& text) {
    QByteArray bytes = text.toUtf8();
    for (char& c : bytes)
        if (c == '\t' || c == '\n' || c == '\r')
            c = ' ';
    return bytes;
}

// `what` is "read", "open" or "write", marked for translation where it
// is named.
QString errorText(const char* what, const QString& path) {
    return QCoreApplication::translate("JobListJournal", "Could not %1 %2: %3")
        .arg(QCoreApplication::translate("JobListJournal", what), path,
             QString::fromLocal8Bit(std::strerror(errno)));
}

// Calls `change` for each whole, readable line of a journal of the file
// version `fingerprint`; returns the length of the part read (0 for a
// journal of another version).
template <typename Change>
qsizetype readChanges(const QByteArray& bytes, const QByteArray& fingerprint, Change change) {
    qsizetype end = bytes.indexOf('\n');
    if (end < 0 || fingerprint.isEmpty() || QByteArrayView(bytes).first(end) != fingerprint)
        return 0;
    qsizetype read = end + 1;
    for (; (end = bytes.indexOf('\n', read)) >= 0; read = end + 1) {
        const QByteArrayView line(bytes.constData() + read, end - read);
        const qsizetype tab1 = line.indexOf('\t');
        const qsizetype tab2 = tab1 < 0 ? -1 : line.indexOf('\t', tab1 + 1);
        bool ok = false;
        const qint64 row = tab2 < 0 ? 0 : line.first(tab1).toLongLong(&ok);
        if (!ok || row < 1)
            break;
        change(row, line.sliced(tab1 + 1, tab2 - tab1 - 1), line.sliced(tab2 + 1));
    }
    return read;
}

} // namespace

QString JobListJournal::pathFor(const QString& listPath) {
    return listPath + QStringLiteral(".journal");
}

qint64 JobListJournal::apply(const QString& listPath, JobList& jobs) {
    QFile file(pathFor(listPath));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    qint64 applied = 0;
    readChanges(file.readAll(), fingerprintOf(listPath),
                [&](qint64 row, QByteArrayView mark, QByteArrayView reason) {
                    if (row > qint64(jobs.size()))
                        return;
                    jobs.setStatus(size_t(row - 1), QString::fromUtf8(mark));
                    jobs.setReason(size_t(row - 1), QString::fromUtf8(reason));
                    ++applied;
                });
    return applied;
}

JobListJournal::JobListJournal(QString listPath)
    : listPath_(std::move(listPath)) {}

JobListJournal::~JobListJournal() {
    close();
}

void JobListJournal::listSaved(const QString& listPath) {
    ++gListSaves;
    QFile::remove(pathFor(listPath));
}

bool JobListJournal::isCurrent() const {
    return fd_ >= 0 && saveCount_ == gListSaves;
}

QString JobListJournal::open() {
    close();
    const QString path = pathFor(listPath_);
    const QByteArray fingerprint = fingerprintOf(listPath_);
    if (fingerprint.isEmpty())
        return errorText(QT_TRANSLATE_NOOP("JobListJournal", "read"), listPath_);
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        return errorText(QT_TRANSLATE_NOOP("JobListJournal", "open"), path);
    // A journal of this very file (left by a run that ended without its
    // last save, and applied when the list was loaded) is continued, up to
    // the part a load reads: lines after a torn or unreadable one would
    // never be read.
    QFile existing(path);
    qsizetype kept = 0;
    if (existing.open(QIODevice::ReadOnly))
        kept = readChanges(existing.readAll(), fingerprint, [](qint64, auto, auto) {});
    const QByteArray header = fingerprint + '\n';
    if (::ftruncate(fd_, off_t(kept)) != 0 ||
        (kept == 0 && ::write(fd_, header.constData(), size_t(header.size())) != header.size())) {
        QString problem = errorText(QT_TRANSLATE_NOOP("JobListJournal", "write"), path);
        close();
        return problem;
    }
    saveCount_ = gListSaves;
    return {};
}

QString JobListJournal::append(const std::vector<Change>& changes) {
    QByteArray lines;
    for (const Change& change : changes)
        lines += QByteArray::number(change.row) + '\t' + field(change.mark) + '\t' +
                 field(change.reason) + '\n';
    if (fd_ < 0 || ::write(fd_, lines.constData(), size_t(lines.size())) != lines.size())
        return errorText(QT_TRANSLATE_NOOP("JobListJournal", "write"), pathFor(listPath_));
    return {};
}

QString JobListJournal::sync() {
    if (fd_ >= 0 && ::fdatasync(fd_) != 0)
        return errorText(QT_TRANSLATE_NOOP("JobListJournal", "write"), pathFor(listPath_));
    return {};
}

void JobListJournal::close() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}
