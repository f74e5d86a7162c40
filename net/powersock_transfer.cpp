// The transfer operations of TPowersock: sends, and the receiving side handed
// to its PowersockReceiver.
#include "net/powersock.h"
#include "net/powersock_receiver.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

std::runtime_error fileError(const char* what, const QString& fileName, int error) {
    return std::runtime_error(std::string(what) + " " + fileName.toStdString() + ": " +
                              std::strerror(error));
}

} // namespace

Task<> TPowersock::WaitWritableAsync() {
    writable_ = false;
    transport_->armWrite();
    while (!writable_ && !Cancelled && !TimedOut)
        co_await NextEvent(false);
}

Task<> TPowersock::SendLoopAsync(const char* data, qint64 length, bool countSent) {
    qint64 remaining = length;
    while (remaining > 0 && !Cancelled) {
        const qint64 n = transport_->send(data + (length - remaining), remaining);
        if (n == 0)
            break;
        if (n < 0) {
            CheckSocketError(SocketErrorNumbers::WouldBlock);
            co_await WaitWritableAsync();
            continue;
        }
        remaining -= n;
        // The time-out is an idle time: a send that makes progress goes on.
        TimerOn();
        if (countSent) {
            SentBytes += n;
            if (OnPacketSent)
                OnPacketSent(this);
            co_await Yield();
        }
    }
}

namespace {

// The exception of an operation that Cancel, Abort or the time-out ended.
EAbortError abortError(const QString& text, bool timedOut) {
    return EAbortError(text, timedOut ? SockErrorCode::TimedOut : SockErrorCode::Cancelled);
}

} // namespace

void TPowersock::SendBuffer(const char* data, qint64 length) {
    Wait(SendBufferAsync(data, length));
}

Task<> TPowersock::SendBufferAsync(const char* data, qint64 length) {
    ReportStatus(4, QStringLiteral("Sending Buffer"));
    TimerOn();
    {
        const auto off = qScopeGuard([this] { TimerOff(); });
        if (!Cancelled)
            co_await SendLoopAsync(data, length, false);
    }
    if (Cancelled) {
        Cancelled = false;
        throw abortError(QStringLiteral("Socket send aborted"), TimedOut);
    }
}

void TPowersock::Write(const QByteArray& text) {
    Wait(WriteAsync(text));
}

Task<> TPowersock::WriteAsync(QByteArray text) {
    ReportStatus(8, QStringLiteral("Write"));
    co_await SendBufferAsync(text.constData(), text.size());
}

void TPowersock::Writeln(const QByteArray& text) {
    Wait(WritelnAsync(text));
}

Task<> TPowersock::WritelnAsync(QByteArray text) {
    ReportStatus(8, QStringLiteral("Writeln"));
    co_await WriteAsync(text + "\r\n");
}

QByteArray TPowersock::ReadLn() {
    return Wait(ReadLnAsync());
}

Task<QByteArray> TPowersock::ReadLnAsync() {
    return receiver_->ReadLnAsync();
}

Task<QByteArray> TPowersock::ReadLinesAsync(qint64 limit,
                                            std::function<bool(const QByteArray&)> firstLine) {
    return receiver_->ReadLinesAsync(limit, std::move(firstLine));
}

void TPowersock::SendFile(const QString& fileName) {
    Wait(SendFileAsync(fileName));
}

Task<> TPowersock::SendFileAsync(QString fileName) {
    ReportStatus(8, QStringLiteral("SendFile"));
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw fileError("Cannot open file", fileName, errno);
    {
        const auto closeFile = qScopeGuard([fd] { ::close(fd); });
        // Not in the classic session, but without it a peer that stops
        // reading would hold the send forever.
        TimerOn();
        const auto off = qScopeGuard([this] { TimerOff(); });
        struct stat st {};
        if (::fstat(fd, &st) != 0)
            throw fileError("Cannot read file", fileName, errno);
        char* const buffer = IOBuffer();
        qint64 position = 0;
        while (position < st.st_size && !Cancelled) {
            const ssize_t n = ::read(fd, buffer, size_t(BufferSize));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                throw fileError("Cannot read file", fileName, errno);
            if (n == 0)
                break;
            position += n;
            co_await SendLoopAsync(buffer, n, true);
        }
    }
    if (Cancelled) {
        Cancelled = false;
        throw abortError(QStringLiteral("Socket send aborted"), TimedOut);
    }
}

qint64 TPowersock::CaptureMore(int fd, const QString& fileName, qint64 count) {
    return Wait(CaptureMoreAsync(fd, fileName, count));
}

Task<qint64> TPowersock::CaptureMoreAsync(int fd, QString fileName, qint64 count) {
    return receiver_->CaptureMoreAsync(fd, std::move(fileName), count);
}

qint64 TPowersock::CaptureMore(QByteArray& text, qint64 count) {
    return Wait(CaptureMoreAsync(text, count));
}

Task<qint64> TPowersock::CaptureMoreAsync(QByteArray& text, qint64 count) {
    return receiver_->CaptureMoreAsync(text, count);
}

qint64 TPowersock::Skip(qint64 count) {
    return Wait(SkipAsync(count));
}

Task<qint64> TPowersock::SkipAsync(qint64 count) {
    return receiver_->SkipAsync(count);
}

void TPowersock::CaptureFile(const QString& fileName, qint64 stopAfter) {
    Wait(CaptureFileAsync(fileName, stopAfter));
}

Task<> TPowersock::CaptureFileAsync(QString fileName, qint64 stopAfter) {
    return receiver_->CaptureFileAsync(std::move(fileName), stopAfter);
}

void TPowersock::CaptureString(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    Wait(CaptureStringAsync(text, maximum, stopAfter));
}

Task<> TPowersock::CaptureStringAsync(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    return receiver_->CaptureStringAsync(text, maximum, stopAfter);
}

QByteArray TPowersock::Transaction(const QByteArray& command) {
    return Wait(TransactionAsync(command));
}

Task<QByteArray> TPowersock::TransactionAsync(QByteArray command) {
    ReportStatus(8, QStringLiteral("Transaction"));
    ReplyCode = 0;
    co_await WritelnAsync(command);
    ReplyText = co_await ReadLnAsync();
    if (!ReplyText.isEmpty()) {
        ReportStatus(1, QString::fromLatin1(ReplyText));
        qsizetype digits = 0;
        while (digits < 10 && digits < ReplyText.size() && ReplyText[digits] >= '0' &&
               ReplyText[digits] <= '9')
            ++digits;
        if (digits > 0) {
            bool ok = false;
            const int value = ReplyText.left(digits).toInt(&ok);
            if (ok && value > 32767)
                throw std::out_of_range("Reply code " + std::to_string(value) + " out of range");
            ReplyCode = ok ? qint16(value) : 0;
        }
    }
    co_return ReplyText;
}

QByteArray TPowersock::NthField(const QByteArray& text, char delimiter, int n) {
    if (n <= 0)
        return {};
    int field = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != delimiter)
            continue;
        if (field == n)
            return text.mid(start, i - start);
        ++field;
        start = i + 1;
    }
    return field == n ? text.mid(start) : QByteArray();
}

int TPowersock::NthCharPos(const QByteArray& text, char character, int n) {
    const int past = int(text.size()) + 1;
    int seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == character && ++seen == n)
            return i + 1 == text.size() ? past : int(i + 1);
    }
    return past;
}
