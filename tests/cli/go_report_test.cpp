// The progress line's cut to the terminal's width, counted in cells.
#include "cli/go_report.h"

#include <gtest/gtest.h>

TEST(GoReport, FitToColumnsCountsCellsNotCharacters) {
    const struct {
        const char* text;
        int columns;
        const char* fitted;
    } cases[] = {
        {"f001.bin 100%", 20, "f001.bin 100%"},
        {"f001.bin 100%", 4, "f001"},
        {"f001.bin", 0, ""},
        // Wide characters take two cells: none is cut in half.
        {"日本語.jpg", 5, "日本"},
        {"日本語.jpg", 6, "日本語"},
        // A combining accent takes no cell and stays with its letter.
        {"e\u0301te\u0301", 2, "e\u0301t"},
        // A character outside the BMP is one character of two UTF-16 units.
        {"\U0001F600ab", 3, "\U0001F600a"},
        {"\U0001F600ab", 1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FitToColumns(QString::fromUtf8(c.text), c.columns), QString::fromUtf8(c.fitted));
    }
}
