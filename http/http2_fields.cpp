#include "http/http2_fields.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

bool hasControlByte(QByteArrayView text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

// RFC 9113 8.2.2: these describe one HTTP/1.1 connection, and a stream that
// carries one is malformed.
bool connectionSpecific(const QByteArray& name, const QByteArray& value) {
    if (name == "te")
        return value.trimmed().toLower() != "trailers";
    return name == "connection" || name == "keep-alive" || name == "proxy-connection" ||
           name == "transfer-encoding" || name == "upgrade";
}

} // namespace

namespace Http2Fields {

QList<Field> RequestFields(QByteArrayView head, QString* problem) {
    QList<QByteArray> lines;
    for (QByteArray line : head.toByteArray().split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            break;
        lines << line;
    }
    const QList<QByteArray> request = lines.isEmpty() ? QList<QByteArray>() : lines[0].split(' ');
    if (request.size() != 3 || request[0].isEmpty() || !request[1].startsWith('/') ||
        !request[2].startsWith("HTTP/1.")) {
        if (problem)
            *problem = QCoreApplication::translate("Http2Fields", "No request line to send: \"%1\"")
                           .arg(QString::fromLatin1(lines.value(0).left(60)));
        return {};
    }
    QList<Field> fields{
        {":method", request[0]}, {":scheme", "https"}, {":authority", {}}, {":path", request[1]}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = lines[i].left(colon).trimmed().toLower();
        const QByteArray value = lines[i].mid(colon + 1).trimmed();
        if (name == "host")
            fields[2].value = value;
        else if (!connectionSpecific(name, value))
            fields << Field{name, value};
    }
    if (fields[2].value.isEmpty()) {
        if (problem)
            *problem = QCoreApplication::translate("Http2Fields", "The request names no host");
        return {};
    }
    return fields;
}

QByteArray ReplyHead(QByteArrayView status, const QList<Field>& fields) {
    QByteArray head = "HTTP/2 " + status.toByteArray() + "\r\n";
    for (const Field& field : fields) {
        if (field.name.startsWith(':') || hasControlByte(field.name) || hasControlByte(field.value))
            continue;
        head += field.name + ": " + field.value + "\r\n";
    }
    return head + "\r\n";
}

} // namespace Http2Fields
