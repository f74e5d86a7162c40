#include "platform/int_to_str_l.h"

QString IntToStrL(qint64 number, int digits) {
    if (digits == 0)
        return {};
    QString text = QString::number(number);
    if (text.size() < digits)
        text.prepend(QString(digits - text.size(), QLatin1Char('0')));
    return text;
}
