#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <optional>

/// One option of a command. A command's table of these is the only list of
/// its options: parsing, the "did you mean" hint, --help, the man pages'
/// test and the shell completions all read it, so adding an option is one
/// entry.
struct CliOption {
    const char* name;            ///< long form without its dashes: "interval"
    char shortName = 0;          ///< 'd' for -d; 0 when there is none
    const char* value = nullptr; ///< what the value is ("MS"); nullptr for a switch
    /// One line for --help; a source text of the context "CliOption"
    /// (QT_TRANSLATE_NOOP), translated where shown.
    const char* help = "";
    bool repeatable = false; ///< every value kept; otherwise the last one wins
};

/// The options and operands of one command line, as parsed against a table.
class CliArgs {
public:
    /// Parses the way getopt_long does: `--name=value` and `--name value`,
    /// `-d DIR` and `-dDIR`, switches bundled (`-qv`), `--` ends the options
    /// and a lone `-` is an operand. Options may come before or after
    /// operands. The first problem is kept for problem().
    CliArgs(const QStringList& args, const QList<CliOption>& table);

    /// Whether the option (long name) was given at least once.
    bool has(const char* name) const { return values_.contains(QLatin1String(name)); }
    /// The last value given for the option.
    std::optional<QString> value(const char* name) const;
    /// Every value given for a repeatable option, in order.
    QStringList values(const char* name) const { return values_.value(QLatin1String(name)); }
    /// The arguments that are not options, in order.
    const QStringList& operands() const { return operands_; }

    /// Records a problem unless one is recorded already.
    void fail(const QString& problem);
    /// The first problem: "unknown option --intervl; did you mean
    /// --interval?", "--interval needs a value (MS)"...; empty when none.
    const QString& problem() const { return problem_; }

private:
    void unknown(const QString& option, const QList<CliOption>& table);

    QMap<QString, QStringList> values_;
    QStringList operands_;
    QString problem_;
};

/// The known name closest to `word` ("interval" for "intervl"), or the
/// empty text when none is close enough to be what was meant.
QString ClosestName(const QString& word, const QStringList& names);

/// The option lines of --help: "  -d, --dir DIR  help", aligned.
QString OptionHelp(const QList<CliOption>& table);

/// Plain decimal digits, with a leading "-" only when `low` < 0, within
/// [low, high]; nothing otherwise.
std::optional<qint64> ParseDecimal(const QString& text, qint64 low, qint64 high);

/// `--misses N`, how many missing numbers in a row end an open series: 1 to
/// 100; nothing when the option is not given or, with `problem` set, when
/// its value is refused.
std::optional<int> ReadMisses(const CliArgs& args, QString& problem);

/// Seconds as "60", "1.5" or "0.25", from 0 to `highSeconds`, in whole
/// milliseconds; nothing otherwise.
std::optional<int> ParseSecondsAsMs(const QString& text, int highSeconds);

/// "HOST:PORT" with a port of 1 to 65535 and a non-empty host.
bool ParseHostPort(const QString& text, QString& host, int& port);
