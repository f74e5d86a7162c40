#include "cli/clear_command.h"
#include "cli/cli_command.h"
#include "cli/get_command.h"
#include "cli/go_command.h"
#include "cli/list_up_command.h"
#include "cli/show_command.h"

const QList<CliCommand>& Commands() {
    static const QList<CliCommand> commands{ListUpCommand, GoCommand, ShowCommand, ClearCommand,
                                            GetCommand};
    return commands;
}

QString UsageText() {
    QString text = QStringLiteral("Usage:\n");
    for (const CliCommand& command : Commands())
        text += QStringLiteral("  serifetch-cli %1 %2\n")
                    .arg(QLatin1String(command.name), QString::fromUtf8(command.usage));
    return text;
}

QString CommandUsage(const CliCommand& command) {
    return QStringLiteral("Usage: serifetch-cli %1 %2")
        .arg(QLatin1String(command.name), QString::fromUtf8(command.usage));
}

int UsageError(const CliCommand& command, const QString& problem, QTextStream& err) {
    err << "serifetch-cli " << command.name << ": " << problem << "\n"
        << CommandUsage(command) << "\n";
    return ExitError;
}
