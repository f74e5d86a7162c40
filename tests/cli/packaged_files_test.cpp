// The files shipped beside the programs: the manual pages and the shell
// completions name every option and exit code that --help names, and the
// desktop files pass their validators.
#include "tests/support/test_env.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString sourceFile(const char* path) {
    return QString::fromUtf8(testenv::readFile(QStringLiteral(SERIFETCH_SOURCE_DIR "/") + path));
}

// The lines of a --help section ("Options:", "Exit status:"), up to the
// next blank line.
QStringList section(const QString& help, const QString& title) {
    const qsizetype start = help.indexOf(QLatin1Char('\n') + title + QLatin1Char('\n'));
    if (start < 0)
        return {};
    const QString rest = help.mid(start + title.size() + 2);
    return rest.left(rest.indexOf(QStringLiteral("\n\n"))).split('\n', Qt::SkipEmptyParts);
}

// The option names of --help's option lines: "-d", "--dir", ...
QStringList optionNames(const QString& help) {
    static const QRegularExpression name(QStringLiteral("^  (?:(-[A-Za-z]), )?\\s*(--[a-z0-9-]+)"));
    QStringList names;
    for (const QString& line : section(help, QStringLiteral("Options:"))) {
        const QRegularExpressionMatch m = name.match(line);
        for (int i = 1; i <= 2; ++i) {
            if (!m.captured(i).isEmpty())
                names << m.captured(i);
        }
    }
    return names;
}

QStringList exitCodes(const QString& help) {
    QStringList codes;
    for (const QString& line : section(help, QStringLiteral("Exit status:")))
        codes << line.trimmed().section(' ', 0, 0);
    return codes;
}

QString roff(QString text) {
    return text.replace(QLatin1Char('-'), QStringLiteral("\\-"));
}

QString helpOf(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

TEST(PackagedFiles, ManPagesAndCompletionsNameEveryOptionAndExitCodeOfTheHelp) {
    const QString cli = QStringLiteral(SERIFETCH_CLI_PATH);
    const struct {
        QString program;
        QStringList args;
        const char* manPage;
        bool completed;
    } cases[] = {
        {cli, {"--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"fetch", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"list-up", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"go", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"refresh", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"show", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"clear", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"get", "--help"}, "docs/man/serifetch-cli.1", true},
        {cli, {"probe", "--help"}, "docs/man/serifetch-cli.1", true},
        {QStringLiteral(SERIFETCH_GUI_PATH), {"--help"}, "docs/man/serifetch.1", false},
    };
    const QString bash = sourceFile("resources/completion/serifetch-cli.bash");
    const QString zsh = sourceFile("resources/completion/_serifetch-cli");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const QString help = helpOf(c.program, c.args);
        const QString man = sourceFile(c.manPage);
        const QStringList names = optionNames(help);
        EXPECT_GE(names.size(), 2) << help.toStdString();
        for (const QString& option : names) {
            EXPECT_TRUE(man.contains(roff(option))) << option.toStdString();
            if (c.completed) {
                EXPECT_TRUE(bash.contains(QRegularExpression("[ \"]" + option + "[ \"\\n]")))
                    << option.toStdString();
                EXPECT_TRUE(zsh.contains(option)) << option.toStdString();
            }
        }
        const QString exitStatus =
            man.section(QStringLiteral(".SH EXIT STATUS"), 1).section(".SH", 0, 0);
        const QStringList codes = exitCodes(help);
        EXPECT_FALSE(codes.isEmpty()) << help.toStdString();
        for (const QString& code : codes)
            EXPECT_TRUE(exitStatus.contains(".B " + code + "\n")) << code.toStdString();
    }
}

TEST(PackagedFiles, DesktopEntryAndMetainfoPassTheirValidators) {
    const struct {
        const char* validator;
        QStringList args;
    } cases[] = {
        {"desktop-file-validate", {SERIFETCH_SOURCE_DIR "/resources/serifetch.desktop"}},
        // The id is the program's name: there is no domain to build a
        // reverse-DNS one from.
        {"appstreamcli",
         {"validate", "--no-net", "--override=cid-desktopapp-is-not-rdns=info",
          SERIFETCH_SOURCE_DIR "/resources/serifetch.metainfo.xml"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.validator);
        QProcess process;
        process.start(QString::fromLatin1(c.validator), c.args);
        ASSERT_TRUE(process.waitForFinished(60000)) << "not installed? scripts/install-deps --test";
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardOutput().toStdString()
                                         << process.readAllStandardError().toStdString();
    }
    EXPECT_TRUE(sourceFile("resources/serifetch.desktop").contains("\nExec=serifetch %U\n"));
}

// Where the bash-completion package is missing, the script reads bash's own
// COMP_WORDS and completes names with compgen.
TEST(PackagedFiles, BashCompletionWorksWithoutTheBashCompletionPackage) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    ASSERT_TRUE(testenv::writeFile(dir.filePath("sfile"), "x"));
    const QString s = dir.filePath("s");
    const struct {
        QStringList words; // the last is the word being completed
        QStringList expected;
    } cases[] = {
        {{"serifetch-cli", "g"}, {"get", "go"}},
        {{"serifetch-cli", "--v"}, {"--version"}},
        {{"serifetch-cli", "go", "--par"}, {"--parallel"}},
        {{"serifetch-cli", "list-up", "--ta"}, {"--tail"}},
        {{"serifetch-cli", "fetch", "--dir", s}, {dir.filePath("sub")}},
        // Bash splits "--dir=..." at the "=".
        {{"serifetch-cli", "fetch", "--dir", "=", s}, {dir.filePath("sub")}},
        {{"serifetch-cli", "get", "-o", s}, {dir.filePath("sfile"), dir.filePath("sub")}},
        {{"serifetch-cli", "go", "--interval", ""}, {}},
        {{"serifetch-cli", "show", "s"}, {}},
    };
    const QString script = QStringLiteral(
        "source \"$1\" || exit 3; shift; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); "
        "_serifetch_cli; printf '%s\\n' \"${COMPREPLY[@]}\"");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.join(' ').toStdString());
        QProcess bash;
        bash.start("bash",
                   QStringList{"--norc", "--noprofile", "-c", script, "bash",
                               SERIFETCH_SOURCE_DIR "/resources/completion/serifetch-cli.bash"} +
                       c.words);
        ASSERT_TRUE(bash.waitForFinished(30000));
        EXPECT_EQ(bash.exitCode(), 0);
        EXPECT_EQ(bash.readAllStandardError(), QByteArray());
        QStringList replies =
            QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        replies.sort();
        EXPECT_EQ(replies, c.expected);
    }
}
