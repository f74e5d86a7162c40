#include "platform/int_to_str_l.h"

#include <gtest/gtest.h>

// Pads to the width and never cuts; width zero leaves the number out, a
// negative width pads nothing.
TEST(IntToStrL, PadsToTheWidthNeverCutsAndWidthZeroLeavesTheNumberOut) {
    const struct {
        int number;
        int width;
        const char* text;
    } cases[] = {
        {1, 2, "01"},   {12, 2, "12"},       {100, 2, "100"},
        {7, 4, "0007"}, {10000, 4, "10000"}, {5, 0, ""},
        {0, 0, ""},     {5, -3, "5"},        {2147483647, 2, "2147483647"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IntToStrL(c.number, c.width), c.text) << c.number << " width " << c.width;
}
