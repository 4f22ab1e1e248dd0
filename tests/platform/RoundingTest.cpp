#include "platform/Rounding.h"

#include <gtest/gtest.h>

TEST(Rounding, HalvesGoToEven)
{
    EXPECT_EQ(RoundHalfEven(0.5), 0);
    EXPECT_EQ(RoundHalfEven(1.5), 2);
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(-0.5), 0);
    EXPECT_EQ(RoundHalfEven(-1.5), -2);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.4999), 2);
    EXPECT_EQ(RoundHalfEven(-2.5001), -3);
}

TEST(Rounding, OutOfRangeSaturates)
{
    EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
    EXPECT_EQ(RoundHalfEven(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(RoundHalfEven(-1e300), std::numeric_limits<int64_t>::min());
}

TEST(Rounding, MulDivIsExact)
{
    EXPECT_EQ(MulDivRoundHalfEven(1, 1, 2), 0);
    EXPECT_EQ(MulDivRoundHalfEven(3, 1, 2), 2);
    EXPECT_EQ(MulDivRoundHalfEven(5, 1, 2), 2);
    EXPECT_EQ(MulDivRoundHalfEven(-3, 1, 2), -2);
    EXPECT_EQ(MulDivRoundHalfEven(7, 1, -2), -4);
    EXPECT_EQ(MulDivRoundHalfEven(254, 425, 100), 1080); // 1079.5 -> 1080
    EXPECT_EQ(MulDivRoundHalfEven(1, 5, 0), 0);
    EXPECT_EQ(MulDivRoundHalfEven(INT64_MAX, 2, 2), INT64_MAX);
}
