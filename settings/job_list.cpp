#include "settings/job_list.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The marks of the Status cell as the list file stores them, by Mark. The
// run's own names for them are in app/status_mark.h; a test holds the two
// together.
const std::array<QByteArrayView, 7> kMarkUtf8 = {
    "", "\xE2\x97\x8B", "\xE2\x86\x93", "\xE2\x96\xB2", "\xE2\x96\xBD", "\xE2\x96\xBC", "\xC3\x97",
};

const std::array<QString, 7>& markTexts() {
    static const std::array<QString, 7> texts = [] {
        std::array<QString, 7> t;
        for (size_t i = 0; i < t.size(); ++i)
            t[i] = QString::fromUtf8(kMarkUtf8[i]);
        return t;
    }();
    return texts;
}

// Where a URL or path is split: after its last "/", so that a folder is the
// shared part and a file name the rest.
qsizetype splitAt(QByteArrayView utf8) {
    return utf8.lastIndexOf('/') + 1;
}

} // namespace

JobList::JobList(std::initializer_list<Job> jobs) {
    for (const Job& job : jobs)
        push_back(job);
}

JobList::JobList(const std::vector<Job>& jobs) {
    reserve(jobs.size());
    for (const Job& job : jobs)
        push_back(job);
}

JobList::Mark JobList::markOf(QByteArrayView utf8) {
    for (size_t i = 0; i < kMarkUtf8.size(); ++i)
        if (utf8 == kMarkUtf8[i])
            return Mark(i);
    return Mark::Other;
}

QByteArrayView JobList::tailOf(quint64 offset, quint32 size) const {
    return {arena_.data() + offset, qsizetype(size)};
}

QString JobList::join(const Prefix& prefix, QByteArrayView tail) {
    if (tail.isEmpty())
        return prefix.text;
    if (prefix.text.isEmpty())
        return QString::fromUtf8(tail);
    QString text;
    text.reserve(prefix.text.size() + tail.size());
    text.append(prefix.text).append(QString::fromUtf8(tail));
    return text;
}

Job JobList::operator[](size_t i) const {
    return Job{status(i), url(i), path(i), reason(i)};
}

JobList::Mark JobList::mark(size_t i) const {
    return Mark(records_[i].mark);
}

QByteArrayView JobList::statusUtf8(size_t i) const {
    const Record& r = records_[i];
    if (Mark(r.mark) == Mark::Other)
        return texts_[r.otherMark].utf8;
    return kMarkUtf8[r.mark];
}

QString JobList::status(size_t i) const {
    const Record& r = records_[i];
    if (Mark(r.mark) == Mark::Other)
        return QString::fromUtf8(texts_[r.otherMark].utf8);
    return markTexts()[r.mark];
}

JobList::Utf8 JobList::urlUtf8(size_t i) const {
    const Record& r = records_[i];
    return {prefixes_[r.urlPrefix].utf8, tailOf(r.offset, r.urlTail)};
}

JobList::Utf8 JobList::pathUtf8(size_t i) const {
    const Record& r = records_[i];
    if (r.pathTail == kSharedTail)
        return {prefixes_[r.pathPrefix].utf8, tailOf(r.offset, r.urlTail)};
    return {prefixes_[r.pathPrefix].utf8, tailOf(r.offset + r.urlTail, r.pathTail)};
}

QString JobList::url(size_t i) const {
    const Record& r = records_[i];
    return join(prefixes_[r.urlPrefix], urlUtf8(i).tail);
}

QString JobList::path(size_t i) const {
    return join(prefixes_[records_[i].pathPrefix], pathUtf8(i).tail);
}

QByteArrayView JobList::reasonUtf8(size_t i) const {
    const Record& r = records_[i];
    return r.reason == 0 ? QByteArrayView() : QByteArrayView(texts_[r.reason - 1].utf8);
}

QString JobList::reason(size_t i) const {
    return QString::fromUtf8(reasonUtf8(i));
}

quint32 JobList::prefixOf(QByteArrayView utf8, quint32& last) {
    // A list is built folder by folder: the last prefix is nearly always
    // the one wanted.
    if (prefixes_[last].utf8 == utf8)
        return last;
    auto it = prefixIndex_.constFind(utf8.toByteArray());
    if (it == prefixIndex_.cend()) {
        const QByteArray bytes = utf8.toByteArray();
        it = prefixIndex_.insert(bytes, quint32(prefixes_.size()));
        prefixes_.push_back(Prefix{bytes, QString::fromUtf8(bytes)});
    }
    return last = *it;
}

