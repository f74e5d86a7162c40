#pragma once

#include <QByteArray>

/// The old Windows program wrote its files in the ANSI code page of a
/// Japanese system, CP932 (Shift-JIS with Microsoft's extensions). These turn
/// such bytes into the UTF-8 that everything here reads and writes.
namespace LegacyEncoding {

/// Whether `bytes` are well-formed UTF-8 (plain ASCII is).
bool IsUtf8(const QByteArray& bytes);

/// `bytes` read as CP932, in UTF-8. A byte sequence that is not CP932
/// either becomes U+FFFD, so the rest of the text still reads.
QByteArray Cp932ToUtf8(const QByteArray& bytes);

} // namespace LegacyEncoding
