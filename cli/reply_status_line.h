#pragma once

#include <QByteArray>
#include <QString>

/// The first line of a reply header as TNMHTTP keeps it in `Header`
/// ("HTTP/1.1 404 Not Found"), without its line end; empty when no reply
/// was read.
inline QString ReplyStatusLine(const QByteArray& header) {
    QByteArray line = header.left(header.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLatin1(line);
}
