#include "app/run_overview.h"

#include "app/status_mark.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>

void RunOverview::Start() {
    *this = RunOverview();
}

void RunOverview::JobStarted(quint64 job, int row, int jobCount, int jobsLeft, qint64 nowMs) {
    if (m_inFlight.isEmpty() || row >= m_row) {
        m_row = row;
        m_jobCount = jobCount;
        m_jobsLeft = jobsLeft;
    }
    m_inFlight.insert(job, Transfer{});
    // The speed goes on across files: the pause between two is part of it.
    if (m_samples.empty())
        m_samples.push_back({nowMs, m_totalBytes});
}

void RunOverview::Progress(quint64 job, qint64 received, qint64 expected, qint64 nowMs) {
    const auto transfer = m_inFlight.find(job);
    if (transfer == m_inFlight.end())
        return;
    // A body that starts again (a retry of the same job) counts from zero.
    const qint64 added = received >= transfer->received ? received - transfer->received : received;
    *transfer = {received, expected};
    m_totalBytes += added;
    m_samples.push_back({nowMs, m_totalBytes});
    // Keep one sample at or before the window's start, so the window is full.
    while (m_samples.size() > 2 && m_samples[1].atMs <= nowMs - kSpeedWindowMs)
        m_samples.pop_front();
}

void RunOverview::Count(Outcome outcome, int by) {
    if (outcome == Outcome::Done)
        m_done += by;
    else if (outcome == Outcome::Failed)
        m_failed += by;
}

void RunOverview::JobFinished(quint64 job, const QString& mark) {
    JobFinished(job, StatusMark::MarkOf(mark));
}

void RunOverview::JobFinished(quint64 job, JobList::Mark mark) {
    using M = JobList::Mark;
    const Outcome outcome = StatusMark::IsSuccess(mark)               ? Outcome::Done
                            : mark == M::Failed || mark == M::GivenUp ? Outcome::Failed
                                                                      : Outcome::Retrying;
    if (const auto before = m_outcomes.constFind(job); before != m_outcomes.cend())
        Count(*before, -1);
    m_outcomes.insert(job, outcome);
    Count(outcome, +1);
    // Counted once: the next event of this job (none, normally) adds nothing.
    const Transfer transfer = m_inFlight.take(job);
    if (mark == M::Done && transfer.received > 0) {
        m_finishedBytes += transfer.received;
        ++m_finishedFiles;
    }
}

qint64 RunOverview::BytesPerSecond(qint64 nowMs) const {
    if (m_ended || m_samples.size() < 2)
        return 0;
    // Measured up to now, not to the last sample: a stalled transfer slows
    // the figure down instead of freezing it.
    if (m_samples.back().atMs <= nowMs - kSpeedWindowMs)
        return 0; // nothing came in for a whole window
    const Sample& first = m_samples.front();
    const qint64 elapsed = std::max<qint64>(nowMs - first.atMs, 1);
    return (m_totalBytes - first.bytes) * 1000 / elapsed;
}

std::optional<qint64> RunOverview::SecondsLeft(qint64 nowMs) const {
    const qint64 speed = BytesPerSecond(nowMs);
    if (speed <= 0)
        return std::nullopt;
    // Between two jobs the next one is as good as started.
    const QList<Transfer> inFlight =
        m_inFlight.isEmpty() ? QList<Transfer>{Transfer{}} : m_inFlight.values();
    qint64 perJob = 0;
    if (m_finishedFiles > 0) {
        perJob = m_finishedBytes / m_finishedFiles;
    } else {
        qint64 announced = 0;
        int announcing = 0;
        for (const Transfer& transfer : inFlight)
            if (transfer.expected > 0) {
                announced += transfer.expected;
                ++announcing;
            }
        if (announcing > 0)
            perJob = announced / announcing;
    }
    qint64 current = 0;
    for (const Transfer& transfer : inFlight) {
        if (transfer.expected > 0)
            current += std::max<qint64>(transfer.expected - transfer.received, 0);
        else if (perJob > 0)
            current += std::max<qint64>(perJob - transfer.received, 0);
        else if (m_row > 0)
            return std::nullopt;
    }
    if (m_jobsLeft > 0 && perJob == 0)
        return std::nullopt;
    const qint64 bytes = current + perJob * m_jobsLeft;
    return (bytes + speed - 1) / speed;
}

QString RunOverview::Text(qint64 nowMs) const {
    if (m_row == 0)
        return {};
    QStringList parts;
    parts << QCoreApplication::translate("RunOverview", "job %1 of %2").arg(m_row).arg(m_jobCount);
    parts << QCoreApplication::translate("RunOverview", "%1 done, %2 failed")
                 .arg(m_done)
                 .arg(m_failed);
    if (const qint64 speed = BytesPerSecond(nowMs); speed > 0)
        parts << SpeedText(speed);
    if (const auto left = SecondsLeft(nowMs))
        parts << QCoreApplication::translate("RunOverview", "%1 left").arg(DurationText(*left));
    return parts.join(QStringLiteral(" · "));
}

QString RunOverview::SpeedText(qint64 bytesPerSecond) {
    if (bytesPerSecond < 1024)
        return QStringLiteral("%1 B/s").arg(bytesPerSecond);
    if (bytesPerSecond < qint64(1024) * 1024)
        return QStringLiteral("%1 KB/s").arg(double(bytesPerSecond) / 1024, 0, 'f', 1);
    return QStringLiteral("%1 MB/s").arg(double(bytesPerSecond) / (1024 * 1024), 0, 'f', 1);
}

QString RunOverview::DurationText(qint64 seconds) {
    const QLatin1Char zero('0');
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, zero).arg(s, 2, 10, zero);
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, zero);
}
