#include "cli/clear_command.h"
#include "cli/cli_command.h"
#include "cli/fetch_command.h"
#include "cli/get_command.h"
#include "cli/go_command.h"
#include "cli/list_up_command.h"
#include "cli/probe_command.h"
#include "cli/refresh_command.h"
#include "cli/show_command.h"

#include <QCoreApplication>

namespace {

const CliOption kHelpOption{"help", 'h', nullptr,
                            QT_TRANSLATE_NOOP("CliOption", "print this help and exit")};

QString usageLine(const CliCommand& command) {
    QString line = QStringLiteral("serifetch-cli ") + QLatin1String(command.name);
    if (!command.options().isEmpty())
        line += QStringLiteral(" [OPTIONS]");
    if (*command.operands)
        line += QLatin1Char(' ') + QLatin1String(command.operands);
    return QCoreApplication::translate("CliHelp", "Usage: %1").arg(line);
}

} // namespace

const QList<CliCommand>& Commands() {
    static const QList<CliCommand> commands{FetchCommand, ListUpCommand, GoCommand,  RefreshCommand,
                                            ShowCommand,  ClearCommand,  GetCommand, ProbeCommand};
    return commands;
}

const QList<CliOption>& ProgramOptions() {
    static const QList<CliOption> options{
        kHelpOption,
        {"version", 'V', nullptr, QT_TRANSLATE_NOOP("CliOption", "print the version and exit")},
    };
    return options;
}

QList<CliOption> CommandOptions(const CliCommand& command) {
    return command.options() + QList<CliOption>{kHelpOption};
}

QString ProgramHelp() {
    QString text = QCoreApplication::translate(
        "CliHelp", "Usage: serifetch-cli COMMAND [OPTIONS] [ARGUMENTS]\n"
                   "Fetch a numbered series of files over HTTP/1.1 and HTTPS, without a window\n"
                   "(a plain http: request goes out as HTTP/1.0 unless --keep-alive). The job\n"
                   "list and the settings are the window's own, in $SERIFETCH_HOME (else\n"
                   "$XDG_CONFIG_HOME/serifetch, else ~/.config/serifetch); only one of the two\n"
                   "programs may use them at a time.\n");
    text +=
        QLatin1Char('\n') + QCoreApplication::translate("CliHelp", "Commands:") + QLatin1Char('\n');
    for (const CliCommand& command : Commands())
        text += QStringLiteral("  %1%2\n")
                    .arg(QString::fromLatin1(command.name).leftJustified(10),
                         QCoreApplication::translate("CliCommand", command.summary));
    text += QLatin1Char('\n') + QCoreApplication::translate("CliHelp", "Options:") +
            QLatin1Char('\n') + OptionHelp(ProgramOptions()) + QLatin1Char('\n') +
            QCoreApplication::translate(
                "CliHelp", "'serifetch-cli COMMAND --help' shows the options of one command.") +
            QStringLiteral("\n\n") + QCoreApplication::translate("CliHelp", "Exit status:") +
            QLatin1Char('\n') +
            QCoreApplication::translate(
                "CliHelp", "  0    success\n"
                           "  1    a job or request failed, or there was nothing to do\n"
                           "  2    bad arguments, unusable files or folders, network errors\n"
                           "  130  stopped by Ctrl-C or SIGTERM\n");
    return text;
}

QString CommandHelp(const CliCommand& command) {
    return usageLine(command) + QLatin1Char('\n') +
           QCoreApplication::translate("CliCommand", command.summary) + QStringLiteral("\n\n") +
           QCoreApplication::translate("CliCommand", command.description) + QStringLiteral("\n\n") +
           QCoreApplication::translate("CliHelp", "Options:") + QLatin1Char('\n') +
           OptionHelp(CommandOptions(command)) + QLatin1Char('\n') +
           QCoreApplication::translate("CliHelp", "Exit status:") + QLatin1Char('\n') +
           QCoreApplication::translate("CliCommand", command.exitStatus);
}

int UsageError(const CliCommand& command, const QString& problem, QTextStream& err) {
    err << "serifetch-cli " << command.name << ": " << problem << "\n"
        << QCoreApplication::translate("CliHelp", "Try 'serifetch-cli %1 --help'.")
               .arg(QLatin1String(command.name))
        << "\n";
    return ExitError;
}

int RunCommand(const CliCommand& command, const QStringList& list, QTextStream& out,
               QTextStream& err) {
    CliArgs args(list, CommandOptions(command));
    // Help wins over any mistake beside it: it is what the user is after.
    if (args.has("help")) {
        out << CommandHelp(command);
        return ExitSuccess;
    }
    const qsizetype operands = args.operands().size();
    if (args.problem().isEmpty() && operands > command.maxOperands)
        args.fail(command.maxOperands == 0
                      ? QCoreApplication::translate("CliHelp", "unexpected argument \"%1\"")
                            .arg(args.operands().first())
                      : QCoreApplication::translate("CliHelp", "more than one %1")
                            .arg(QLatin1String(command.operands)));
    if (args.problem().isEmpty() && operands < command.minOperands)
        args.fail(QCoreApplication::translate("CliHelp", "no %1 given")
                      .arg(QLatin1String(command.operands)));
    if (!args.problem().isEmpty())
        return UsageError(command, args.problem(), err);
    return command.run(args, out, err);
}
