#include "net/posix_transport.h"

#include "platform/socket_notifications.h"

#include <stdexcept>

PosixTransport::PosixTransport() = default;
PosixTransport::~PosixTransport() = default;

bool PosixTransport::open(bool) {
    throw std::runtime_error("not implemented yet");
}
bool PosixTransport::connectTo(quint32, quint16) {
    throw std::runtime_error("not implemented yet");
}
qint64 PosixTransport::send(const char*, qint64) {
    throw std::runtime_error("not implemented yet");
}
qint64 PosixTransport::receive(char*, qint64) {
    throw std::runtime_error("not implemented yet");
}
qint64 PosixTransport::peek(char*, qint64) {
    throw std::runtime_error("not implemented yet");
}
qint64 PosixTransport::receiveToFile(int, qint64, char*, qint64) {
    throw std::runtime_error("not implemented yet");
}
bool PosixTransport::close() {
    return true;
}
void PosixTransport::setEventHandler(EventHandler handler) {
    handler_ = std::move(handler);
}
void PosixTransport::armRead() {}
void PosixTransport::armWrite() {}
qint64 PosixTransport::fail() {
    return -1;
}
