#include "settings/job_list_file.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"
#include "settings/job_list_journal.h"

#include <QFile>
#include <QStringBuilder>
#include <QVarLengthArray>
#include <algorithm>

namespace {

constexpr int kWidth = 4;

// The names of one row's section and keys, as UTF-8. A long list runs through
// hundreds of thousands of them, so they are built in place; the section name
// changes once every hundred rows.
class RowNames {
public:
    void setRow(qint64 row) {
        if (row / 100 != hundred_) {
            hundred_ = row / 100;
            section_ = JobListFile::sectionName(row).toLatin1();
        }
        const QString number = IntToStrL(row, kWidth);
        set(status_, "Status", number);
        set(url_, "URL", number);
        set(path_, "Path", number);
        set(reason_, "Reason", number);
    }
    QByteArrayView section() const { return section_; }
    QByteArrayView status() const { return view(status_); }
    QByteArrayView url() const { return view(url_); }
    QByteArrayView path() const { return view(path_); }
    QByteArrayView reason() const { return view(reason_); }

private:
    using Name = QVarLengthArray<char, 32>;
    static void set(Name& name, QByteArrayView prefix, const QString& number) {
        name.resize(prefix.size() + number.size());
        char* out = std::copy(prefix.begin(), prefix.end(), name.begin());
        for (QChar digit : number)
            *out++ = char(digit.unicode());
    }
    static QByteArrayView view(const Name& name) { return {name.constData(), name.size()}; }

    qint64 hundred_ = -1;
    QByteArray section_;
    Name status_, url_, path_, reason_;
};

// Stands for a key that is not in the file at all.
const QString kMissing = QStringLiteral("\n");

void writeRow(ProfileFile& file, RowNames& names, qint64 row, const Job& job) {
    names.setRow(row);
    file.writeUtf8(names.section(), names.status(), job.status);
    file.writeUtf8(names.section(), names.url(), job.url);
    file.writeUtf8(names.section(), names.path(), job.path);
    // Only failed rows carry the key; a reason left from an earlier save of
    // the row is emptied rather than left to be read as this job's.
    if (!job.reason.isEmpty() ||
        file.readUtf8(names.section(), names.reason(), kMissing) != kMissing)
        file.writeUtf8(names.section(), names.reason(), job.reason);
}

// The end of a list as save() writes it: the three keys there, all empty.
bool isWrittenEnd(const ProfileFile& file, const RowNames& names) {
    return file.readUtf8(names.section(), names.status(), kMissing).isEmpty() &&
           file.readUtf8(names.section(), names.url(), kMissing).isEmpty() &&
           file.readUtf8(names.section(), names.path(), kMissing).isEmpty();
}

bool isFailureMark(const QString& mark) {
    return mark == QStringLiteral("▼") || mark == QStringLiteral("×");
}

void countUnloaded(const ProfileFile& file, RowNames& names, qint64 gapRow,
                   JobListFile::LoadResult& result) {
    // Up to the end the last save wrote; a second row missing altogether ends
    // the count too, so a file with no end at all is not read for ever.
    for (qint64 row = gapRow + 1;; ++row) {
        names.setRow(row);
        const QString url = file.readUtf8(names.section(), names.url(), kMissing);
        if (url == kMissing || isWrittenEnd(file, names))
            break;
        if (!url.isEmpty())
            ++result.unloadedJobs;
    }
    if (result.unloadedJobs > 0)
        result.gapRow = gapRow;
}

} // namespace

QString JobListFile::sectionName(qint64 row) {
    return u"Data" % IntToStrL(row / 100 * 100, kWidth);
}

JobListFile::LoadResult JobListFile::load(const QString& path) {
    LoadResult result;
    const ProfileFile file(path);
    result.error = file.error();
    RowNames names;
    for (qint64 row = 1;; ++row) {
        names.setRow(row);
        Job job;
        job.status = file.readUtf8(names.section(), names.status(), QString());
        job.url = file.readUtf8(names.section(), names.url(), QString());
        job.path = file.readUtf8(names.section(), names.path(), QString());
        if (job.url.isEmpty()) {
            if (!isWrittenEnd(file, names))
                countUnloaded(file, names, row, result);
            break;
        }
        if (isFailureMark(job.status))
            job.reason = file.readUtf8(names.section(), names.reason(), QString());
        result.jobs.push_back(std::move(job));
    }
    if (result.error.isEmpty())
        result.journalledMarks = JobListJournal::apply(path, result.jobs);
    return result;
}

QString JobListFile::LoadResult::unloadedWarning() const {
    if (unloadedJobs == 0)
        return {};
    return QStringLiteral("The job list stops at row %1, which is empty, but %2 more job(s) "
                          "follow it in the file; they were not loaded. Saving the list writes "
                          "over them.")
        .arg(gapRow)
        .arg(unloadedJobs);
}

QString JobListFile::save(const QString& path, const std::vector<Job>& jobs, TrailingRow trailing) {
    ProfileFile file(path);
    RowNames names;
    qint64 row = 1;
    for (const Job& job : jobs)
        writeRow(file, names, row++, job);
    if (trailing == TrailingRow::Present || jobs.empty())
        writeRow(file, names, row++, Job{});
    writeRow(file, names, row, Job{});
    QString problem = file.save();
    if (problem.isEmpty())
        JobListJournal::listSaved(path);
    return problem;
}
