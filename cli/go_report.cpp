#include "cli/go_report.h"

#include "app/status_mark.h"

#include <QCoreApplication>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

// Redraws of the progress line per second, at most: a terminal that redraws
// on every 64 KiB block would cost more than the download.
constexpr qint64 kRedrawMs = 100;

int cellWidth(char32_t c) {
    if (c < 0x20 || (c >= 0x7f && c < 0xa0))
        return 0;
    const QChar::Category category = QChar::category(c);
    if (category == QChar::Mark_NonSpacing || category == QChar::Mark_Enclosing || c == 0x200b)
        return 0;
    // The wide blocks of Unicode's East Asian Width: Hangul Jamo, CJK,
    // Hangul syllables, compatibility ideographs, full-width forms, emoji.
    const bool wide = (c >= 0x1100 && c <= 0x115f) || (c >= 0x2e80 && c <= 0x303e) ||
                      (c >= 0x3041 && c <= 0x33ff) || (c >= 0x3400 && c <= 0x4dbf) ||
                      (c >= 0x4e00 && c <= 0x9fff) || (c >= 0xa000 && c <= 0xa4cf) ||
                      (c >= 0xac00 && c <= 0xd7a3) || (c >= 0xf900 && c <= 0xfaff) ||
                      (c >= 0xfe30 && c <= 0xfe4f) || (c >= 0xff00 && c <= 0xff60) ||
                      (c >= 0xffe0 && c <= 0xffe6) || (c >= 0x1f300 && c <= 0x1f64f) ||
                      (c >= 0x1f900 && c <= 0x1f9ff) || (c >= 0x20000 && c <= 0x3fffd);
    return wide ? 2 : 1;
}

} // namespace

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    bool ok = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &ok);
    return ok && columns > 0 ? columns : 80;
}

QString FitToColumns(const QString& text, int columns) {
    int used = 0;
    qsizetype end = 0;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i].unicode();
        qsizetype units = 1;
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        used += cellWidth(c);
        if (used > columns)
            break;
        i += units;
        end = i;
    }
    return text.left(end);
}

GoReport::GoReport(QTextStream& out, bool terminal, Verbosity verbosity)
    : out_(out)
    , terminal_(terminal && verbosity != Verbosity::Quiet)
    , verbosity_(verbosity) {
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
    const QString counts = QStringLiteral("[%1/%2]").arg(row_).arg(jobs_);
    QString line =
        expected_ > 0
            ? QCoreApplication::translate("GoReport", "%1 %2  %3 / %4 bytes  %5%")
                  .arg(counts, name_, QString::number(current_), QString::number(expected_),
                       QString::number(qMin<qint64>(100, current_ * 100 / expected_)))
            : QCoreApplication::translate("GoReport", "%1 %2  %3 bytes")
                  .arg(counts, name_, QString::number(current_));
    if (now > 0)
        line += QStringLiteral("  ") + rateText(double(totalBytes()) * 1000.0 / double(now));
    // One cell short of the width: a character in the last column makes
    // some terminals wrap at once, and the next "\r" would redraw below.
    out_ << "\r" << FitToColumns(line, TerminalColumns() - 1) << "\x1b[K";
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
    if (success && (terminal_ || verbosity_ == Verbosity::Quiet)) {
        draw(false);
        return;
    }
    // A job left untried has no mark of its own.
    const QString shown = mark.isEmpty() ? QStringLiteral("-") : mark;
    QString text = QStringLiteral("%1 %2/%3 %4").arg(shown).arg(row).arg(jobs).arg(name);
    if (!detail.isEmpty())
        text += QStringLiteral("  ") + detail;
    line(text);
}

void GoReport::requestEnded(const QString& url, const QString& status, qint64 bytes, qint64 ms) {
    if (verbosity_ == Verbosity::Verbose)
        line(QStringLiteral("GET %1  %2  %3 bytes  %4 s")
                 .arg(url, status)
                 .arg(bytes)
                 .arg(double(ms) / 1000.0, 0, 'f', 3));
}

void GoReport::note(const QString& text) {
    if (verbosity_ != Verbosity::Quiet)
        line(text);
}

void GoReport::summary(const QString& text) {
    line(text);
}

void GoReport::line(const QString& text) {
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
