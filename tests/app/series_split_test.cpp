// What a pasted file URL makes of the series inputs, without a window: the
// folder proposed for the series, and the inputs after "Split" and after the
// server was asked.
#include "app/series_split.h"

#include <gtest/gtest.h>

namespace {

TEST(SeriesFolderFor, NamesAFolderOfItsOwnAfterTheUrlsLastFolder) {
    const struct {
        const char* saveDir;
        const char* baseUrl;
        const char* folder;
    } rows[] = {
        {"/home/u/pics/", "http://host/gallery/vol02/", "/home/u/pics/vol02/"},
        {"/home/u/pics", "http://host/gallery/vol02/", "/home/u/pics/vol02/"},
        // No folder in the URL: the host, without port or credentials.
        {"/home/u/pics/", "http://Host.Example:8080/", "/home/u/pics/host.example/"},
        {"/home/u/pics/", "http://user:pw@host/", "/home/u/pics/host/"},
        // A second file of a series already in its own folder stays there.
        {"/home/u/pics/vol02/", "http://host/gallery/vol02/", "/home/u/pics/vol02/"},
        {"/home/u/pics/vol02", "http://host/gallery/vol02/", "/home/u/pics/vol02"},
        {"/home/u/pics/vol02/", "http://host/gallery/vol03/", "/home/u/pics/vol02/vol03/"},
        // Only the whole name counts.
        {"/home/u/pics/xvol02/", "http://host/vol02/", "/home/u/pics/xvol02/vol02/"},
        {"/", "http://host/a/", "/a/"},
        // Escapes are read; none may lead out of the save folder.
        {"/d/", "http://host/photos%2C2020/", "/d/photos,2020/"},
        {"/d/", "http://host/a%2Fb/", "/d/a_b/"},
        {"/d/", "http://host/x/%2E%2E/", "/d/x/"},
        {"/d/", "http://host/../", "/d/host/"},
        {"/d/", "http://host/%E5%86%99%E7%9C%9F/", "/d/写真/"},
        // Double slashes in the path are no folder.
        {"/d/", "http://host/a//", "/d/a/"},
        // An empty save folder is the user's to fill.
        {"", "http://host/a/", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(SeriesFolderFor(QString::fromUtf8(row.saveDir), QString::fromUtf8(row.baseUrl)),
                  QString::fromUtf8(row.folder))
            << row.saveDir << " + " << row.baseUrl;
}

TEST(SeriesSplit, FillsTheInputsFromTheSplitOrFromWhatTheServerSaid) {
    const SeriesFields before{"http://old/a/", "x", 2, "01", "40", false, ".png", "/home/u/pics/"};
    const FileUrlParts pasted{"http://host/gallery/vol02/", "img_", 2, "07", ".jpg"};
    const auto found = [](QString head, int digits, qint64 first, qint64 last, QString error) {
        ProbedSeries s;
        s.head = head;
        s.digits = digits;
        s.first = first;
        s.last = last;
        s.error = error;
        return s;
    };
    const QString base = pasted.baseUrl;
    const QString folder = "/home/u/pics/vol02/";
    const struct {
        const char* name;
        std::optional<ProbedSeries> found; ///< nothing: "Split"
        SeriesFields after;
    } rows[] = {
        // The end is left open, its text kept for when the box is unticked.
        {"split", std::nullopt, {base, "img_", 2, "07", "40", true, ".jpg", folder}},
        {"found, padded",
         found("img_", 3, 1, 137, {}),
         {base, "img_", 3, "001", "137", false, ".jpg", folder}},
        {"found, unpadded",
         found("img_", 1, 0, 12, {}),
         {base, "img_", 1, "0", "12", false, ".jpg", folder}},
        {"found, padding 0 read as none",
         found("img_", 0, 5, 9, {}),
         {base, "img_", 1, "5", "9", false, ".jpg", folder}},
        {"not found: as the split",
         found("", 1, 0, 0, "404 Not Found"),
         {base, "img_", 2, "07", "40", true, ".jpg", folder}},
    };
    for (const auto& row : rows) {
        const SeriesFields after =
            row.found ? FoundFields(before, pasted, *row.found) : SplitFields(before, pasted);
        EXPECT_EQ(after, row.after) << row.name;
    }
}

} // namespace
