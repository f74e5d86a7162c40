#include "http/nmuu_processor.h"

#include <QBuffer>
#include <QCoreApplication>
#include <stdexcept>

namespace {

const char mimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// "`" stands for zero so a line never starts or ends with a blank that mail
// gateways would strip; 1..63 are "!".."_".
char uuChar(unsigned value) {
    return value == 0 ? '`' : static_cast<char>(' ' + value);
}

constexpr qint64 lineBytes = 45;

} // namespace

void TNMUUProcessor::Encode() {
    const auto finish = [this] {
        if (OutputStream)
            OutputStream->seek(0);
        if (OnEndEncode)
            OnEndEncode(this);
    };
    try {
        if (!InputStream || !OutputStream)
            throw std::runtime_error("Encode needs an input and an output stream");
        InputStream->seek(0);
        if (OnBeginEncode)
            OnBeginEncode(this);
        const bool mime = Method == uuMime;
        const auto letter = [mime](unsigned value) {
            return mime ? mimeAlphabet[value] : uuChar(value);
        };
        while (InputStream->pos() < InputStream->size()) {
            const QByteArray chunk = InputStream->read(lineBytes);
            if (chunk.isEmpty())
                throw std::runtime_error(
                    QCoreApplication::translate("TNMUUProcessor", "Stream read error")
                        .toStdString());
            QByteArray line;
            line.reserve(64);
            if (!mime)
                line += letter(static_cast<unsigned>(chunk.size()));
            const auto* in = reinterpret_cast<const unsigned char*>(chunk.constData());
            const qsizetype n = chunk.size();
            qsizetype i = 0;
            for (; i + 3 <= n; i += 3) {
                const unsigned group = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
                line += letter(group >> 18);
                line += letter((group >> 12) & 63);
                line += letter((group >> 6) & 63);
                line += letter(group & 63);
            }
            if (n - i == 1) {
                line += letter(in[i] >> 2);
                line += letter((in[i] & 3) << 4);
                if (mime)
                    line += "==";
            } else if (n - i == 2) {
                const unsigned group = (in[i] << 8) | in[i + 1];
                line += letter(group >> 10);
                line += letter((group >> 4) & 63);
                line += letter((group & 15) << 2);
                if (mime)
                    line += '=';
            }
            line += "\r\n";
            if (OutputStream->write(line) != line.size())
                throw std::runtime_error(
                    QCoreApplication::translate("TNMUUProcessor", "Stream write error")
                        .toStdString());
        }
        if (!mime && OutputStream->write("`\r\n") != 3)
            throw std::runtime_error(
                QCoreApplication::translate("TNMUUProcessor", "Stream write error").toStdString());
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

QByteArray TNMUUProcessor::Base64Line(const QByteArray& data) {
    QByteArray source = data;
    QByteArray encoded;
    QBuffer input(&source);
    QBuffer output(&encoded);
    input.open(QIODevice::ReadOnly);
    output.open(QIODevice::ReadWrite);
    TNMUUProcessor processor;
    processor.Method = uuMime;
    processor.InputStream = &input;
    processor.OutputStream = &output;
    processor.Encode();
    // Every line but the last holds 45 bytes, a multiple of three, so the
    // lines joined are the Base64 of the whole input without inner padding.
    encoded.replace("\r\n", "");
    return encoded;
}
