#include "cli/cli_command.h"
#include "cli/get_command.h"

const QList<CliCommand>& Commands() {
    static const QList<CliCommand> commands{GetCommand};
    return commands;
}

QString UsageText() {
    QString text = QStringLiteral("Usage:\n");
    for (const CliCommand& command : Commands())
        text += QStringLiteral("  serifetch-cli %1 %2\n")
                    .arg(QLatin1String(command.name), QLatin1String(command.usage));
    return text;
}
