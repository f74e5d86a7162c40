#pragma once

#include "cli/cli_args.h"

#include <QList>
#include <QTextStream>

/// One command of serifetch-cli ("fetch", "list-up", "go", ...). Each lives
/// in its own source file and is listed once in Commands().
struct CliCommand {
    const char* name;
    /// The operands after the options in the usage line ("URL"), or "".
    const char* operands;
    int minOperands;
    int maxOperands;
    /// One line for the list of commands. This text, the description and
    /// the exit status lines are source texts of the context "CliCommand"
    /// (QT_TRANSLATE_NOOP), translated where shown.
    const char* summary;
    /// What the command does, for its --help.
    const char* description;
    /// The command's options; --help is added to every command.
    const QList<CliOption>& (*options)();
    /// "  CODE  when" lines: the exit codes the command uses.
    const char* exitStatus;
    /// Runs the command with its parsed arguments; returns the exit code.
    /// Must not throw.
    int (*run)(const CliArgs& args, QTextStream& out, QTextStream& err);
};

/// Exit codes shared by every command.
enum CliExit : int {
    ExitSuccess = 0,
    ExitFailure = 1, ///< the server answered with a failure, or there was nothing to do
    ExitError = 2,   ///< bad arguments, bad URL, unusable files, network error
    /// A run stopped by Ctrl-C or SIGTERM (128 + SIGINT, as a shell reports a
    /// command it interrupted).
    ExitInterrupted = 130,
};

/// Every command, in the order the usage text lists them.
const QList<CliCommand>& Commands();

/// The options serifetch-cli takes before a command: --help, --version.
const QList<CliOption>& ProgramOptions();

/// A command's own options followed by --help.
QList<CliOption> CommandOptions(const CliCommand& command);

/// `serifetch-cli --help`: the commands, the program's options and the exit
/// codes.
QString ProgramHelp();

/// `serifetch-cli NAME --help`.
QString CommandHelp(const CliCommand& command);

/// Prints "serifetch-cli NAME: problem" and where the help is to `err`;
/// returns ExitError, for `return UsageError(...)` from a command's run.
int UsageError(const CliCommand& command, const QString& problem, QTextStream& err);

/// Parses `args` against the command's options, prints its help or its
/// usage error, or runs it.
int RunCommand(const CliCommand& command, const QStringList& args, QTextStream& out,
               QTextStream& err);
