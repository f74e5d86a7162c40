#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

/// Walks a command's arguments: options with or without a value, in any
/// order. Keeps the first problem found, for the command's error line.
class CliArgs {
public:
    explicit CliArgs(const QStringList& args)
        : args_(args) {}

    /// The next argument, or nothing at the end.
    std::optional<QString> next();
    /// The value of the option just read by next(); records "OPTION needs
    /// WHAT" and gives nothing when none follows.
    std::optional<QString> value(const QString& option, const char* what);

    /// Records a problem unless one is recorded already.
    void fail(const QString& problem);
    /// The first problem recorded; empty when none.
    const QString& problem() const { return problem_; }

private:
    const QStringList& args_;
    qsizetype index_ = 0;
    QString problem_;
};

/// Plain decimal digits, with a leading "-" only when `low` < 0, within
/// [low, high]; nothing otherwise.
std::optional<qint64> ParseDecimal(const QString& text, qint64 low, qint64 high);

/// "HOST:PORT" with a port of 1 to 65535 and a non-empty host.
bool ParseHostPort(const QString& text, QString& host, int& port);

/// Whether `args` asks for the command's help.
bool WantsHelp(const QStringList& args);
