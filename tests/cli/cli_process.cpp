#include "tests/cli/cli_process.h"

#include "tests/support/test_env.h"

#include <csignal>

CliProcess::CliProcess(QString home, QString folder)
    : home_(std::move(home))
    , folder_(std::move(folder)) {}

CliProcess::~CliProcess() {
    if (process_ && process_->state() != QProcess::NotRunning) {
        process_->kill();
        process_->waitForFinished(5000);
    }
}

CliProcess::Result CliProcess::run(const QStringList& args, int timeoutMs) {
    start(args);
    return finish(timeoutMs);
}

void CliProcess::start(const QStringList& args) {
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SERIFETCH_HOME"), home_);
    for (auto it = extraEnv_.cbegin(); it != extraEnv_.cend(); ++it)
        env.insert(it.key(), it.value());
    process_->setProcessEnvironment(env);
    if (!folder_.isEmpty())
        process_->setWorkingDirectory(folder_);
    pending_.clear();
    out_.clear();
    lines_.clear();
    QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, [this] { collect(); });
    clock_.start();
    process_->start(QStringLiteral(SERIFETCH_CLI_PATH), args);
}

void CliProcess::collect() {
    const QByteArray bytes = process_->readAllStandardOutput();
    out_ += QString::fromUtf8(bytes);
    pending_ += bytes;
    qsizetype end;
    while ((end = pending_.indexOf('\n')) >= 0) {
        lines_.push_back(Line{QString::fromUtf8(pending_.left(end)), clock_.elapsed()});
        pending_.remove(0, end + 1);
    }
}

const std::vector<CliProcess::Line>& CliProcess::lines() {
    return lines_;
}

bool CliProcess::waitForLines(size_t count, int timeoutMs) {
    return testenv::waitUntil(
               [&] { return lines_.size() >= count || process_->state() == QProcess::NotRunning; },
               timeoutMs) &&
           lines_.size() >= count;
}

qint64 CliProcess::signal(int signalNumber) {
    const qint64 at = clock_.elapsed();
    ::kill(pid_t(process_->processId()), signalNumber);
    return at;
}

bool CliProcess::waitUntilCatching(int signalNumber, int timeoutMs) {
    const QString status = QStringLiteral("/proc/%1/status").arg(process_->processId());
    const quint64 bit = quint64(1) << (signalNumber - 1);
    return testenv::waitUntil(
        [&] {
            for (const QByteArray& line : testenv::readFile(status).split('\n')) {
                if (line.startsWith("SigCgt:"))
                    return (line.mid(7).trimmed().toULongLong(nullptr, 16) & bit) != 0;
            }
            return false;
        },
        timeoutMs);
}

CliProcess::Result CliProcess::finish(int timeoutMs) {
    Result result;
    const bool ended =
        testenv::waitUntil([&] { return process_->state() == QProcess::NotRunning; }, timeoutMs);
    if (!ended) {
        process_->kill();
        process_->waitForFinished(5000);
    }
    collect();
    result.out = out_;
    result.err = QString::fromUtf8(process_->readAllStandardError());
    if (!ended)
        result.exitCode = -1;
    else if (process_->exitStatus() != QProcess::NormalExit)
        result.exitCode = -2;
    else
        result.exitCode = process_->exitCode();
    return result;
}
