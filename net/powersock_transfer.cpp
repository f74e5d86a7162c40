// The transfer operations of TPowersock: sends, line reads and captures.
#include "net/powersock.h"

#include <stdexcept>

namespace {
[[noreturn]] void notYet() {
    throw std::runtime_error("not implemented yet");
}
} // namespace

void TPowersock::SendBuffer(const char*, qint64) {
    notYet();
}
void TPowersock::Write(const QByteArray&) {
    notYet();
}
void TPowersock::Writeln(const QByteArray&) {
    notYet();
}
QByteArray TPowersock::ReadLn() {
    notYet();
}
void TPowersock::SendFile(const QString&) {
    notYet();
}
void TPowersock::CaptureFile(const QString&, qint64) {
    notYet();
}
void TPowersock::CaptureString(QByteArray&, qint64, qint64) {
    notYet();
}
QByteArray TPowersock::NthField(const QByteArray&, char, int) {
    notYet();
}
int TPowersock::NthCharPos(const QByteArray&, char, int) {
    notYet();
}
