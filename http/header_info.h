#pragma once

#include <QByteArray>

/// Optional request header values; an empty value sends no line. Values are
/// the bytes that go on the wire.
class THeaderInfo {
public:
    QByteArray LocalMailAddress; ///< "From: "
    QByteArray LocalProgram;     ///< "User-Agent: "
    QByteArray Cookie;           ///< "Cookie: "; a redirect's Set-Cookie lands here
    QByteArray Referer;          ///< "Referer: "
    QByteArray UserId;           ///< with Password: "Authorization: Basic "
    QByteArray Password;
};
