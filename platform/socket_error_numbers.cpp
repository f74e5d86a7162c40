#include "platform/socket_error_numbers.h"

#include <QtGlobal>
#include <cerrno>

namespace SocketErrorNumbers {

namespace {

// One row per classic number with its text, and the POSIX errno value that
// maps onto it (0 when no errno does: name lookup errors, the socket
// library's own). A number that more than one errno maps onto has further
// rows without a text.
struct Row {
    int classic;
    int errnoValue;
    const char* text;
};

constexpr Row kTable[] = {
    {10004, EINTR, QT_TRANSLATE_NOOP("SocketErrors", "Interrupted system call")},
    {10009, EBADF, QT_TRANSLATE_NOOP("SocketErrors", "Bad file number")},
    {10013, EACCES, QT_TRANSLATE_NOOP("SocketErrors", "Permission denied")},
    {10014, EFAULT, QT_TRANSLATE_NOOP("SocketErrors", "Bad address")},
    {10022, EINVAL, QT_TRANSLATE_NOOP("SocketErrors", "Invalid argument")},
    {10024, EMFILE, QT_TRANSLATE_NOOP("SocketErrors", "Too many open files")},
    {10024, ENFILE, nullptr},
    {10035, EAGAIN, QT_TRANSLATE_NOOP("SocketErrors", "Operation would block")},
    {10036, EINPROGRESS, QT_TRANSLATE_NOOP("SocketErrors", "Operation now in progress")},
    {10037, EALREADY, QT_TRANSLATE_NOOP("SocketErrors", "Operation already in progress")},
    {10038, ENOTSOCK, QT_TRANSLATE_NOOP("SocketErrors", "Socket operation on non-socket")},
    {10039, EDESTADDRREQ, QT_TRANSLATE_NOOP("SocketErrors", "Destination address required")},
    {10040, EMSGSIZE, QT_TRANSLATE_NOOP("SocketErrors", "Message too long")},
    {10041, EPROTOTYPE, QT_TRANSLATE_NOOP("SocketErrors", "Wrong protocol type for socket")},
    {10042, ENOPROTOOPT, QT_TRANSLATE_NOOP("SocketErrors", "Bad protocol option")},
    {10043, EPROTONOSUPPORT, QT_TRANSLATE_NOOP("SocketErrors", "Protocol not supported")},
    {10044, ESOCKTNOSUPPORT, QT_TRANSLATE_NOOP("SocketErrors", "Socket type not supported")},
    {10045, EOPNOTSUPP, QT_TRANSLATE_NOOP("SocketErrors", "Operation not supported on socket")},
    {10046, EPFNOSUPPORT, QT_TRANSLATE_NOOP("SocketErrors", "Protocol family not supported")},
    {10047, EAFNOSUPPORT,
     QT_TRANSLATE_NOOP("SocketErrors", "Address family not supported by protocol family")},
    {10048, EADDRINUSE, QT_TRANSLATE_NOOP("SocketErrors", "Address already in use")},
    {10049, EADDRNOTAVAIL, QT_TRANSLATE_NOOP("SocketErrors", "Can't assign requested address")},
    {10091, 0, QT_TRANSLATE_NOOP("SocketErrors", "Network subsystem is unavailable")},
    {10092, 0, QT_TRANSLATE_NOOP("SocketErrors", "Incompatible version of WINSOCK.DLL")},
    {10093, 0, QT_TRANSLATE_NOOP("SocketErrors", "Successful WSAStartup not yet performed")},
    {11003, 0,
     QT_TRANSLATE_NOOP("SocketErrors", "Non-Recoverable error: FORMERR, REFUSED, NOTIMP")},
    {10050, ENETDOWN, QT_TRANSLATE_NOOP("SocketErrors", "Network is down")},
    {10051, ENETUNREACH, QT_TRANSLATE_NOOP("SocketErrors", "Network is unreachable")},
    {10052, ENETRESET, QT_TRANSLATE_NOOP("SocketErrors", "Network dropped connection or reset")},
    {10053, ECONNABORTED, QT_TRANSLATE_NOOP("SocketErrors", "Software caused connection abort")},
    {10054, ECONNRESET, QT_TRANSLATE_NOOP("SocketErrors", "Connection reset by peer")},
    {10055, ENOBUFS, QT_TRANSLATE_NOOP("SocketErrors", "No buffer space available")},
    {10055, ENOMEM, nullptr},
    {10056, EISCONN, QT_TRANSLATE_NOOP("SocketErrors", "Socket is already connected")},
    {10057, ENOTCONN, QT_TRANSLATE_NOOP("SocketErrors", "Socket is not connected")},
    {10058, ESHUTDOWN, QT_TRANSLATE_NOOP("SocketErrors", "Can't send after socket shutdown")},
    {10058, EPIPE, nullptr},
    {10059, ETOOMANYREFS, QT_TRANSLATE_NOOP("SocketErrors", "Too many references, can't splice")},
    {10060, ETIMEDOUT, QT_TRANSLATE_NOOP("SocketErrors", "Connection timed out")},
    {10061, ECONNREFUSED, QT_TRANSLATE_NOOP("SocketErrors", "Connection refused")},
    {10062, ELOOP, QT_TRANSLATE_NOOP("SocketErrors", "Too many levels of symbolic links")},
    {10063, ENAMETOOLONG, QT_TRANSLATE_NOOP("SocketErrors", "File name too long")},
    {10064, EHOSTDOWN, QT_TRANSLATE_NOOP("SocketErrors", "Host is down")},
    {10065, EHOSTUNREACH, QT_TRANSLATE_NOOP("SocketErrors", "No route to Host")},
    {10066, ENOTEMPTY, QT_TRANSLATE_NOOP("SocketErrors", "Directory not empty")},
    {10067, 0, QT_TRANSLATE_NOOP("SocketErrors", "Too many processes")},
    {10068, EUSERS, QT_TRANSLATE_NOOP("SocketErrors", "Too many users")},
    {10069, EDQUOT, QT_TRANSLATE_NOOP("SocketErrors", "Disc quota exceeded")},
    {10070, ESTALE, QT_TRANSLATE_NOOP("SocketErrors", "Stale NFS file handle")},
    {10071, EREMOTE, QT_TRANSLATE_NOOP("SocketErrors", "Too many levels of remote in path")},
    {11001, 0, QT_TRANSLATE_NOOP("SocketErrors", "Host not found")},
    {11002, 0, QT_TRANSLATE_NOOP("SocketErrors", "Non-Authoritative Host not found")},
    {11004, 0, QT_TRANSLATE_NOOP("SocketErrors", "Valid name, no data record of requested type")},
};

} // namespace

int fromErrno(int errnoValue) {
    if (errnoValue == 0)
        return 0;
    for (const Row& row : kTable)
        if (row.errnoValue == errnoValue)
            return row.classic;
    return 20000 + errnoValue;
}

int last() {
    return fromErrno(errno);
}

const char* text(int classic) {
    for (const Row& row : kTable)
        if (row.classic == classic && row.text != nullptr)
            return row.text;
    return nullptr;
}

} // namespace SocketErrorNumbers
