#pragma once

#include "settings/job.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <vector>

/// The jobs of a list, held compactly: a list of a million jobs has to fit
/// in a few tens of megabytes. A job is a fixed record of 32 bytes; its URL
/// and path are kept as UTF-8, split after their last "/" into a prefix
/// shared by every job of the same folder (a List Up has one base URL and
/// one save folder) and the rest, which the path shares with the URL when
/// they end in the same file name. The six marks and the empty one are a
/// number; another mark (one read from a hand-edited file) and the reasons
/// are kept once per distinct text.
///
/// Jobs are read as `Job` values or field by field; there are no references
/// into the store.
class JobList {
public:
    /// The marks a record stores as a number; any other text is Other.
    enum class Mark : quint8 { None, Done, Requested, Skipped, Small, Failed, GivenUp, Other };

    JobList() = default;
    JobList(std::initializer_list<Job> jobs);
    /// From plain jobs, for short lists built in code.
    JobList(const std::vector<Job>& jobs); // NOLINT(google-explicit-constructor)

    size_t size() const { return records_.size(); }
    bool empty() const { return records_.empty(); }

    /// The job at `i` (requires i < size()) as a value.
    Job operator[](size_t i) const;
    QString status(size_t i) const;
    QString url(size_t i) const;
    QString path(size_t i) const;
    QString reason(size_t i) const;
    /// The mark of job `i` as a number: cheap enough to scan a whole list.
    Mark mark(size_t i) const;
    static Mark markOf(QByteArrayView utf8);

    /// What identifies the file a job saved, for asking the server whether
    /// it changed since: the reply's ETag and Last-Modified, as sent.
    struct Validators {
        QByteArray etag;
        QByteArray lastModified;
        bool empty() const { return etag.isEmpty() && lastModified.isEmpty(); }
        friend bool operator==(const Validators&, const Validators&) = default;
    };
    /// Kept by URL rather than by row, so that deleting or moving rows never
    /// hands one file's validators to another, and dropped with the job;
    /// empty when none are known.
    Validators validators(size_t i) const;
    Validators validatorsOf(QByteArrayView url) const;
    /// Empty validators forget the URL's.
    void setValidators(QByteArrayView url, const Validators& v);
    bool hasValidators() const { return !validators_.isEmpty(); }

    void setStatus(size_t i, const QString& mark);
    void setReason(size_t i, const QString& reason);

    /// Appends one job; the UTF-8 overload is the way in for the file and
    /// for a series, without a QString per text.
    void push_back(const Job& job);
    void append(QByteArrayView mark, QByteArrayView url, QByteArrayView path,
                QByteArrayView reason = {});
    /// Appends every job of `other` (taken over whole when this list is
    /// empty), with the validators of its jobs.
    void append(JobList&& other);
    void append(const JobList& other);
    /// Removes jobs first..last - 1.
    void erase(size_t first, size_t last);
    void clear();
    /// Room for `jobs` more jobs whose texts take about `bytesPerJob` beyond
    /// their shared prefixes.
    void reserve(size_t jobs, size_t bytesPerJob = 0);

    /// A text as UTF-8, in at most two pieces (a URL's or path's prefix and
    /// the rest), for writing a list out without converting it.
    struct Utf8 {
        QByteArrayView head;
        QByteArrayView tail;
    };
    QByteArrayView statusUtf8(size_t i) const;
    Utf8 urlUtf8(size_t i) const;
    Utf8 pathUtf8(size_t i) const;
    QByteArrayView reasonUtf8(size_t i) const;

    /// The memory the list holds (records, texts, tables), for benchmarks.
    qint64 bytesHeld() const;

    std::vector<Job> toVector() const;

    /// The series whose end a run is still to find; each at most once.
    /// They come along when a list is appended, and go with clear().
    const std::vector<OpenSeries>& openSeries() const { return openSeries_; }
    void addOpenSeries(const OpenSeries& series);
    /// False when the list did not hold it.
    bool removeOpenSeries(const OpenSeries& series);
    friend bool operator==(const JobList& a, const JobList& b);

    /// Reads jobs as values, so `for (const Job& job : list)` works as for a
    /// vector.
    class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = Job;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = Job;

        Iterator() = default;
        Iterator(const JobList* list, size_t at)
            : list_(list)
            , at_(at) {}
        Job operator*() const { return (*list_)[at_]; }
        Job operator[](difference_type n) const {
            return (*list_)[size_t(difference_type(at_) + n)];
        }
        Iterator& operator++() { return ++at_, *this; }
        Iterator operator++(int) { return {list_, at_++}; }
        Iterator& operator--() { return --at_, *this; }
        Iterator operator--(int) { return {list_, at_--}; }
        Iterator& operator+=(difference_type n) {
            return at_ = size_t(difference_type(at_) + n), *this;
        }
        Iterator& operator-=(difference_type n) { return *this += -n; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(Iterator a, Iterator b) {
            return difference_type(a.at_) - difference_type(b.at_);
        }
        friend bool operator==(Iterator a, Iterator b) { return a.at_ == b.at_; }
        friend auto operator<=>(Iterator a, Iterator b) { return a.at_ <=> b.at_; }

    private:
        const JobList* list_ = nullptr;
        size_t at_ = 0;
    };
    using const_iterator = Iterator;
    using iterator = Iterator;
    using value_type = Job;
    Iterator begin() const { return {this, 0}; }
    Iterator end() const { return {this, size()}; }

private:
    static constexpr quint32 kSharedTail = 0xFFFFFFFFu;
    static constexpr quint32 kNoText = 0xFFFFFFFFu;

    struct Record {
        quint64 offset = 0;    // of the URL's tail in arena_, the path's after it
        quint32 urlPrefix = 0; // index in prefixes_
        quint32 pathPrefix = 0;
        quint32 urlTail = 0;         // bytes
        quint32 pathTail = 0;        // bytes, or kSharedTail: the same as the URL's
        quint32 otherMark = kNoText; // index in texts_ for Mark::Other
        quint32 reason : 24 = 0;     // index in texts_ + 1; 0 for none
        quint32 mark : 8 = 0;        // a Mark
    };
    static_assert(sizeof(Record) == 32);

    struct Prefix {
        QByteArray utf8;
        QString text;
    };
    // A mark or reason, kept once while some job has it.
    struct Text {
        QByteArray utf8;
        quint32 uses = 0;
    };

    quint32 prefixOf(QByteArrayView utf8, quint32& last);
    quint32 keepText(QByteArrayView utf8);
    void dropText(quint32 index);
    void setMark(Record& r, QByteArrayView utf8);
    void setReasonText(Record& r, QByteArrayView utf8);
    QByteArrayView tailOf(quint64 offset, quint32 size) const;
    static QString join(const Prefix& prefix, QByteArrayView tail);
    void compact();

    std::vector<Record> records_;
    std::vector<char> arena_;
    quint64 deadBytes_ = 0; // in arena_, of erased jobs
    std::vector<Prefix> prefixes_{Prefix{}};
    QHash<QByteArray, quint32> prefixIndex_{{QByteArray(), 0}};
    quint32 lastUrlPrefix_ = 0;
    quint32 lastPathPrefix_ = 0;
    std::vector<Text> texts_;
    std::vector<quint32> freeTexts_;
    QHash<QByteArray, quint32> textIndex_;
    std::vector<OpenSeries> openSeries_;
    QHash<QByteArray, Validators> validators_; // by URL, as UTF-8
};
