#pragma once

#include <QByteArray>
#include <cstddef>
#include <cstdint>

namespace fuzzsupport {

/// The one application object the sockets, timers and event loop need;
/// created on first use.
void ensureApplication();

/// The fuzz input as bytes (a deep copy: the input buffer is the fuzzer's).
inline QByteArray bytesOf(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

/// Ends the run as a crash that libFuzzer records with its input: for a
/// property that must hold whatever the input.
[[noreturn]] void fail(const char* what);

} // namespace fuzzsupport
