#include "app/rate_limit.h"

#include <algorithm>
#include <cmath>

std::optional<qint64> ParseByteRate(const QString& text) {
    QString number = text.trimmed();
    double unit = 1;
    if (!number.isEmpty()) {
        switch (number.back().toLower().unicode()) {
        case 'k':
            unit = 1024.0;
            break;
        case 'm':
            unit = 1024.0 * 1024;
            break;
        case 'g':
            unit = 1024.0 * 1024 * 1024;
            break;
        default:
            break;
        }
        if (unit > 1)
            number.chop(1);
    }
    // Digits with at most one point; no sign, no exponent, no blank inside.
    static const auto kPlain = [](const QString& n) {
        return !n.isEmpty() &&
               std::all_of(n.cbegin(), n.cend(),
                           [](QChar c) { return c.isDigit() || c == QLatin1Char('.'); }) &&
               n.count(QLatin1Char('.')) <= 1 && n != QLatin1String(".");
    };
    if (!kPlain(number))
        return std::nullopt;
    const double bytes = std::floor(number.toDouble() * unit);
    if (!(bytes >= 1) || bytes > 1e15)
        return std::nullopt;
    return qint64(bytes);
}

void RateLimit::Refill(qint64 nowMs) {
    if (lastMs_ < 0) {
        lastMs_ = nowMs;
        tokens_ = rate_;
        return;
    }
    const qint64 elapsed = std::max<qint64>(nowMs - lastMs_, 0);
    lastMs_ = std::max(lastMs_, nowMs);
    // Bytes earned are counted in thousandths, so that a rate below one byte
    // a millisecond loses nothing to rounding.
    // 128 bits: a long idle time at a high rate overflows 64.
    __extension__ using Wide = __int128;
    const Wide milliBytes = Wide(carry_) + Wide(elapsed) * rate_;
    tokens_ = qint64(std::min<Wide>(tokens_ + milliBytes / 1000, rate_));
    carry_ = tokens_ == rate_ ? 0 : qint64(milliBytes % 1000);
}

qint64 RateLimit::Allowance(qint64 wanted, qint64 nowMs) {
    if (rate_ <= 0)
        return wanted;
    Refill(nowMs);
    return std::clamp<qint64>(tokens_, 0, wanted);
}

void RateLimit::Took(qint64 bytes, qint64 nowMs) {
    if (rate_ <= 0)
        return;
    Refill(nowMs);
    tokens_ -= bytes;
}

qint64 RateLimit::WaitMs(qint64 nowMs) {
    if (rate_ <= 0)
        return 0;
    Refill(nowMs);
    if (tokens_ > 0)
        return 0;
    // Until 1 - tokens_ whole bytes are earned, less the part already owed.
    const qint64 owed = (1 - tokens_) * 1000 - carry_;
    return std::max<qint64>((owed + rate_ - 1) / rate_, 1);
}