quint32 JobList::keepText(QByteArrayView utf8) {
    const QByteArray bytes = utf8.toByteArray();
    auto it = textIndex_.constFind(bytes);
    quint32 index = 0;
    if (it != textIndex_.cend()) {
        index = *it;
    } else if (!freeTexts_.empty()) {
        index = freeTexts_.back();
        freeTexts_.pop_back();
        texts_[index].utf8 = bytes;
        textIndex_.insert(bytes, index);
    } else {
        index = quint32(texts_.size());
        texts_.push_back(Text{bytes, 0});
        textIndex_.insert(bytes, index);
    }
    ++texts_[index].uses;
    return index;
}

void JobList::dropText(quint32 index) {
    Text& text = texts_[index];
    if (--text.uses > 0)
        return;
    textIndex_.remove(text.utf8);
    text.utf8 = QByteArray();
    freeTexts_.push_back(index);
}

void JobList::setMark(Record& r, QByteArrayView utf8) {
    const Mark mark = markOf(utf8);
    if (Mark(r.mark) == Mark::Other)
        dropText(r.otherMark);
    r.otherMark = mark == Mark::Other ? keepText(utf8) : kNoText;
    r.mark = quint32(mark);
}

void JobList::setReasonText(Record& r, QByteArrayView utf8) {
    if (r.reason != 0)
        dropText(r.reason - 1);
    r.reason = utf8.isEmpty() ? 0 : keepText(utf8) + 1;
}

JobList::Validators JobList::validators(size_t i) const {
    if (validators_.isEmpty())
        return {};
    const Utf8 u = urlUtf8(i);
    return validatorsOf(u.head.toByteArray().append(u.tail));
}

JobList::Validators JobList::validatorsOf(QByteArrayView url) const {
    return validators_.value(url.toByteArray());
}

void JobList::setValidators(QByteArrayView url, const Validators& v) {
    if (v.empty())
        validators_.remove(url.toByteArray());
    else
        validators_.insert(url.toByteArray(), v);
}

void JobList::setStatus(size_t i, const QString& mark) {
    setMark(records_[i], mark.toUtf8());
}

void JobList::setReason(size_t i, const QString& reason) {
    setReasonText(records_[i], reason.toUtf8());
}

void JobList::push_back(const Job& job) {
    append(job.status.toUtf8(), job.url.toUtf8(), job.path.toUtf8(), job.reason.toUtf8());
}

void JobList::append(QByteArrayView mark, QByteArrayView url, QByteArrayView path,
                     QByteArrayView reason) {
    const qsizetype urlSplit = splitAt(url);
    const qsizetype pathSplit = splitAt(path);
    const QByteArrayView urlTail = url.sliced(urlSplit);
    const QByteArrayView pathTail = path.sliced(pathSplit);
    Record r;
    r.urlPrefix = prefixOf(url.first(urlSplit), lastUrlPrefix_);
    r.pathPrefix = prefixOf(path.first(pathSplit), lastPathPrefix_);
    r.offset = arena_.size();
    r.urlTail = quint32(urlTail.size());
    arena_.insert(arena_.end(), urlTail.begin(), urlTail.end());
    if (pathTail == urlTail) {
        r.pathTail = kSharedTail;
    } else {
        r.pathTail = quint32(pathTail.size());
        arena_.insert(arena_.end(), pathTail.begin(), pathTail.end());
    }
    setMark(r, mark);
    setReasonText(r, reason);
    records_.push_back(r);
}

void JobList::append(JobList&& other) {
    if (empty()) {
        std::swap(*this, other);
        return;
    }
    append(std::as_const(other));
}

