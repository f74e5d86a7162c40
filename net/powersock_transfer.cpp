// The transfer operations of TPowersock, handed to its PowersockSender and
// PowersockReceiver.
#include "net/powersock.h"
#include "net/powersock_receiver.h"
#include "net/powersock_sender.h"
#include "net/reply_code.h"

#include <utility>

void TPowersock::SendBuffer(const char* data, qint64 length) {
    Wait(SendBufferAsync(data, length));
}

Task<> TPowersock::SendBufferAsync(const char* data, qint64 length) {
    return sender_->SendBufferAsync(data, length);
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
    return sender_->SendFileAsync(std::move(fileName));
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
        ReplyCode = ReplyCodeOf(ReplyText);
    }
    co_return ReplyText;
}
