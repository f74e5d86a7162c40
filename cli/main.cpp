// serifetch-cli: the headless front end. The first argument names a command;
// each command parses the rest itself.
#include "cli/cli_command.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("serifetch-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    for (const CliCommand& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            const int code = command.run(args, out, err);
            out.flush();
            err.flush();
            return code;
        }
    }
    if (name.isEmpty())
        err << "serifetch-cli: no command given\n";
    else
        err << "serifetch-cli: unknown command \"" << name << "\"\n";
    err << UsageText();
    return ExitError;
}
