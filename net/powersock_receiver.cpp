#include "net/powersock_receiver.h"

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
#include <ctime>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace {

// The shortest wait for a pace: a few milliseconds' worth of bytes per read.
constexpr qint64 kMinPaceWaitMs = 10;

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

} // namespace

PowersockReceiver::PowersockReceiver(TPowersock& session)
    : session_(session) {}

qint64 PowersockReceiver::PeekSome(char* into, qint64 room) {
    const qint64 n = session_.transport_->peek(into, room);
    if (n >= 0)
        return n;
    session_.LastErrorCode = session_.transport_->lastError();
    if (session_.LastErrorCode == SocketErrorNumbers::NotConnected) {
        session_.errors_->CheckCloseError();
        return 0;
    }
    session_.errors_->Check(SocketErrorNumbers::WouldBlock);
    return -1;
}

qint64 PowersockReceiver::TakePeeked(char* into, qint64 count) {
    qint64 got = 0;
    while (got < count) {
        const qint64 r = session_.transport_->receive(into + got, count - got);
        if (r == 0)
            break;
        if (r < 0) {
            session_.errors_->Check(SocketErrorNumbers::WouldBlock);
            continue;
        }
        got += r;
    }
    return got;
}

Task<QByteArray> PowersockReceiver::ReadLnAsync() {
    session_.ReportStatus(8, QStringLiteral("ReadLn"));
    session_.TimerOn();
    const auto off = qScopeGuard([this] { session_.TimerOff(); });
    char* const buffer = session_.IOBuffer();
    qint64 consumed = 0; // bytes of the line already taken, kept at the buffer's start
    for (;;) {
        if (consumed >= TPowersock::BufferSize)
            throw ESockError(
                QCoreApplication::translate("PowersockReceiver", "Line longer than %1 bytes")
                    .arg(TPowersock::BufferSize),
                SockErrorCode::TooLong);
        const qint64 n = PeekSome(buffer + consumed, TPowersock::BufferSize - consumed);
        if (n == 0)
            co_return QByteArray();
        if (n > 0) {
            const void* lf = std::memchr(buffer + consumed, '\n', size_t(n));
            // Take what was peeked: up to the line end, or all of it when the
            // line goes on, so the next peek sees only new bytes.
            const qint64 take = lf ? static_cast<const char*>(lf) - (buffer + consumed) + 1 : n;
            if (lf && session_.Cancelled)
                break;
            if (TakePeeked(buffer + consumed, take) < take)
                co_return QByteArray();
            CheckLowSpeed(take);
            consumed += take;
            if (lf)
                co_return QByteArray(buffer, consumed);
        }
        if (!session_.Cancelled)
            co_await session_.waits_->NextEvent();
        if (session_.Cancelled)
            break;
    }
    session_.Cancelled = false;
    throw AbortError(QCoreApplication::translate("PowersockReceiver", "Socket readln aborted"),
                     session_.TimedOut);
}

Task<QByteArray>
PowersockReceiver::ReadLinesAsync(qint64 limit, std::function<bool(const QByteArray&)> firstLine) {
    session_.ReportStatus(8, QStringLiteral("ReadLines"));
    session_.TimerOn();
    const auto off = qScopeGuard([this] { session_.TimerOff(); });
    char* const buffer = session_.IOBuffer();
    QByteArray block;
    // Where the scan stands: at the start of a line, after a CR that opened
    // one, or inside one. The block ends with an empty line.
    enum class At { LineStart, CrAtLineStart, InLine } at = At::LineStart;
    qsizetype lineStart = 0; // where the last, maybe unfinished, line begins
    bool firstPending = bool(firstLine);
    for (;;) {
        // The first line is held to the buffer however it arrives, as
        // ReadLn's lines are.
        const qint64 room = qMin<qint64>(firstPending ? TPowersock::BufferSize - block.size()
                                                      : TPowersock::BufferSize,
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
            if (ended && session_.Cancelled)
                break;
            if (const qint64 got = TakePeeked(buffer, take); got < take) {
                block.append(buffer, got);
                block.truncate(qMin(lineStart, block.size()));
                co_return block;
            }
            CheckLowSpeed(take);
            block.append(buffer, take);
            if (firstPending && block.size() >= TPowersock::BufferSize)
                throw ESockError(
                    QCoreApplication::translate("PowersockReceiver", "Line longer than %1 bytes")
                        .arg(TPowersock::BufferSize),
                    SockErrorCode::TooLong);
            if (ended || block.size() > limit)
                co_return block;
        }
        if (!session_.Cancelled)
            co_await session_.waits_->NextEvent();
        if (session_.Cancelled)
            break;
    }
    session_.Cancelled = false;
    throw AbortError(QCoreApplication::translate("PowersockReceiver", "Socket readln aborted"),
                     session_.TimedOut);
}

