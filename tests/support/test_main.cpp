// Shared main of every test executable: a headless QApplication, a private
// runtime folder, a throw-away profile folder and download folder, and
// Japanese texts, whatever the caller's environment says.
#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The texts the tests pin are the Japanese source texts; a test of the
    // English window or command line sets the language itself.
    qputenv("LANGUAGE", "ja");
    QTemporaryDir scratch;
    const QString runtime = scratch.path() + "/runtime";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qputenv("SERIFETCH_HOME", (scratch.path() + "/home").toLocal8Bit());
    // The default save folder is made when List Up first uses it: here, not
    // in the user's own download folder.
    const QString config = scratch.path() + "/config";
    QDir().mkpath(config);
    QFile dirs(config + "/user-dirs.dirs");
    if (dirs.open(QIODevice::WriteOnly))
        dirs.write("XDG_DOWNLOAD_DIR=\"" + (scratch.path() + "/Downloads").toLocal8Bit() + "\"\n");
    dirs.close();
    qputenv("XDG_CONFIG_HOME", config.toLocal8Bit());

    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
