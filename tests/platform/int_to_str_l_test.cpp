#include "platform/int_to_str_l.h"

#include <gtest/gtest.h>

TEST(IntToStrL, PadsToTheWidthAndNeverCuts) {
    EXPECT_EQ(IntToStrL(1, 2), "01");
    EXPECT_EQ(IntToStrL(12, 2), "12");
    EXPECT_EQ(IntToStrL(100, 2), "100");
    EXPECT_EQ(IntToStrL(7, 4), "0007");
    EXPECT_EQ(IntToStrL(10000, 4), "10000");
}

TEST(IntToStrL, WidthZeroLeavesTheNumberOut) {
    EXPECT_EQ(IntToStrL(5, 0), "");
    EXPECT_EQ(IntToStrL(0, 0), "");
}

TEST(IntToStrL, NegativeWidthPadsNothing) {
    EXPECT_EQ(IntToStrL(5, -3), "5");
    EXPECT_EQ(IntToStrL(2147483647, 2), "2147483647");
}
