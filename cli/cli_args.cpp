#include "cli/cli_args.h"

std::optional<QString> CliArgs::next() {
    if (index_ >= args_.size())
        return std::nullopt;
    return args_[index_++];
}

std::optional<QString> CliArgs::value(const QString& option, const char* what) {
    if (index_ >= args_.size()) {
        fail(QStringLiteral("%1 needs %2").arg(option, QLatin1String(what)));
        return std::nullopt;
    }
    return args_[index_++];
}

void CliArgs::fail(const QString& problem) {
    if (problem_.isEmpty())
        problem_ = problem;
}

std::optional<qint64> ParseDecimal(const QString& text, qint64 low, qint64 high) {
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QStringView digits = QStringView(text).mid(negative ? 1 : 0);
    if (digits.isEmpty() || digits.size() > 18 || (negative && low >= 0))
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

bool ParseHostPort(const QString& text, QString& host, int& port) {
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0)
        return false;
    const auto number = ParseDecimal(text.mid(colon + 1), 1, 65535);
    if (!number)
        return false;
    host = text.left(colon);
    port = int(*number);
    return true;
}

bool WantsHelp(const QStringList& args) {
    return args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"));
}
