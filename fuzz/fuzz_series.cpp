// Series expansion from the texts and numbers the user types: the input is
// split at NUL bytes into head, tail, start text and end text, and its first
// byte (signed, times four, so refused counts come up too) is the digit count.
#include "app/series.h"
#include "fuzz/fuzz_support.h"

#include <QList>

namespace {

// Jobs beyond this are valid but only cost time per input.
constexpr qint64 kMaxExpanded = 4096;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int digits = int(static_cast<int8_t>(data[0])) * 4;
    const QList<QByteArray> parts = fuzzsupport::bytesOf(data + 1, size - 1).split('\0');
    const auto part = [&](int i) {
        return i < parts.size() ? QString::fromUtf8(parts[i]) : QString();
    };
    SeriesSpec spec;
    spec.baseUrl = QStringLiteral("http://fuzz.example/");
    spec.saveDir = QStringLiteral("/tmp/");
    spec.head = part(0);
    spec.tail = part(1);
    spec.digits = digits;
    const QString startText = NormaliseSeriesNumber(part(2));
    const QString endText = NormaliseSeriesNumber(part(3));
    const std::optional<qint32> start = ParseSeriesNumber(startText);
    const std::optional<qint32> end = ParseSeriesNumber(endText);
    if (!start || !end) {
        (void)SeriesErrorMessage(start ? SeriesError::EndNotInteger : SeriesError::StartNotInteger,
                                 spec, start ? endText : startText);
        return 0;
    }
    spec.start = *start;
    spec.end = *end;
    (void)SeriesPreview(spec.head, spec.start, spec.end, spec.digits, spec.tail);
    const SeriesError error = CheckSeries(spec, 0);
    (void)SeriesErrorMessage(error, spec);
    const qint64 count = SeriesJobCount(spec.start, spec.end);
    if (count < 0)
        fuzzsupport::fail("negative job count");
    if (error != SeriesError::None || count > kMaxExpanded)
        return 0;
    const JobList jobs = ExpandSeries(spec);
    if (qint64(jobs.size()) != count)
        fuzzsupport::fail("expanded job count differs from SeriesJobCount");
    for (const Job& job : jobs)
        if (!job.status.isEmpty() || !job.url.startsWith(spec.baseUrl) ||
            !job.path.startsWith(spec.saveDir))
            fuzzsupport::fail("job outside its series");
    return 0;
}
