#pragma once

#include <QString>
#include <functional>

namespace testenv {

/// Runs the event loop until `done()` holds or `timeoutMs` has passed; returns
/// whether it held. Waits block in the loop, they never sleep a fixed time.
bool waitUntil(const std::function<bool()>& done, int timeoutMs = 10000);

/// Reads a whole file; empty when it does not exist.
QByteArray readFile(const QString& path);

/// Writes a whole file, creating or truncating it; false on failure.
bool writeFile(const QString& path, const QByteArray& bytes);

/// `size` random bytes, the same for the same seed.
QByteArray randomBytes(qint64 size, quint32 seed);

} // namespace testenv
