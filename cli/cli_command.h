#pragma once

#include <QStringList>
#include <QTextStream>

/// One command of serifetch-cli ("list-up", "go", "get", ...). Each lives in
/// its own source file and is listed once in Commands().
struct CliCommand {
    const char* name;
    /// One line for the usage text: arguments and what the command does.
    const char* usage;
    /// Runs the command with the arguments after its name; returns the exit
    /// code. Must not throw.
    int (*run)(const QStringList& args, QTextStream& out, QTextStream& err);
};

/// Exit codes shared by every command.
enum CliExit : int {
    ExitSuccess = 0,
    ExitFailure = 1, ///< the server answered with a failure
    ExitError = 2,   ///< bad arguments, bad URL, network error, time-out
};

/// Every command, in the order the usage text lists them.
const QList<CliCommand>& Commands();

/// The usage text of all commands, for bad arguments and --help.
QString UsageText();

/// "Usage: serifetch-cli NAME ARGUMENTS…" for one command, without a final
/// line break.
QString CommandUsage(const CliCommand& command);

/// Prints "serifetch-cli NAME: problem" and the command's usage to `err`;
/// returns ExitError, for `return UsageError(...)` from a command's run.
int UsageError(const CliCommand& command, const QString& problem, QTextStream& err);
