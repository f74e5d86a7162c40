// The built serifetch started while something else holds its profile folder.
#include "platform/profile_lock.h"
#include "tests/support/test_env.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct Ended {
    int exitCode = -1;
    QString err;
};

// Without a display, so that nothing can wait for a click.
Ended StartWindow(const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(QString::fromLatin1(name));
    env.insert("SERIFETCH_HOME", home);
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(SERIFETCH_PATH), {});
    Ended ended;
    if (!process.waitForFinished(20'000)) {
        process.kill();
        process.waitForFinished();
        return ended;
    }
    ended.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    ended.err = QString::fromUtf8(process.readAllStandardError());
    return ended;
}

TEST(StartupLock, AHeldProfileIsRefusedWithoutTouchingIt) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    ProfileLock cli(home.path());
    ASSERT_EQ(cli.tryLock(), ProfileLock::Result::Acquired);

    const Ended refused = StartWindow(home.path());
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(
        QStringLiteral("in use by process %1").arg(QCoreApplication::applicationPid())))
        << refused.err.toStdString();
    EXPECT_EQ(refused.err.count('\n'), 1) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath("serifech.ini")));

    // Once it is free, the start goes on as far as the missing display.
    cli.unlock();
    const Ended free = StartWindow(home.path());
    EXPECT_EQ(free.exitCode, 1);
    EXPECT_FALSE(free.err.contains("in use")) << free.err.toStdString();
    EXPECT_TRUE(free.err.contains("no display")) << free.err.toStdString();
}

} // namespace
