#pragma once

#include "net/task.h"

#include <QString>
#include <QtGlobal>

class TPowersock;

/// The sending side of a TPowersock session: buffers and files sent whole,
/// waiting for the socket to take more, under the session's time-out and
/// cancel. The session owns one and hands its sends to it; the contracts are
/// the session's (see TPowersock::SendBufferAsync and SendFileAsync).
class PowersockSender {
public:
    explicit PowersockSender(TPowersock& session);

    Task<> SendBufferAsync(const char* data, qint64 length);
    Task<> SendFileAsync(QString fileName);
    /// Waits until the socket takes more bytes, the time-out fires or a
    /// cancel comes: for the sends and for a TLS handshake that wants to write.
    Task<> WaitWritableAsync();
    /// The socket said it takes more bytes.
    void MarkWritable() { writable_ = true; }

private:
    /// Sends `length` bytes as the socket takes them, restarting the idle
    /// time-out on progress; with `countSent`, counts SentBytes and fires
    /// OnPacketSent per send.
    Task<> SendLoopAsync(const char* data, qint64 length, bool countSent);

    TPowersock& session_;
    bool writable_ = false;
};
