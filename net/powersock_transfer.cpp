// The transfer operations of TPowersock: sends, line reads and captures.
#include "net/powersock.h"
#include "net/socket_transport.h"
#include "platform/socket_error_numbers.h"

#include <QFile>
#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

qint64 monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
    return qint64(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

/// Says when a loop that never has to wait should still yield to the event
/// loop, so that a long fast transfer keeps the user interface (and its Stop
/// button) live without paying for a round per block.
class PumpPacer {
public:
    bool due() {
        const qint64 ms = monotonicMs();
        if (ms - last_ < 10)
            return false;
        last_ = ms;
        return true;
    }

private:
    qint64 last_ = 0;
};

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

qint64 TPowersock::PeekSome(char* into, qint64 room) {
    const qint64 n = transport_->peek(into, room);
    if (n >= 0)
        return n;
    LastErrorCode = transport_->lastError();
    if (LastErrorCode == SocketErrorNumbers::NotConnected) {
        CheckCloseError();
        return 0;
    }
    CheckSocketError(SocketErrorNumbers::WouldBlock);
    return -1;
}

qint64 TPowersock::TakePeeked(char* into, qint64 count) {
    qint64 got = 0;
    while (got < count) {
        const qint64 r = transport_->receive(into + got, count - got);
        if (r == 0)
            break;
        if (r < 0) {
            CheckSocketError(SocketErrorNumbers::WouldBlock);
            continue;
        }
        got += r;
    }
    return got;
}

Task<QByteArray> TPowersock::ReadLnAsync() {
    ReportStatus(8, QStringLiteral("ReadLn"));
    TimerOn();
    const auto off = qScopeGuard([this] { TimerOff(); });
    char* const buffer = IOBuffer();
    qint64 consumed = 0; // bytes of the line already taken, kept at the buffer's start
    for (;;) {
        if (consumed >= BufferSize)
            throw ESockError(QStringLiteral("Line longer than %1 bytes").arg(BufferSize),
                             SockErrorCode::TooLong);
        const qint64 n = PeekSome(buffer + consumed, BufferSize - consumed);
        if (n == 0)
            co_return QByteArray();
        if (n > 0) {
            const void* lf = std::memchr(buffer + consumed, '\n', size_t(n));
            // Take what was peeked: up to the line end, or all of it when the
            // line goes on, so the next peek sees only new bytes.
            const qint64 take = lf ? static_cast<const char*>(lf) - (buffer + consumed) + 1 : n;
            if (lf && Cancelled)
                break;
            if (TakePeeked(buffer + consumed, take) < take)
                co_return QByteArray();
            CheckLowSpeed(take);
            consumed += take;
            if (lf)
                co_return QByteArray(buffer, consumed);
        }
        if (!Cancelled)
            co_await NextEvent();
        if (Cancelled)
            break;
    }
    Cancelled = false;
    throw abortError(QStringLiteral("Socket readln aborted"), TimedOut);
}

Task<QByteArray> TPowersock::ReadLinesAsync(qint64 limit,
                                            std::function<bool(const QByteArray&)> firstLine) {
    ReportStatus(8, QStringLiteral("ReadLines"));
    TimerOn();
    const auto off = qScopeGuard([this] { TimerOff(); });
    char* const buffer = IOBuffer();
    QByteArray block;
    // Where the scan stands: at the start of a line, after a CR that opened
    // one, or inside one. The block ends with an empty line.
    enum class At { LineStart, CrAtLineStart, InLine } at = At::LineStart;
    qsizetype lineStart = 0; // where the last, maybe unfinished, line begins
    bool firstPending = bool(firstLine);
    for (;;) {
        // The first line is held to the buffer however it arrives, as
        // ReadLn's lines are.
        const qint64 room = qMin<qint64>(firstPending ? BufferSize - block.size() : BufferSize,
                                         limit + 1 - block.size());
        const qint64 n = PeekSome(buffer, room);
        if (n == 0) {
            block.truncate(lineStart);
            co_return block;
        }
        if (n > 0) {
            qint64 take = n;
            bool ended = false;
            for (qint64 i = 0; i < n && !ended; ++i) {
                const char c = buffer[i];
                if (c == '\n' && std::exchange(firstPending, false)) {
                    // Seen whole in this very peek: refused, it is all that
                    // is taken; else the lines after it follow.
                    ended = !firstLine(block + QByteArray::fromRawData(buffer, qsizetype(i) + 1));
                    at = At::LineStart;
                    lineStart = block.size() + i + 1;
                    if (ended)
                        take = i + 1;
                } else if (c == '\n') {
                    ended = at != At::InLine;
                    at = At::LineStart;
                    lineStart = block.size() + i + 1;
                    if (ended)
                        take = i + 1;
                } else {
                    at = at == At::LineStart && c == '\r' ? At::CrAtLineStart : At::InLine;
                }
            }
            if (ended && Cancelled)
                break;
            if (const qint64 got = TakePeeked(buffer, take); got < take) {
                block.append(buffer, got);
                block.truncate(qMin(lineStart, block.size()));
                co_return block;
            }
            CheckLowSpeed(take);
            block.append(buffer, take);
            if (firstPending && block.size() >= BufferSize)
                throw ESockError(QStringLiteral("Line longer than %1 bytes").arg(BufferSize),
                                 SockErrorCode::TooLong);
            if (ended || block.size() > limit)
                co_return block;
        }
        if (!Cancelled)
            co_await NextEvent();
        if (Cancelled)
            break;
    }
    Cancelled = false;
    throw abortError(QStringLiteral("Socket readln aborted"), TimedOut);
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

Task<> TPowersock::CaptureAsync(qint64 stopAfter, std::function<bool()> more,
                                std::function<qint64(qint64 limit)> receive,
                                const char* abortText) {
    TimerOn();
    {
        const auto off = qScopeGuard([this] { TimerOff(); });
        PumpPacer pacer;
        while (!Cancelled && more()) {
            qint64 limit = BufferSize;
            if (stopAfter >= 0) {
                if (ReceivedBytes >= stopAfter)
                    break;
                limit = qMin(limit, stopAfter - ReceivedBytes);
            }
            const qint64 n = receive(limit);
            if (n > 0) {
                ReceivedBytes += n;
                if (OnPacketRecvd)
                    OnPacketRecvd(this);
                CheckLowSpeed(n);
                TimerOn();
                if (pacer.due())
                    co_await Yield();
                continue;
            }
            if (n == 0)
                break;
            LastErrorCode = transport_->lastError();
            if (LastErrorCode == SocketErrorNumbers::NotConnected) {
                CheckCloseError();
                break;
            }
            CheckSocketError(SocketErrorNumbers::WouldBlock);
            co_await NextEvent();
        }
    }
    if (Cancelled) {
        Cancelled = false;
        throw abortError(QString::fromLatin1(abortText), TimedOut);
    }
}

void TPowersock::CheckLowSpeed(qint64 n) {
    if (LowSpeedLimit <= 0 || timeOut_ <= 0)
        return;
    const qint64 now = monotonicMs();
    // The window opens with the first bytes: the silence before them is the
    // idle time-out's to judge.
    if (speedWindowStartMs_ < 0) {
        speedWindowStartMs_ = now;
        speedWindowBytes_ = n;
        return;
    }
    speedWindowBytes_ += n;
    const qint64 elapsed = now - speedWindowStartMs_;
    if (elapsed < timeOut_)
        return;
    if (speedWindowBytes_ * 1000 < qint64(LowSpeedLimit) * elapsed)
        throw ESockError(QStringLiteral("Transfer too slow: %1 bytes in %2 s, under %3 bytes/s")
                             .arg(speedWindowBytes_)
                             .arg(double(elapsed) / 1000.0, 0, 'f', 1)
                             .arg(LowSpeedLimit),
                         SockErrorCode::TooSlow);
    speedWindowStartMs_ = now;
    speedWindowBytes_ = 0;
}

qint64 TPowersock::CaptureMore(int fd, const QString& fileName, qint64 count) {
    return Wait(CaptureMoreAsync(fd, fileName, count));
}

Task<qint64> TPowersock::CaptureMoreAsync(int fd, QString fileName, qint64 count) {
    const qint64 before = ReceivedBytes;
    char* const buffer = IOBuffer();
    co_await CaptureAsync(
        count < 0 ? -1 : before + count, [] { return true; },
        [&](qint64 limit) {
            const qint64 n = transport_->receiveToFile(fd, limit, buffer, BufferSize);
            if (n == -2)
                throw fileError("Cannot write file", fileName, errno);
            return n;
        },
        "Socket send aborted");
    co_return ReceivedBytes - before;
}

qint64 TPowersock::CaptureMore(QByteArray& text, qint64 count) {
    return Wait(CaptureMoreAsync(text, count));
}

Task<qint64> TPowersock::CaptureMoreAsync(QByteArray& text, qint64 count) {
    co_return co_await CaptureTextAsync(text, -1, count < 0 ? -1 : ReceivedBytes + count);
}

qint64 TPowersock::Skip(qint64 count) {
    return Wait(SkipAsync(count));
}

Task<qint64> TPowersock::SkipAsync(qint64 count) {
    const qint64 before = ReceivedBytes;
    char* const buffer = IOBuffer();
    co_await CaptureAsync(
        count < 0 ? -1 : before + count, [] { return true; },
        [&](qint64 limit) { return transport_->receive(buffer, limit); }, "Socket capture aborted");
    co_return ReceivedBytes - before;
}

Task<qint64> TPowersock::CaptureTextAsync(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    const qint64 before = ReceivedBytes;
    char* const buffer = IOBuffer();
    co_await CaptureAsync(
        stopAfter, [&] { return maximum < 0 || text.size() < maximum; },
        [&](qint64 limit) {
            const qint64 n = transport_->receive(buffer, limit);
            if (n > 0)
                text.append(buffer, n);
            return n;
        },
        "Socket capture aborted");
    co_return ReceivedBytes - before;
}

void TPowersock::CaptureFile(const QString& fileName, qint64 stopAfter) {
    Wait(CaptureFileAsync(fileName, stopAfter));
}

Task<> TPowersock::CaptureFileAsync(QString fileName, qint64 stopAfter) {
    ReportStatus(8, QStringLiteral("CaptureFile"));
    ReceivedBytes = 0;
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw fileError("Cannot create file", fileName, errno);
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    co_await CaptureMoreAsync(fd, fileName, stopAfter);
}

void TPowersock::CaptureString(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    Wait(CaptureStringAsync(text, maximum, stopAfter));
}

Task<> TPowersock::CaptureStringAsync(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    ReportStatus(8, QStringLiteral("Capture String"));
    text.clear();
    ReceivedBytes = 0;
    co_await CaptureTextAsync(text, maximum, stopAfter);
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
