#pragma once

#include "http/reply_head.h"
#include "net/task.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <memory>

class QFile;

class TPowersock;

/// Reads a reply head off a session, past any interim (1xx) reply, and keeps
/// the final head's bytes as received: in a text, or in a file (created or
/// emptied first). A head longer than its bound throws ESockError, so a
/// server that never ends its header cannot fill the memory or the disk.
class ReplyHeadReader {
public:
    /// Keeps the bytes in the file `fileName`, or in `text` when the name is
    /// empty. Opening the file throws std::runtime_error naming it.
    ReplyHeadReader(TPowersock& session, const QString& fileName, QByteArray& text,
                    qint64 maxBytes);
    ~ReplyHeadReader();
    ReplyHeadReader(const ReplyHeadReader&) = delete;
    ReplyHeadReader& operator=(const ReplyHeadReader&) = delete;

    /// Reads into `head` each head as it comes (ParseReplyHead()), ending with
    /// the final one or one that is no HTTP. False when the connection closed
    /// before any status line: `head.error` then says so.
    Task<bool> ReadAsync(ReplyHead& head);

private:
    /// Keeps `bytes`, counting them against the bound.
    void Store(const QByteArray& bytes);
    /// Forgets an interim head: only the final one is kept.
    void Restart();

    TPowersock& session_;
    QString fileName_;
    QByteArray& text_;
    qint64 maxBytes_;
    qint64 bytes_ = 0;
    std::unique_ptr<QFile> file_;
};
