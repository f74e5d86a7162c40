#include "net/reply_code.h"

#include <QByteArray>
#include <stdexcept>
#include <string>

qint16 ReplyCodeOf(QByteArrayView line) {
    qsizetype digits = 0;
    while (digits < 10 && digits < line.size() && line[digits] >= '0' && line[digits] <= '9')
        ++digits;
    if (digits == 0)
        return 0;
    bool ok = false;
    const int value = line.first(digits).toByteArray().toInt(&ok);
    if (ok && value > 32767)
        throw std::out_of_range("Reply code " + std::to_string(value) + " out of range");
    return ok ? qint16(value) : 0;
}
