#include "platform/legacy_encoding.h"

#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>

namespace LegacyEncoding {

bool IsUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder(bytes);
    return !decoder.hasError();
}

QByteArray Cp932ToUtf8(const QByteArray& bytes) {
    // glibc's iconv knows CP932; Qt's own decoders cover only the UTF forms
    // unless it was built with ICU.
    const iconv_t cd = ::iconv_open("UTF-8", "CP932");
    // NOLINTNEXTLINE(performance-no-int-to-ptr): iconv_open's documented failure value
    if (cd == iconv_t(-1))
        return QString::fromLatin1(bytes).toUtf8();
    QByteArray out;
    out.reserve(bytes.size() * 3 / 2 + 16);
    char buffer[4096];
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char* to = buffer;
        size_t toLeft = sizeof buffer;
        const size_t done = ::iconv(cd, &in, &inLeft, &to, &toLeft);
        out.append(buffer, qsizetype(to - buffer));
        if (done != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or cut-off sequence: one replacement character, then on.
        out.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
    }
    ::iconv_close(cd);
    return out;
}

} // namespace LegacyEncoding
