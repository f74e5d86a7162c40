// serifetch-cli: the headless front end. The first argument names a command;
// each command parses the rest itself.
#include "cli/cli_args.h"
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
    if (name == QLatin1String("--help") || name == QLatin1String("-h")) {
        out << "serifetch-cli: fetch a numbered series of files over HTTP/1.0, without a window.\n"
               "The job list and the settings are the window's own, in $SERIFETCH_HOME (else\n"
               "$XDG_CONFIG_HOME/serifetch, else ~/.config/serifetch); only one of the two\n"
               "programs may use them at a time.\n\n"
            << UsageText()
            << "  serifetch-cli COMMAND --help    the help of one command\n"
               "  serifetch-cli --version\n";
        return ExitSuccess;
    }
    if (name == QLatin1String("--version")) {
        out << "serifetch-cli " << SERIFETCH_VERSION << "\n";
        return ExitSuccess;
    }
    for (const CliCommand& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            if (WantsHelp(args)) {
                out << CommandUsage(command) << "\n";
                return ExitSuccess;
            }
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
