#pragma once

#include "http/reply_head.h"
#include "net/task.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

class PartFile;
class TPowersock;

/// Reads one reply body off a session as its head frames it (RFC 9112 6):
/// Content-Length bytes, chunks, or everything up to the close. The bytes go
/// to a part file, into a text, or nowhere (a body nobody wants is still read
/// off the connection, so that whatever follows it can be). Counts in the
/// session's ReceivedBytes as the session's captures do.
class BodyCapture {
public:
    /// Writes into `part` when given, else appends to `text` when given, else
    /// drops the bytes. A chunked body's trailer longer than `maxTrailerBytes`
    /// throws ESockError.
    BodyCapture(TPowersock& session, PartFile* part, QByteArray* text, qint64 maxTrailerBytes);

    /// Reads the body that `head` frames; returns why it is not whole (cut
    /// short, badly chunked, or ended by a close the peer did not confirm),
    /// or the empty text.
    Task<QString> ReadAsync(const ReplyHead& head);

private:
    Task<QString> ReadChunkedAsync();
    /// Takes up to `count` bytes (count < 0: up to the close) into the sink.
    Task<qint64> TakeAsync(qint64 count);

    TPowersock& session_;
    PartFile* part_;
    QByteArray* text_;
    qint64 maxTrailerBytes_;
};
