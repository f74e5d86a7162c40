#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

/// A request line the user asked for ("Cookie: a=1"), split into its name
/// and value.
struct ExtraHeader {
    QByteArray name;
    QByteArray value;
};

/// "Name: value" with a name of RFC 9110 token characters, a colon, and a
/// value without control bytes, a tab included (blanks around it dropped; it
/// may be empty, which removes a line of that name). Nothing for anything
/// else: a line that goes on the wire as typed must not be able to split the
/// request.
std::optional<ExtraHeader> ParseExtraHeader(const QString& line);
