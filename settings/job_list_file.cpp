#include "settings/job_list_file.h"

#include "platform/int_to_str_l.h"
#include "platform/profile_file.h"

namespace {

constexpr int kWidth = 4;

struct RowKeys {
    QString section;
    QString status;
    QString url;
    QString path;
};

RowKeys keysOf(qint64 row) {
    const QString number = IntToStrL(row, kWidth);
    return {JobListFile::sectionName(row), QStringLiteral("Status") + number,
            QStringLiteral("URL") + number, QStringLiteral("Path") + number};
}

void writeRow(ProfileFile& file, qint64 row, const Job& job) {
    const RowKeys k = keysOf(row);
    file.write(k.section, k.status, job.status);
    file.write(k.section, k.url, job.url);
    file.write(k.section, k.path, job.path);
}

} // namespace

QString JobListFile::sectionName(qint64 row) {
    return QStringLiteral("Data") + IntToStrL(row / 100 * 100, kWidth);
}

JobListFile::LoadResult JobListFile::load(const QString& path) {
    LoadResult result;
    const ProfileFile file(path);
    result.error = file.error();
    for (qint64 row = 1;; ++row) {
        const RowKeys k = keysOf(row);
        Job job;
        job.status = file.read(k.section, k.status, QString());
        job.url = file.read(k.section, k.url, QString());
        job.path = file.read(k.section, k.path, QString());
        if (job.url.isEmpty())
            break;
        result.jobs.push_back(std::move(job));
    }
    return result;
}

QString JobListFile::save(const QString& path, const std::vector<Job>& jobs, TrailingRow trailing) {
    ProfileFile file(path);
    qint64 row = 1;
    for (const Job& job : jobs)
        writeRow(file, row++, job);
    if (trailing == TrailingRow::Present || jobs.empty())
        writeRow(file, row++, Job{});
    writeRow(file, row, Job{});
    return file.save();
}
