#include "cli/job_marks.h"

#include "app/status_mark.h"

#include <QStringList>

namespace {

const QString kKnownMarks[] = {
    StatusMark::Done,   StatusMark::Skipped, StatusMark::Small,
    StatusMark::Failed, StatusMark::GivenUp, StatusMark::Requested,
};

bool isKnown(const QString& mark) {
    for (const QString& known : kKnownMarks) {
        if (mark == known)
            return true;
    }
    return mark.isEmpty();
}

} // namespace

qint64 MarkCounts::total() const {
    qint64 sum = 0;
    for (const auto& [mark, n] : counts_)
        sum += n;
    return sum;
}

qint64 MarkCounts::count(const QString& mark) const {
    const auto it = counts_.find(mark);
    return it == counts_.end() ? 0 : it->second;
}

bool MarkCounts::allSucceeded() const {
    return count(StatusMark::Done) + count(StatusMark::Skipped) == total();
}

QString MarkCounts::summary() const {
    QStringList parts;
    for (const QString& mark : kKnownMarks) {
        if (const qint64 n = count(mark))
            parts << QStringLiteral("%1 %2").arg(mark).arg(n);
    }
    for (const auto& [mark, n] : counts_) {
        if (!isKnown(mark))
            parts << QStringLiteral("\"%1\" %2").arg(mark, QString::number(n));
    }
    if (const qint64 n = count(QString()))
        parts << QStringLiteral("untried %1").arg(n);
    const qint64 jobs = total();
    QString text = QStringLiteral("%1 %2").arg(jobs).arg(jobs == 1 ? "job" : "jobs");
    if (!parts.isEmpty())
        text += QStringLiteral(": ") + parts.join(QStringLiteral(", "));
    return text;
}
