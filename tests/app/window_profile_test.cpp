// The window's hold on the profile folder without a window: what it reads at
// start, when it asks before writing, and what it leaves at close.
#include "app/job_grid.h"
#include "app/profile_session.h"
#include "app/window_profile.h"
#include "platform/profile_dir.h"
#include "settings/job_list_file.h"
#include "settings/settings_file.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

namespace {

std::vector<Job> Jobs(int count) {
    std::vector<Job> jobs;
    for (int n = 1; n <= count; ++n)
        jobs.push_back({QString(), QStringLiteral("http://h/%1.jpg").arg(n),
                        QStringLiteral("/tmp/p/%1.jpg").arg(n)});
    return jobs;
}

class WindowProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        previousHome = qgetenv("SERIFETCH_HOME");
        qputenv("SERIFETCH_HOME", home.path().toUtf8());
        profile = std::make_unique<WindowProfile>(
            grid,
            [this](const QString& question) {
                questions << question;
                return answer;
            },
            [this](const Settings& s) { shown.push_back(s); }, [this] { return current; });
    }
    void TearDown() override { qputenv("SERIFETCH_HOME", previousHome); }

    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir home;
    QByteArray previousHome;
    JobGrid grid;
    QStringList questions;
    bool answer = false;
    std::vector<Settings> shown;
    Settings current;
    std::unique_ptr<WindowProfile> profile;
};

TEST_F(WindowProfileTest, WritesNothingBeforeItWasOpened) {
    grid.Append(Jobs(2));
    profile->ListChanged();
    EXPECT_TRUE(profile->Close().isEmpty());
    EXPECT_FALSE(profile->SaveData().isEmpty());
    EXPECT_FALSE(profile->Loaded());
    EXPECT_FALSE(QFileInfo::exists(ProfileDir::jobListFilePath()));
    EXPECT_FALSE(QFileInfo::exists(ProfileDir::settingsFilePath()));
}

TEST_F(WindowProfileTest, AFirstStartLeavesAListBehindAndCloseStoresBoth) {
    grid.Append(Jobs(1)); // replaced by what the folder holds: nothing
    EXPECT_TRUE(profile->Open(std::make_unique<ProfileSession>()).isEmpty());
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].head, Settings().head);
    EXPECT_EQ(grid.JobCount(), 0);
    EXPECT_TRUE(QFileInfo::exists(ProfileDir::jobListFilePath()));

    grid.Append(Jobs(3));
    current.head = QStringLiteral("next");
    EXPECT_TRUE(profile->Close().isEmpty());
    EXPECT_EQ(JobListFile::load(ProfileDir::jobListFilePath()).jobs, Jobs(3));
    EXPECT_EQ(SettingsFile::load(ProfileDir::settingsFilePath()).settings.head, "next");
    EXPECT_TRUE(questions.isEmpty());
}

// A row emptied by hand hides the jobs after it: they are written over only
// once the user said yes, and the question comes with each save until then.
TEST_F(WindowProfileTest, JobsNotLoadedAreWrittenOverOnlyOnYes) {
    struct Row {
        const char* name;
        bool answer;
        bool saved;
    };
    for (const Row& row : {Row{"no keeps the file", false, false}, {"yes saves", true, true}}) {
        ASSERT_EQ(JobListFile::save(ProfileDir::jobListFilePath(), Jobs(4)), "");
        QByteArray bytes = Read(ProfileDir::jobListFilePath());
        bytes.replace("URL0002=http://h/2.jpg", "URL0002=");
        QFile file(ProfileDir::jobListFilePath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        questions.clear();
        answer = row.answer;
        const QStringList warnings = profile->Open(std::make_unique<ProfileSession>());
        EXPECT_EQ(warnings.size(), 1) << row.name;
        EXPECT_EQ(grid.JobCount(), 1) << row.name;
        EXPECT_TRUE(questions.isEmpty()) << row.name << ": asked before any save";

        const QByteArray before = Read(ProfileDir::jobListFilePath());
        EXPECT_EQ(profile->SaveData().isEmpty(), row.saved) << row.name;
        EXPECT_EQ(questions.size(), 1) << row.name;
        if (row.saved)
            EXPECT_EQ(JobListFile::load(ProfileDir::jobListFilePath()).jobs, Jobs(1)) << row.name;
        else
            EXPECT_EQ(Read(ProfileDir::jobListFilePath()), before) << row.name;
    }
}

} // namespace
