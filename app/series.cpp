#include "app/series.h"

#include "platform/int_to_str_l.h"

#include <QCoreApplication>

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

QString FolderWithSlash(const QString& folder) {
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder;
    return folder + QLatin1Char('/');
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
        return QCoreApplication::translate(
                   "Series", "開始番号「%1」は整数として読めません（-2147483648～2147483647）。")
            .arg(badText);
    case SeriesError::EndNotInteger:
        return QCoreApplication::translate(
                   "Series", "終了番号「%1」は整数として読めません（-2147483648～2147483647）。")
            .arg(badText);
    case SeriesError::TooManyDigits:
        return QCoreApplication::translate("Series", "数字桁数 %1 は大きすぎます（%2 桁まで）。")
            .arg(spec.digits)
            .arg(kMaxSeriesDigits);
    case SeriesError::TooManyJobs:
        return QCoreApplication::translate(
                   "Series", "%1 から %2 までの %3 件は多すぎます（一度に %4 件まで）。")
            .arg(spec.start)
            .arg(spec.end)
            .arg(SeriesJobCount(spec.start, spec.end, spec.step))
            .arg(kMaxJobsPerListUp);
    case SeriesError::ListFull:
        return QCoreApplication::translate("Series",
                                           "%1 件を加えるとリストが上限の %2 件を超えます。")
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

namespace {

// Calls `job` with the UTF-8 URL and path of each job of the series, built
// in place: a million of them are listed up at once.
template <typename Each> void ForEachSeriesJob(const SeriesSpec& spec, Each job) {
    // Joined before they are converted, as the texts of one job would be.
    const QByteArray urlHead = (spec.baseUrl + spec.head).toUtf8();
    const QByteArray pathHead = (FolderWithSlash(spec.saveDir) + spec.head).toUtf8();
    const QByteArray tail = spec.tail.toUtf8();
    QByteArray url = urlHead;
    QByteArray path = pathHead;
    // A 64-bit counter, so an end of 2147483647 ends the loop instead of
    // wrapping round to the smallest number.
    for (qint64 n = spec.start; n <= spec.end; n += qMax(spec.step, 1)) {
        const QByteArray number = IntToStrL(n, spec.digits).toLatin1();
        url.truncate(urlHead.size());
        url.append(number).append(tail);
        path.truncate(pathHead.size());
        path.append(number).append(tail);
        job(url, path);
    }
}

} // namespace

JobList ExpandSeries(const SeriesSpec& spec) {
    JobList jobs;
    const qint64 count = SeriesJobCount(spec.start, spec.end, spec.step);
    // The digits are at least as many as asked for (none when fewer than
    // none are), plus up to 11 of the number itself.
    jobs.reserve(size_t(count),
                 size_t(spec.head.size() + spec.tail.size() + qMax(spec.digits, 0) + 11));
    ForEachSeriesJob(spec,
                     [&](QByteArrayView url, QByteArrayView path) { jobs.append({}, url, path); });
    return jobs;
}

ListedSeries ListUpSeries(const SeriesSpec& spec, qint64 jobsInList,
                          const std::function<bool(const Job&)>& listed) {
    ListedSeries result;
    result.refusal = CheckSeries(spec, jobsInList);
    if (result.refusal != SeriesError::None)
        return result;
    if (!listed) {
        result.jobs = ExpandSeries(spec);
        return result;
    }
    ForEachSeriesJob(spec, [&](QByteArrayView url, QByteArrayView path) {
        if (listed(Job{QString(), QString::fromUtf8(url), QString::fromUtf8(path)}))
            ++result.alreadyListed;
        else
            result.jobs.append({}, url, path);
    });
    return result;
}
