#include "http/reply_head_reader.h"

#include "http/reply_framing.h"
#include "net/powersock.h"

#include <QCoreApplication>
#include <QFile>
#include <stdexcept>

namespace {

// `text` names the file and Qt's reason as %1 and %2.
[[noreturn]] void throwFileError(const char* text, const QFile& file) {
    throw std::runtime_error(QCoreApplication::translate("ReplyHeadReader", text)
                                 .arg(file.fileName(), file.errorString())
                                 .toStdString());
}

} // namespace

ReplyHeadReader::ReplyHeadReader(TPowersock& session, const QString& fileName, QByteArray& text,
                                 qint64 maxBytes)
    : session_(session)
    , text_(text)
    , maxBytes_(maxBytes) {
    if (fileName.isEmpty()) {
        text_.clear();
        return;
    }
    file_ = std::make_unique<QFile>(fileName);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate))
        throwFileError(QT_TRANSLATE_NOOP("ReplyHeadReader", "Cannot create file \"%1\". %2"),
                       *file_);
}

ReplyHeadReader::~ReplyHeadReader() = default;

void ReplyHeadReader::Store(const QByteArray& bytes) {
    bytes_ += bytes.size();
    if (bytes_ > maxBytes_)
        throw ESockError(
            QCoreApplication::translate("ReplyHeadReader", "Reply header longer than %1 bytes")
                .arg(maxBytes_),
            SockErrorCode::TooLong);
    if (!file_)
        text_ += bytes;
    else if (file_->write(bytes) != bytes.size())
        throwFileError(QT_TRANSLATE_NOOP("ReplyHeadReader", "Cannot write file \"%1\". %2"),
                       *file_);
}

void ReplyHeadReader::Restart() {
    if (!file_)
        text_.clear();
    else if (!file_->resize(0) || !file_->seek(0))
        throwFileError(QT_TRANSLATE_NOOP("ReplyHeadReader", "Cannot write file \"%1\". %2"),
                       *file_);
}

Task<bool> ReplyHeadReader::ReadAsync(ReplyHead& head) {
    const auto isStatusLine = [](const QByteArray& line) {
        return ReplyFraming::StatusCode(line).has_value();
    };
    for (;;) {
        // The status line and the lines after it in one read, split here:
        // a line at a time would cost a peek and a read per line. A first
        // line that is no status line is all that is read.
        const QByteArray bytes = co_await session_.ReadLinesAsync(maxBytes_ - bytes_, isStatusLine);
        if (bytes.isEmpty()) {
            head = {};
            head.error = QCoreApplication::translate("ReplyHeadReader",
                                                     "No reply: the server closed the connection");
            co_return false;
        }
        Store(bytes); // throws when it has no end within the bound
        head = ParseReplyHead(bytes, QDateTime::currentDateTimeUtc());
        // RFC 9110 15.2: an interim reply is followed by the real one.
        if (!head.error.isEmpty() || head.statusCode >= 200)
            co_return true;
        Restart();
    }
}
