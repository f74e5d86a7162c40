#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

/// A login for a host, as ~/.netrc (ftp(1), curl, wget) keeps it.
struct NetrcLogin {
    QString login;
    QString password;

    friend bool operator==(const NetrcLogin&, const NetrcLogin&) = default;
};

/// The login `netrc` (the file's text) holds for `host`: its "machine HOST"
/// entry, else its "default" entry; nullopt when neither. Tokens are split by
/// blanks and line breaks and may be quoted ("a b", with \" inside); a
/// "macdef" runs to the next empty line and is passed over. Host names are
/// matched without regard to case.
std::optional<NetrcLogin> NetrcLookup(const QByteArray& netrc, const QString& host);
