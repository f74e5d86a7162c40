// Part file names and the refusals of a part file, without sockets.
#include "http/part_file.h"

#include <QDir>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>

TEST(PartFile, PartNameStaysWithinTheNameLimitAndIsTheSameForTheSameTarget) {
    const QString han = QString::fromUtf8("\xe5\x86\x99"); // 3 bytes in UTF-8
    const struct {
        const char* name;
        QString target;
        QString part; ///< empty: shortened, checked by its shape
    } rows[] = {
        {"short", "/d/a.jpg", "/d/a.jpg.part"},
        {"no folder", "a.jpg", "a.jpg.part"},
        {"250 bytes: the part name is 255", "/d/" + QString(246, 'x') + ".jpg",
         "/d/" + QString(246, 'x') + ".jpg.part"},
        // The hash of the whole name is pinned: a part name that changed
        // between versions would orphan the files of an earlier run.
        {"251 bytes", "/d/" + QString(247, 'x') + ".jpg",
         "/d/" + QString(233, 'x') + ".a72fe3ebafc9a845.part"},
        {"255 bytes", "/d/" + QString(251, 'x') + ".jpg", ""},
        {"multibyte, the cut inside a character", "/d/" + han.repeated(85), ""},
        {"multibyte, 84 characters and a dot", "/d/" + han.repeated(84) + "...", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString part = PartFile::PartName(row.target);
        EXPECT_EQ(part, PartFile::PartName(row.target));
        const QString folder = row.target.left(row.target.lastIndexOf('/') + 1);
        const QByteArray name = part.mid(folder.size()).toUtf8();
        EXPECT_TRUE(part.startsWith(folder));
        EXPECT_LE(name.size(), PartFile::NameMax);
        EXPECT_TRUE(name.endsWith(".part"));
        EXPECT_FALSE(part.contains(QChar::ReplacementCharacter)) << "cut inside a character";
        if (!row.part.isEmpty()) {
            EXPECT_EQ(part, row.part);
        } else {
            // The start of the name, as much as leaves room for the hash.
            const QString kept = part.mid(folder.size()).chopped(22);
            EXPECT_TRUE(row.target.mid(folder.size()).startsWith(kept));
            EXPECT_GE(name.size(), PartFile::NameMax - 2);
        }
    }
    // Long names that differ only after the cut keep apart.
    const QString start = "/d/" + QString(240, 'x');
    EXPECT_NE(PartFile::PartName(start + "-01.jpg"), PartFile::PartName(start + "-02.jpg"));
}

// A refusal names the path and the system's reason, each in its own place.
TEST(PartFile, RefusalsNameThePathAndTheSystemsReason) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto reason = [](int error) { return QString::fromLocal8Bit(std::strerror(error)); };
    const QString missing = dir.filePath("gone/100%2 a.jpg");
    const QString target = dir.filePath("t%1.jpg");
    const struct {
        const char* rule;
        std::function<void()> act;
        QString message;
    } rows[] = {
        {"no folder for the part file", [&] { PartFile part(missing); },
         "Cannot create file \"" + missing + ".part\": " + reason(ENOENT)},
        {"a folder came into the target's place",
         [&] {
             PartFile part(target);
             ASSERT_TRUE(QDir().mkdir(target));
             part.commit();
         },
         "Cannot save to \"" + target + "\": " + reason(EISDIR)},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.rule);
        try {
            row.act();
            ADD_FAILURE() << "no refusal";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(QString::fromStdString(e.what()), row.message);
        }
    }
}
