#include "http/body_capture.h"

#include "http/part_file.h"
#include "http/reply_framing.h"
#include "net/powersock.h"

#include <QCoreApplication>

namespace {

QByteArray withoutLineEnd(QByteArray line) {
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return line;
}

} // namespace

BodyCapture::BodyCapture(TPowersock& session, PartFile* part, QByteArray* text,
                         qint64 maxTrailerBytes)
    : session_(session)
    , part_(part)
    , text_(text)
    , maxTrailerBytes_(maxTrailerBytes) {}

Task<qint64> BodyCapture::TakeAsync(qint64 count) {
    if (part_)
        co_return co_await session_.CaptureMoreAsync(part_->fd(), part_->fileName(), count);
    if (!text_)
        co_return co_await session_.SkipAsync(count);
    co_return co_await session_.CaptureMoreAsync(*text_, count);
}

Task<QString> BodyCapture::ReadAsync(const ReplyHead& head) {
    if (head.framing == ReplyHead::Framing::Chunked)
        co_return co_await ReadChunkedAsync();
    const bool lengthAnnounced = head.framing == ReplyHead::Framing::Length;
    const qint64 expected = lengthAnnounced ? head.contentLength : -1;
    co_await TakeAsync(expected);
    if (lengthAnnounced && session_.ReceivedBytes < expected)
        co_return QCoreApplication::translate("BodyCapture",
                                              "Connection closed after %1 of %2 bytes")
            .arg(session_.ReceivedBytes)
            .arg(expected);
    // RFC 9112 6.3: the close frames this body, so a close that anyone on
    // the path could have caused (TLS without close_notify, RFC 8446 6.1)
    // says nothing about whether it is all there.
    if (!lengthAnnounced && !session_.PeerEndConfirmed())
        co_return QCoreApplication::translate("BodyCapture",
                                              "Connection closed before the end of the reply");
    co_return QString();
}

Task<QString> BodyCapture::ReadChunkedAsync() {
    // RFC 9112 7.1: size line, data, CR LF, ... a size of 0, trailer lines,
    // and a blank line. The trailer is read and dropped.
    const QString cut = QCoreApplication::translate(
        "BodyCapture", "Connection closed inside a chunk after %1 bytes");
    for (;;) {
        const QByteArray sizeLine = co_await session_.ReadLnAsync();
        if (sizeLine.isEmpty())
            co_return cut.arg(session_.ReceivedBytes);
        const std::optional<qint64> size = ReplyFraming::ChunkSize(sizeLine);
        if (!size)
            co_return QCoreApplication::translate("BodyCapture",
                                                  "Malformed chunk size line: \"%1\"")
                .arg(ReplyFraming::Excerpt(withoutLineEnd(sizeLine)));
        if (*size == 0)
            break;
        if (co_await TakeAsync(*size) < *size)
            co_return cut.arg(session_.ReceivedBytes);
        const QByteArray end = co_await session_.ReadLnAsync();
        if (end.isEmpty())
            co_return cut.arg(session_.ReceivedBytes);
        if (end != "\r\n" && end != "\n")
            co_return QCoreApplication::translate("BodyCapture",
                                                  "Chunk longer than its size line says");
    }
    qint64 trailerBytes = 0;
    for (;;) {
        const QByteArray line = co_await session_.ReadLnAsync();
        // The body is whole once the last chunk came; a server that closes
        // without the final blank line has still said everything.
        if (line.isEmpty() || line == "\r\n" || line == "\n")
            co_return QString();
        trailerBytes += line.size();
        if (trailerBytes > maxTrailerBytes_)
            throw ESockError(
                QCoreApplication::translate("BodyCapture", "Reply trailer longer than %1 bytes")
                    .arg(maxTrailerBytes_),
                SockErrorCode::TooLong);
    }
}
