#include "app/series.h"

#include "platform/int_to_str_l.h"

QString NormaliseSeriesNumber(const QString& text) {
    if (text.isEmpty())
        return QStringLiteral("0");
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            digits.append(c);
    }
    return digits;
}

std::optional<qint32> ParseSeriesNumber(const QString& text) {
    bool ok = false;
    // toInt is strict: it fails on an empty text, on stray characters and
    // outside the 32-bit range, which is exactly the conversion to mirror.
    const int value = text.toInt(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

QString SeriesFileName(const QString& head, qint64 number, int digits, const QString& tail) {
    return head + IntToStrL(number, digits) + tail;
}

qint64 SeriesJobCount(qint32 start, qint32 end, qint32 step) {
    if (end < start)
        return 0;
    return (qint64(end) - qint64(start)) / qMax<qint64>(step, 1) + 1;
}

SeriesError CheckSeriesDigits(int digits) {
    return digits > kMaxSeriesDigits ? SeriesError::TooManyDigits : SeriesError::None;
}

SeriesError CheckSeries(const SeriesSpec& spec, qint64 jobsInList) {
    const qint64 count = SeriesJobCount(spec.start, spec.end, spec.step);
    if (count == 0)
        return SeriesError::None;
    if (CheckSeriesDigits(spec.digits) != SeriesError::None)
        return SeriesError::TooManyDigits;
    if (count > kMaxJobsPerListUp)
        return SeriesError::TooManyJobs;
    if (jobsInList + count > kMaxJobsInList)
        return SeriesError::ListFull;
    return SeriesError::None;
}

QString SeriesErrorMessage(SeriesError error, const SeriesSpec& spec, const QString& badText) {
    switch (error) {
    case SeriesError::None:
        return {};
    case SeriesError::StartNotInteger:
        return QStringLiteral("開始番号「%1」は整数として読めません（-2147483648～2147483647）。")
            .arg(badText);
    case SeriesError::EndNotInteger:
        return QStringLiteral("終了番号「%1」は整数として読めません（-2147483648～2147483647）。")
            .arg(badText);
    case SeriesError::TooManyDigits:
        return QStringLiteral("数字桁数 %1 は大きすぎます（%2 桁まで）。")
            .arg(spec.digits)
            .arg(kMaxSeriesDigits);
    case SeriesError::TooManyJobs:
        return QStringLiteral("%1 から %2 までの %3 件は多すぎます（一度に %4 件まで）。")
            .arg(spec.start)
            .arg(spec.end)
            .arg(SeriesJobCount(spec.start, spec.end, spec.step))
            .arg(kMaxJobsPerListUp);
    case SeriesError::ListFull:
        return QStringLiteral("%1 件を加えるとリストが上限の %2 件を超えます。")
            .arg(SeriesJobCount(spec.start, spec.end, spec.step))
            .arg(kMaxJobsInList);
    }
    return {};
}

std::optional<QString> SeriesPreview(const QString& head, qint32 start, qint32 end, int digits,
                                     const QString& tail) {
    if (CheckSeriesDigits(digits) != SeriesError::None)
        return std::nullopt;
    return SeriesFileName(head, start, digits, tail) + QStringLiteral("  -  ") +
           SeriesFileName(head, end, digits, tail);
}

std::vector<Job> ExpandSeries(const SeriesSpec& spec) {
    std::vector<Job> jobs;
    const qint64 count = SeriesJobCount(spec.start, spec.end, spec.step);
    jobs.reserve(size_t(count));
    // A 64-bit counter, so an end of 2147483647 ends the loop instead of
    // wrapping round to the smallest number.
    for (qint64 n = spec.start; n <= spec.end; n += qMax(spec.step, 1)) {
        const QString name = SeriesFileName(spec.head, n, spec.digits, spec.tail);
        jobs.push_back(Job{QString(), spec.baseUrl + name, spec.saveDir + name});
    }
    return jobs;
}

ListedSeries ListUpSeries(const SeriesSpec& spec, qint64 jobsInList,
                          const std::function<bool(const Job&)>& listed) {
    ListedSeries result;
    result.refusal = CheckSeries(spec, jobsInList);
    if (result.refusal != SeriesError::None)
        return result;
    result.jobs = ExpandSeries(spec);
    if (listed)
        result.alreadyListed = std::erase_if(result.jobs, listed);
    return result;
}
