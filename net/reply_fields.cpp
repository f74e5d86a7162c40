#include "net/reply_fields.h"

namespace ReplyFields {

QByteArray Nth(const QByteArray& text, char delimiter, int n) {
    if (n <= 0)
        return {};
    int field = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != delimiter)
            continue;
        if (field == n)
            return text.mid(start, i - start);
        ++field;
        start = i + 1;
    }
    return field == n ? text.mid(start) : QByteArray();
}

int NthCharPos(const QByteArray& text, char character, int n) {
    const int past = int(text.size()) + 1;
    int seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == character && ++seen == n)
            return i + 1 == text.size() ? past : int(i + 1);
    }
    return past;
}

} // namespace ReplyFields
