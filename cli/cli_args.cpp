#include "cli/cli_args.h"

#include "settings/job.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const CliOption* findLong(const QList<CliOption>& table, QStringView name) {
    for (const CliOption& option : table) {
        if (name == QLatin1String(option.name))
            return &option;
    }
    return nullptr;
}

const CliOption* findShort(const QList<CliOption>& table, QChar c) {
    for (const CliOption& option : table) {
        if (option.shortName != 0 && c == QLatin1Char(option.shortName))
            return &option;
    }
    return nullptr;
}

qsizetype editDistance(const QString& a, const QString& b) {
    std::vector<qsizetype> row(size_t(b.size() + 1));
    for (qsizetype j = 0; j <= b.size(); ++j)
        row[size_t(j)] = j;
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[size_t(j)];
            row[size_t(j)] = std::min(
                {above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[size_t(b.size())];
}

QString leftColumn(const CliOption& option) {
    QString text = option.shortName != 0
                       ? QStringLiteral("-%1, ").arg(QLatin1Char(option.shortName))
                       : QStringLiteral("    ");
    text += QStringLiteral("--") + QLatin1String(option.name);
    if (option.value)
        text += QLatin1Char(' ') + QLatin1String(option.value);
    return text;
}

} // namespace

CliArgs::CliArgs(const QStringList& args, const QList<CliOption>& table) {
    const auto take = [&](const CliOption& option, const QString& value) {
        QStringList& list = values_[QLatin1String(option.name)];
        if (!option.repeatable)
            list.clear();
        list << value;
    };
    const auto needsValue = [&](const QString& spelled, const CliOption& option) {
        fail(QCoreApplication::translate("CliArgs", "%1 needs a value (%2)")
                 .arg(spelled, QLatin1String(option.value)));
    };
    bool optionsEnded = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (optionsEnded || arg == QLatin1String("-") || !arg.startsWith(QLatin1Char('-'))) {
            operands_ << arg;
        } else if (arg == QLatin1String("--")) {
            optionsEnded = true;
        } else if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype equals = arg.indexOf(QLatin1Char('='));
            const QString name = arg.mid(2, equals < 0 ? -1 : equals - 2);
            const CliOption* option = findLong(table, name);
            const QString spelled = QStringLiteral("--") + name;
            if (!option)
                unknown(spelled, table);
            else if (!option->value && equals >= 0)
                fail(QCoreApplication::translate("CliArgs", "%1 takes no value").arg(spelled));
            else if (!option->value)
                take(*option, QString());
            else if (equals >= 0)
                take(*option, arg.mid(equals + 1));
            else if (i + 1 < args.size())
                take(*option, args[++i]);
            else
                needsValue(spelled, *option);
        } else {
            // A cluster of short options; one that takes a value takes the
            // rest of the cluster, or else the next argument.
            for (qsizetype j = 1; j < arg.size(); ++j) {
                const CliOption* option = findShort(table, arg[j]);
                const QString spelled = QStringLiteral("-") + arg[j];
                if (!option) {
                    unknown(spelled, table);
                    break;
                }
                if (!option->value) {
                    take(*option, QString());
                    continue;
                }
                if (j + 1 < arg.size())
                    take(*option, arg.mid(j + 1));
                else if (i + 1 < args.size())
                    take(*option, args[++i]);
                else
                    needsValue(spelled, *option);
                break;
            }
        }
    }
}

std::optional<QString> CliArgs::value(const char* name) const {
    const auto it = values_.constFind(QLatin1String(name));
    if (it == values_.cend() || it->isEmpty())
        return std::nullopt;
    return it->last();
}

void CliArgs::fail(const QString& problem) {
    if (problem_.isEmpty())
        problem_ = problem;
}

void CliArgs::unknown(const QString& option, const QList<CliOption>& table) {
    QStringList names;
    for (const CliOption& known : table)
        names << QLatin1String(known.name);
    const QString closest =
        option.startsWith(QLatin1String("--")) ? ClosestName(option.mid(2), names) : QString();
    if (closest.isEmpty())
        fail(QCoreApplication::translate("CliArgs", "unknown option %1").arg(option));
    else
        fail(QCoreApplication::translate("CliArgs", "unknown option %1; did you mean --%2?")
                 .arg(option, closest));
}

QString ClosestName(const QString& word, const QStringList& names) {
    QString best;
    qsizetype bestDistance = 0;
    for (const QString& name : names) {
        // A start of a name ("--inter") is as good as one slip.
        const qsizetype distance =
            word.size() >= 2 && name.startsWith(word) ? 1 : editDistance(word, name);
        if (best.isEmpty() || distance < bestDistance) {
            best = name;
            bestDistance = distance;
        }
    }
    // Short words are far apart after two edits: "--out" is not "--dir".
    const qsizetype allowed = word.size() <= 4 ? 1 : 2;
    return bestDistance <= allowed ? best : QString();
}

QString OptionHelp(const QList<CliOption>& table) {
    constexpr qsizetype kColumn = 28;
    QString text;
    for (const CliOption& option : table) {
        const QString left = QStringLiteral("  ") + leftColumn(option);
        if (left.size() + 2 > kColumn)
            text += left + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '));
        else
            text += left.leftJustified(kColumn);
        text += QCoreApplication::translate("CliOption", option.help) + QLatin1Char('\n');
    }
    return text;
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

std::optional<int> ParseSecondsAsMs(const QString& text, int highSeconds) {
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,9}(\\.[0-9]{1,9})?$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const double seconds = text.toDouble();
    if (seconds > highSeconds)
        return std::nullopt;
    // A time-out below a millisecond is still a time-out, not "none".
    const qint64 ms = std::llround(seconds * 1000.0);
    return int(seconds > 0 && ms == 0 ? 1 : ms);
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

std::optional<int> ReadMisses(const CliArgs& args, QString& problem) {
    const std::optional<QString> v = args.value("misses");
    if (!v)
        return std::nullopt;
    const std::optional<qint64> n = ParseDecimal(*v, 1, OpenSeries::kMaxMisses);
    if (!n) {
        problem = QCoreApplication::translate("CliArgs",
                                              "--misses needs a number from 1 to %1, not \"%2\"")
                      .arg(QString::number(OpenSeries::kMaxMisses), *v);
        return std::nullopt;
    }
    return int(*n);
}
