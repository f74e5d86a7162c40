// The profile file reader and the two files read through it: the input is
// the file's content, read as a profile, as the settings file and as the job
// list file.
#include "fuzz/fuzz_support.h"
#include "platform/profile_file.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

QString scratchPath(const char* name) {
    static const QString dir = [] {
        // In memory where there is a tmpfs: every save syncs its file.
        const QString base = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                       : QDir::tempPath();
        const QString path = base + QStringLiteral("/serifetch-fuzz-%1").arg(getpid());
        QDir().mkpath(path);
        static const std::string removeAtExit = path.toStdString();
        std::atexit([] { std::filesystem::remove_all(removeAtExit); });
        return path;
    }();
    return dir + '/' + QLatin1String(name);
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fuzzsupport::fail("cannot write the scratch file");
}

// A value written is the value read, before and after a save and a new parse.
void checkWriteReadsBack(ProfileFile& profile, const QString& section, const QString& key) {
    const QString value = QStringLiteral("fuzz value");
    profile.write(section, key, value);
    if (profile.read(section, key, QString()) != value)
        fuzzsupport::fail("written value not read back");
    const ProfileFile again = ProfileFile::fromBytes(profile.path(), profile.toBytes());
    if (again.read(section, key, QString()) != value)
        fuzzsupport::fail("written value not read back after a new parse");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::ensureApplication();
    const QByteArray bytes = fuzzsupport::bytesOf(data, size);

    ProfileFile profile = ProfileFile::fromBytes(scratchPath("profile.ini"), bytes);
    (void)profile.read(QStringLiteral("Server"), QStringLiteral("Host"), QString());
    (void)profile.readUtf8("Data0000", "URL0001", QString());
    checkWriteReadsBack(profile, QStringLiteral("Server"), QStringLiteral("Port"));
    checkWriteReadsBack(profile, QStringLiteral("Fuzz New Section"), QStringLiteral("Key"));

    const QString path = scratchPath("file.ini");
    writeFile(path, bytes);
    const SettingsFile::LoadResult settings = SettingsFile::load(path);
    (void)SettingsFile::store(scratchPath("settings-out.ini"), settings.settings);
    writeFile(path, bytes);
    const JobListFile::LoadResult jobs = JobListFile::load(path);
    (void)JobListFile::save(scratchPath("jobs-out.ini"), jobs.jobs);
    return 0;
}
