#include "http/extra_header.h"

#include <algorithm>
#include <cstring>

namespace {

bool isTokenChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
           (c != '\0' && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

} // namespace

std::optional<ExtraHeader> ParseExtraHeader(const QString& line) {
    const QByteArray bytes = line.toUtf8();
    const qsizetype colon = bytes.indexOf(':');
    if (colon <= 0)
        return std::nullopt;
    ExtraHeader header{bytes.left(colon), bytes.mid(colon + 1).trimmed()};
    if (!std::all_of(header.name.begin(), header.name.end(), isTokenChar))
        return std::nullopt;
    const bool controlByte = std::any_of(header.value.begin(), header.value.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    if (controlByte)
        return std::nullopt;
    return header;
}
