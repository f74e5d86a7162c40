#pragma once

/// The classic socket error numbering that the socket layer's error texts
/// are written for. POSIX `errno` values are mapped here, and each number's
/// text kept, in one table.
namespace SocketErrorNumbers {

constexpr int WouldBlock = 10035;
constexpr int NotConnected = 10057;
constexpr int HostNotFound = 11001;
constexpr int TryAgain = 11002;
constexpr int NoData = 11004;

/// Classic number of a POSIX errno value; 0 for 0. A value without a classic
/// counterpart becomes 20000 + errno, so it still reads as a socket error
/// without being mistaken for one of the classic numbers.
int fromErrno(int errnoValue);

/// fromErrno(errno).
int last();

/// The text of a classic number ("Connection refused" for 10061); nullptr for
/// 0 and for a number the table does not know. The text is the source text:
/// shown through QCoreApplication::translate("SocketErrors", text).
const char* text(int classic);

} // namespace SocketErrorNumbers
