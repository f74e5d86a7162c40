#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

/// The built serifetch-cli, run as a child with SERIFETCH_HOME pointing at a
/// test's own profile folder.
class CliProcess {
public:
    struct Result {
        int exitCode = -1; ///< -2 when it crashed or was killed, -1 when it hung
        QString out;
        QString err;
    };
    /// A line of standard output and when the test received it.
    struct Line {
        QString text;
        qint64 atMs = 0; ///< on the clock started by start()
    };

    /// Runs with SERIFETCH_HOME set to `home`, in `folder` (the test's own
    /// working folder when empty).
    explicit CliProcess(QString home, QString folder = {});
    ~CliProcess();
    /// Sets `name` in the environment of the commands run next (HOME, to
    /// point at a test's own ~/.netrc).
    void setEnv(const QString& name, const QString& value) { extraEnv_.insert(name, value); }

    /// Runs a command to its end (at most `timeoutMs`).
    Result run(const QStringList& args, int timeoutMs = 30000);

    /// Starts a command and returns at once; see lines(), signal(), finish().
    void start(const QStringList& args);
    /// Complete lines of standard output received so far.
    const std::vector<Line>& lines();
    /// Waits on the event loop until at least `count` lines have arrived.
    bool waitForLines(size_t count, int timeoutMs = 20000);
    /// Sends a signal to the running child; returns the time it was sent.
    qint64 signal(int signalNumber);
    /// Waits until the running child has its own handler for `signalNumber`
    /// (its caught-signal mask in /proc), so that one sent next is caught.
    bool waitUntilCatching(int signalNumber, int timeoutMs = 20000);
    /// Milliseconds since start().
    qint64 now() const { return clock_.elapsed(); }
    /// Waits for the started command to end.
    Result finish(int timeoutMs = 30000);

private:
    void collect();

    QString home_;
    QString folder_;
    QHash<QString, QString> extraEnv_;
    std::unique_ptr<QProcess> process_;
    QElapsedTimer clock_;
    QByteArray pending_;
    QString out_;
    std::vector<Line> lines_;
};
