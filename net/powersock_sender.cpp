#include "net/powersock_sender.h"

#include "net/powersock.h"
#include "net/powersock_errors.h"
#include "net/powersock_waits.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QCoreApplication>
#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

PowersockSender::PowersockSender(TPowersock& session)
    : session_(session) {}

Task<> PowersockSender::WaitWritableAsync() {
    writable_ = false;
    session_.transport_->armWrite();
    while (!writable_ && !session_.Cancelled && !session_.TimedOut)
        co_await session_.waits_->NextEvent(false);
}

Task<> PowersockSender::SendLoopAsync(const char* data, qint64 length, bool countSent) {
    qint64 remaining = length;
    while (remaining > 0 && !session_.Cancelled) {
        const qint64 n = session_.transport_->send(data + (length - remaining), remaining);
        if (n == 0)
            break;
        if (n < 0) {
            session_.errors_->Check(SocketErrorNumbers::WouldBlock);
            co_await WaitWritableAsync();
            continue;
        }
        remaining -= n;
        // The time-out is an idle time: a send that makes progress goes on.
        session_.TimerOn();
        if (countSent) {
            session_.SentBytes += n;
            if (session_.OnPacketSent)
                session_.OnPacketSent(&session_);
            co_await session_.waits_->Yield();
        }
    }
}

Task<> PowersockSender::SendBufferAsync(const char* data, qint64 length) {
    session_.ReportStatus(4, QCoreApplication::translate("PowersockSender", "Sending Buffer"));
    session_.TimerOn();
    {
        const auto off = qScopeGuard([this] { session_.TimerOff(); });
        if (!session_.Cancelled)
            co_await SendLoopAsync(data, length, false);
    }
    if (session_.Cancelled) {
        session_.Cancelled = false;
        throw AbortError(QCoreApplication::translate("PowersockSender", "Socket send aborted"),
                         session_.TimedOut);
    }
}

Task<> PowersockSender::SendFileAsync(QString fileName) {
    session_.ReportStatus(8, QStringLiteral("SendFile"));
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(QT_TRANSLATE_NOOP("PowersockErrors", "Cannot open file %1: %2"), fileName,
                        errno);
    {
        const auto closeFile = qScopeGuard([fd] { ::close(fd); });
        // Not in the classic session, but without it a peer that stops
        // reading would hold the send forever.
        session_.TimerOn();
        const auto off = qScopeGuard([this] { session_.TimerOff(); });
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            throw FileError(QT_TRANSLATE_NOOP("PowersockErrors", "Cannot read file %1: %2"),
                            fileName, errno);
        char* const buffer = session_.IOBuffer();
        qint64 position = 0;
        while (position < st.st_size && !session_.Cancelled) {
            const ssize_t n = ::read(fd, buffer, size_t(TPowersock::BufferSize));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw FileError(QT_TRANSLATE_NOOP("PowersockErrors", "Cannot read file %1: %2"),
                                fileName, errno);
            if (n == 0)
                break;
            position += n;
            co_await SendLoopAsync(buffer, n, true);
        }
    }
    if (session_.Cancelled) {
        session_.Cancelled = false;
        throw AbortError(QCoreApplication::translate("PowersockSender", "Socket send aborted"),
                         session_.TimedOut);
    }
}
