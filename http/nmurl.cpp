#include "http/nmurl.h"

#include <QCoreApplication>
#include <exception>

QByteArray TNMURL::Encode() {
    static const char hex[] = "0123456789abcdef";
    try {
        QByteArray out;
        out.reserve(InputString.size() * 3);
        for (const char c : InputString) {
            const auto byte = static_cast<unsigned char>(c);
            if (byte == ' ') {
                out += '+';
            } else if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                       (byte >= 'a' && byte <= 'z')) {
                out += c;
            } else {
                out += '%';
                out += hex[byte >> 4];
                out += hex[byte & 15];
            }
        }
        return out;
    } catch (const std::exception& e) {
        if (OnError)
            OnError(this, QCoreApplication::translate("TNMURL", "Error during encode"),
                    QString::fromLocal8Bit(e.what()));
        return InputString;
    }
}
