#pragma once

#include "net/task.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <functional>

class TPowersock;

/// The receiving side of a TPowersock session: line reads off the
/// connection and captures into a file, a text or nowhere, under the
/// session's time-out, cancel and low-speed floor. The session owns one and
/// hands its receiving operations to it; the contracts are the session's
/// (see TPowersock::ReadLnAsync and the captures).
class PowersockReceiver {
public:
    explicit PowersockReceiver(TPowersock& session);

    /// A new connection: the low-speed window opens again with its first bytes.
    void StartConnection() { speedWindowStartMs_ = -1; }

    Task<QByteArray> ReadLnAsync();
    Task<QByteArray> ReadLinesAsync(qint64 limit, std::function<bool(const QByteArray&)> firstLine);
    Task<qint64> CaptureMoreAsync(int fd, QString fileName, qint64 count);
    Task<qint64> CaptureMoreAsync(QByteArray& text, qint64 count);
    Task<qint64> SkipAsync(qint64 count);
    Task<> CaptureFileAsync(QString fileName, qint64 stopAfter);
    Task<> CaptureStringAsync(QByteArray& text, qint64 maximum, qint64 stopAfter);

private:
    /// Shared loop of the captures, under the time-out: `receive(limit)`
    /// takes at most `limit` bytes and returns what receive() of the
    /// transport returns; a cancel throws EAbortError `abortText`
    /// (a QT_TRANSLATE_NOOP in the context "PowersockReceiver"), translated.
    Task<> CaptureAsync(qint64 stopAfter, std::function<bool()> more,
                        std::function<qint64(qint64 limit)> receive, const char* abortText);
    /// Appends to `text` until `stopAfter` (on ReceivedBytes) or `maximum`;
    /// returns the bytes taken.
    Task<qint64> CaptureTextAsync(QByteArray& text, qint64 maximum, qint64 stopAfter);
    /// Counts `n` received bytes against LowSpeedLimit; throws ESockError
    /// once a whole TimeOut window brought too few.
    void CheckLowSpeed(qint64 n);
    /// The line readers' peek: up to `room` bytes into `into`; the count, 0
    /// when the peer closed (or the socket is gone), -1 when nothing has
    /// arrived yet. Other errors throw.
    qint64 PeekSome(char* into, qint64 room);
    /// Takes `count` bytes a peek has shown into `into`; fewer only when the
    /// peer closed first.
    qint64 TakePeeked(char* into, qint64 count);

    TPowersock& session_;
    qint64 speedWindowStartMs_ = 0; ///< start of the current LowSpeedLimit window
    qint64 speedWindowBytes_ = 0;   ///< bytes received in that window
};