Task<> PowersockReceiver::CaptureAsync(qint64 stopAfter, std::function<bool()> more,
                                       std::function<qint64(qint64 limit)> receive,
                                       const char* abortText) {
    session_.TimerOn();
    {
        const auto off = qScopeGuard([this] { session_.TimerOff(); });
        PumpPacer pacer;
        while (!session_.Cancelled && more()) {
            qint64 limit = TPowersock::BufferSize;
            if (stopAfter >= 0) {
                if (session_.ReceivedBytes >= stopAfter)
                    break;
                limit = qMin(limit, stopAfter - session_.ReceivedBytes);
            }
            if (session_.Pace) {
                const qint64 allowed = session_.Pace->Allowance(limit);
                if (allowed <= 0) {
                    // At least a few milliseconds' worth, so that a capped
                    // transfer reads blocks, not a byte per wake-up.
                    co_await session_.waits_->Pause(
                        int(qBound<qint64>(kMinPaceWaitMs, session_.Pace->WaitMs(), 1000)));
                    // The wait was ours, not the peer's silence or slowness.
                    session_.TimerOn();
                    speedWindowStartMs_ = -1;
                    continue;
                }
                limit = allowed;
            }
            const qint64 n = receive(limit);
            if (n > 0 && session_.Pace)
                session_.Pace->Took(n);
            if (n > 0) {
                session_.ReceivedBytes += n;
                if (session_.OnPacketRecvd)
                    session_.OnPacketRecvd(&session_);
                CheckLowSpeed(n);
                session_.TimerOn();
                if (pacer.due())
                    co_await session_.waits_->Yield();
                continue;
            }
            if (n == 0)
                break;
            session_.LastErrorCode = session_.transport_->lastError();
            if (session_.LastErrorCode == SocketErrorNumbers::NotConnected) {
                session_.errors_->CheckCloseError();
                break;
            }
            session_.errors_->Check(SocketErrorNumbers::WouldBlock);
            co_await session_.waits_->NextEvent();
        }
    }
    if (session_.Cancelled) {
        session_.Cancelled = false;
        throw AbortError(QCoreApplication::translate("PowersockReceiver", abortText),
                         session_.TimedOut);
    }
}

void PowersockReceiver::CheckLowSpeed(qint64 n) {
    if (session_.LowSpeedLimit <= 0 || session_.timeOut_ <= 0)
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
    if (elapsed < session_.timeOut_)
        return;
    if (speedWindowBytes_ * 1000 < qint64(session_.LowSpeedLimit) * elapsed)
        throw ESockError(
            QCoreApplication::translate("PowersockReceiver",
                                        "Transfer too slow: %1 bytes in %2 s, under %3 bytes/s")
                .arg(speedWindowBytes_)
                .arg(double(elapsed) / 1000.0, 0, 'f', 1)
                .arg(session_.LowSpeedLimit),
            SockErrorCode::TooSlow);
    speedWindowStartMs_ = now;
    speedWindowBytes_ = 0;
}

Task<qint64> PowersockReceiver::CaptureMoreAsync(int fd, QString fileName, qint64 count) {
    const qint64 before = session_.ReceivedBytes;
    char* const buffer = session_.IOBuffer();
    co_await CaptureAsync(
        count < 0 ? -1 : before + count, [] { return true; },
        [&](qint64 limit) {
            const qint64 n =
                session_.transport_->receiveToFile(fd, limit, buffer, TPowersock::BufferSize);
            if (n == -2)
                throw FileError(QT_TRANSLATE_NOOP("PowersockErrors", "Cannot write file %1: %2"),
                                fileName, errno);
            return n;
        },
        QT_TRANSLATE_NOOP("PowersockReceiver", "Socket send aborted"));
    co_return session_.ReceivedBytes - before;
}

Task<qint64> PowersockReceiver::CaptureMoreAsync(QByteArray& text, qint64 count) {
    co_return co_await CaptureTextAsync(text, -1, count < 0 ? -1 : session_.ReceivedBytes + count);
}

Task<qint64> PowersockReceiver::SkipAsync(qint64 count) {
    const qint64 before = session_.ReceivedBytes;
    char* const buffer = session_.IOBuffer();
    co_await CaptureAsync(
        count < 0 ? -1 : before + count, [] { return true; },
        [&](qint64 limit) { return session_.transport_->receive(buffer, limit); },
        QT_TRANSLATE_NOOP("PowersockReceiver", "Socket capture aborted"));
    co_return session_.ReceivedBytes - before;
}

Task<qint64> PowersockReceiver::CaptureTextAsync(QByteArray& text, qint64 maximum,
                                                 qint64 stopAfter) {
    const qint64 before = session_.ReceivedBytes;
    char* const buffer = session_.IOBuffer();
    co_await CaptureAsync(
        stopAfter, [&] { return maximum < 0 || text.size() < maximum; },
        [&](qint64 limit) {
            const qint64 n = session_.transport_->receive(buffer, limit);
            if (n > 0)
                text.append(buffer, n);
            return n;
        },
        QT_TRANSLATE_NOOP("PowersockReceiver", "Socket capture aborted"));
    co_return session_.ReceivedBytes - before;
}

Task<> PowersockReceiver::CaptureFileAsync(QString fileName, qint64 stopAfter) {
    session_.ReportStatus(8, QStringLiteral("CaptureFile"));
    session_.ReceivedBytes = 0;
    const int fd = ::open(QFile::encodeName(fileName).constData(),
                          O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw FileError(QT_TRANSLATE_NOOP("PowersockErrors", "Cannot create file %1: %2"), fileName,
                        errno);
    const auto closeFile = qScopeGuard([fd] { ::close(fd); });
    co_await CaptureMoreAsync(fd, fileName, stopAfter);
}

Task<> PowersockReceiver::CaptureStringAsync(QByteArray& text, qint64 maximum, qint64 stopAfter) {
    session_.ReportStatus(8, QStringLiteral("Capture String"));
    text.clear();
    session_.ReceivedBytes = 0;
    co_await CaptureTextAsync(text, maximum, stopAfter);
}