void JobList::append(const JobList& other) {
    const size_t count = other.size();
    reserve(count);
    // Rebuilt from the pieces, so the prefixes are this list's own.
    QByteArray url, path;
    for (size_t i = 0; i < count; ++i) {
        const Utf8 u = other.urlUtf8(i);
        const Utf8 p = other.pathUtf8(i);
        url.resize(0);
        url.append(u.head).append(u.tail);
        path.resize(0);
        path.append(p.head).append(p.tail);
        append(other.statusUtf8(i), url, path, other.reasonUtf8(i));
        if (!other.validators_.isEmpty())
            if (const auto it = other.validators_.constFind(url); it != other.validators_.cend())
                validators_.insert(url, *it);
    }
    for (const OpenSeries& series : other.openSeries_)
        addOpenSeries(series);
}

void JobList::addOpenSeries(const OpenSeries& series) {
    if (std::find(openSeries_.begin(), openSeries_.end(), series) == openSeries_.end())
        openSeries_.push_back(series);
}

bool JobList::removeOpenSeries(const OpenSeries& series) {
    return std::erase(openSeries_, series) > 0;
}

void JobList::erase(size_t first, size_t last) {
    last = std::min(last, size());
    if (first >= last)
        return;
    // A job listed again later under the same URL may save another file:
    // what identified the deleted job's file does not carry over to it.
    if (!validators_.isEmpty())
        for (size_t i = first; i < last; ++i) {
            const Utf8 u = urlUtf8(i);
            validators_.remove(u.head.toByteArray().append(u.tail));
        }
    for (size_t i = first; i < last; ++i) {
        Record& r = records_[i];
        if (Mark(r.mark) == Mark::Other)
            dropText(r.otherMark);
        if (r.reason != 0)
            dropText(r.reason - 1);
        deadBytes_ += r.urlTail + (r.pathTail == kSharedTail ? 0 : r.pathTail);
    }
    records_.erase(records_.begin() + qsizetype(first), records_.begin() + qsizetype(last));
    if (records_.empty()) {
        clear();
        return;
    }
    // Deleting rows leaves their bytes behind: once they are the most of
    // the arena, it is packed again.
    if (deadBytes_ > arena_.size() / 2)
        compact();
}

void JobList::compact() {
    std::vector<char> packed;
    packed.reserve(arena_.size() - deadBytes_);
    for (Record& r : records_) {
        const quint64 size = r.urlTail + (r.pathTail == kSharedTail ? 0 : r.pathTail);
        const quint64 at = packed.size();
        packed.insert(packed.end(), arena_.begin() + qsizetype(r.offset),
                      arena_.begin() + qsizetype(r.offset + size));
        r.offset = at;
    }
    arena_ = std::move(packed);
    deadBytes_ = 0;
}

void JobList::clear() {
    *this = JobList();
}

void JobList::reserve(size_t jobs, size_t bytesPerJob) {
    records_.reserve(records_.size() + jobs);
    // Only a hint: a product beyond what could ever be held is not asked for.
    if (bytesPerJob > 0 && jobs <= (arena_.max_size() - arena_.size()) / bytesPerJob / 2)
        arena_.reserve(arena_.size() + jobs * bytesPerJob);
}

qint64 JobList::bytesHeld() const {
    qint64 bytes = qint64(records_.capacity()) * qint64(sizeof(Record)) + qint64(arena_.capacity());
    for (const Prefix& p : prefixes_)
        bytes += p.utf8.capacity() + p.text.capacity() * 2 + qint64(sizeof(Prefix));
    for (const Text& t : texts_)
        bytes += t.utf8.capacity() + qint64(sizeof(Text));
    return bytes;
}

std::vector<Job> JobList::toVector() const {
    return {begin(), end()};
}

bool operator==(const JobList& a, const JobList& b) {
    if (a.size() != b.size() || a.openSeries_ != b.openSeries_)
        return false;
    const auto same = [](JobList::Utf8 x, JobList::Utf8 y) {
        return x.head.size() + x.tail.size() == y.head.size() + y.tail.size() &&
               x.head.toByteArray().append(x.tail) == y.head.toByteArray().append(y.tail);
    };
    for (size_t i = 0; i < a.size(); ++i)
        if (a.statusUtf8(i) != b.statusUtf8(i) || a.reasonUtf8(i) != b.reasonUtf8(i) ||
            !same(a.urlUtf8(i), b.urlUtf8(i)) || !same(a.pathUtf8(i), b.pathUtf8(i)) ||
            a.validators(i) != b.validators(i))
            return false;
    return true;
}
