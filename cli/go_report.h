#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTextStream>
#include <QtGlobal>

/// How much `go` and `fetch` print.
enum class Verbosity {
    Quiet,   ///< failed jobs, errors and the summary
    Normal,  ///< also the progress line, or a line per finished job
    Verbose, ///< also a line per request: status line, bytes, time
};

/// What `go` prints while it runs. On a terminal: one progress line, redrawn
/// in place (job i of n, file name, bytes, percent, rate) and cut to the
/// terminal's width so that it never wraps, with a line kept above it for
/// every job that did not end "○" or "▲". Elsewhere (a pipe, a file, cron):
/// one plain line per finished job, nothing redrawn.
class GoReport {
public:
    GoReport(QTextStream& out, bool terminal, Verbosity verbosity = Verbosity::Normal);

    /// A job reached a mark other than "↓". `detail` says more ("10240
    /// bytes", "HTTP/1.1 404 Not Found", "given up").
    void jobFinished(const QString& mark, int row, int jobs, const QString& name,
                     const QString& detail);
    /// A request started for the job at `row`.
    void jobStarted(int row, int jobs, const QString& name);
    /// Bytes of the current request so far; `expected` 0 when unknown.
    void progress(qint64 received, qint64 expected);
    /// Bytes a request ended with that ran beside the current one (several
    /// jobs at once): they count in the rate.
    void bytesElsewhere(qint64 bytes) { total_ += qMax<qint64>(bytes, 0); }
    /// A request of `url` ended with `status` (a status line or why it
    /// failed); printed when verbose.
    void requestEnded(const QString& url, const QString& status, qint64 bytes, qint64 ms);
    /// A line of its own (messages of the run, notes on Ctrl-C); not when
    /// quiet.
    void note(const QString& text);
    /// The run's last line, printed whatever the verbosity.
    void summary(const QString& text);
    /// Clears the progress line before the program's last words.
    void finish();

private:
    /// Body bytes received by the whole run.
    qint64 totalBytes() const { return total_ + current_; }
    /// "512 B/s", "10.0 KiB/s", "1.5 MiB/s".
    static QString rateText(double bytesPerSecond);

    void draw(bool force);
    void clearLine();
    void line(const QString& text);

    QTextStream& out_;
    bool terminal_;
    Verbosity verbosity_;
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

/// Columns of the terminal on standard output; $COLUMNS or 80 when it
/// cannot say.
int TerminalColumns();

/// The longest start of `text` that takes at most `columns` cells on a
/// terminal (East Asian wide characters take two, combining marks none).
QString FitToColumns(const QString& text, int columns);
