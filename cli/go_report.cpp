#include "cli/go_report.h"

#include "app/status_mark.h"

namespace {

// Redraws of the progress line per second, at most: a terminal that redraws
// on every 64 KiB block would cost more than the download.
constexpr qint64 kRedrawMs = 100;

} // namespace

GoReport::GoReport(QTextStream& out, bool terminal)
    : out_(out)
    , terminal_(terminal) {
    clock_.start();
}

QString GoReport::rateText(double bytesPerSecond) {
    if (bytesPerSecond < 1024)
        return QStringLiteral("%1 B/s").arg(qint64(bytesPerSecond));
    if (bytesPerSecond < 1024 * 1024)
        return QStringLiteral("%1 KiB/s").arg(bytesPerSecond / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MiB/s").arg(bytesPerSecond / (1024 * 1024), 0, 'f', 1);
}

void GoReport::clearLine() {
    if (lineShown_) {
        out_ << "\r\x1b[K";
        lineShown_ = false;
    }
}

void GoReport::draw(bool force) {
    if (!terminal_ || row_ == 0)
        return;
    const qint64 now = clock_.elapsed();
    if (!force && lastDraw_ >= 0 && now - lastDraw_ < kRedrawMs)
        return;
    lastDraw_ = now;
    QString line = QStringLiteral("[%1/%2] %3  %4").arg(row_).arg(jobs_).arg(name_).arg(current_);
    if (expected_ > 0)
        line += QStringLiteral(" / %1 bytes  %2%")
                    .arg(expected_)
                    .arg(qMin<qint64>(100, current_ * 100 / expected_));
    else
        line += QStringLiteral(" bytes");
    if (now > 0)
        line += QStringLiteral("  ") + rateText(double(totalBytes()) * 1000.0 / double(now));
    out_ << "\r" << line << "\x1b[K";
    out_.flush();
    lineShown_ = true;
}

void GoReport::jobStarted(int row, int jobs, const QString& name) {
    total_ += current_;
    current_ = 0;
    expected_ = 0;
    row_ = row;
    jobs_ = jobs;
    name_ = name;
    draw(false);
}

void GoReport::progress(qint64 received, qint64 expected) {
    current_ = received;
    expected_ = expected;
    draw(false);
}

void GoReport::jobFinished(const QString& mark, int row, int jobs, const QString& name,
                           const QString& detail) {
    const bool success = StatusMark::IsSuccess(mark);
    if (terminal_ && success) {
        draw(false);
        return;
    }
    clearLine();
    out_ << mark << ' ' << row << '/' << jobs << ' ' << name;
    if (!detail.isEmpty())
        out_ << "  " << detail;
    out_ << '\n';
    out_.flush();
    draw(true);
}

void GoReport::note(const QString& text) {
    clearLine();
    out_ << text << '\n';
    out_.flush();
    draw(true);
}

void GoReport::finish() {
    clearLine();
    row_ = 0;
    out_.flush();
}
