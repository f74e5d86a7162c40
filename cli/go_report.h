#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

/// What `go` prints while it runs. On a terminal: one progress line, redrawn
/// in place (job i of n, file name, bytes, percent, rate), with a line kept
/// above it for every job that did not end "○" or "▲". Elsewhere (a pipe, a
/// file, cron): one plain line per finished job, nothing redrawn.
class GoReport {
public:
    GoReport(QTextStream& out, bool terminal);

    /// A job reached a mark other than "↓". `detail` says more ("10240
    /// bytes", "HTTP/1.1 404 Not Found", "given up").
    void jobFinished(const QString& mark, int row, int jobs, const QString& name,
                     const QString& detail);
    /// A request started for the job at `row`.
    void jobStarted(int row, int jobs, const QString& name);
    /// Bytes of the current request so far; `expected` 0 when unknown.
    void progress(qint64 received, qint64 expected);
    /// A line of its own (messages of the run, notes on Ctrl-C).
    void note(const QString& text);
    /// Clears the progress line before the program's last words.
    void finish();

private:
    /// Body bytes received by the whole run.
    qint64 totalBytes() const { return total_ + current_; }
    /// "512 B/s", "10.0 KiB/s", "1.5 MiB/s".
    static QString rateText(double bytesPerSecond);

    void draw(bool force);
    void clearLine();

    QTextStream& out_;
    bool terminal_;
    QElapsedTimer clock_;
    qint64 lastDraw_ = -1;
    bool lineShown_ = false;

    int row_ = 0;
    int jobs_ = 0;
    QString name_;
    qint64 current_ = 0;  // bytes of the request under way
    qint64 expected_ = 0; // its announced length
    qint64 total_ = 0;    // bytes of the requests before it
};
