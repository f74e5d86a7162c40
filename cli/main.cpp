// serifetch-cli: the headless front end. The first argument names a command;
// the command's table of options says how to read the rest.
#include "app/ui_language.h"
#include "cli/cli_args.h"
#include "cli/cli_command.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The command line follows the environment alone; [Window] Language is
    // the window's.
    InstallTranslation(app, ChooseLanguage(QString()));
    QCoreApplication::setApplicationName(QStringLiteral("serifetch-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);

    QStringList args = QCoreApplication::arguments().mid(1);
    const QString name = args.isEmpty() ? QString() : args.takeFirst();
    for (const CliCommand& command : Commands()) {
        if (name == QLatin1String(command.name)) {
            const int code = RunCommand(command, args, out, err);
            out.flush();
            err.flush();
            return code;
        }
    }
    if (name.startsWith(QLatin1Char('-'))) {
        const CliArgs program(QStringList{name}, ProgramOptions());
        if (program.has("help")) {
            out << ProgramHelp();
            return ExitSuccess;
        }
        if (program.has("version")) {
            out << "serifetch-cli " << SERIFETCH_VERSION << "\n";
            return ExitSuccess;
        }
        err << "serifetch-cli: " << program.problem() << "\n";
    } else if (name.isEmpty()) {
        err << "serifetch-cli: " << QCoreApplication::translate("CliMain", "no command given")
            << "\n";
    } else {
        QStringList names;
        for (const CliCommand& command : Commands())
            names << QLatin1String(command.name);
        const QString closest = ClosestName(name, names);
        err << "serifetch-cli: "
            << (closest.isEmpty()
                    ? QCoreApplication::translate("CliMain", "unknown command %1").arg(name)
                    : QCoreApplication::translate("CliMain", "unknown command %1; did you mean %2?")
                          .arg(name, closest))
            << "\n";
    }
    err << QCoreApplication::translate("CliMain", "Try 'serifetch-cli --help'.") << "\n";
    return ExitError;
}
