#include "platform/MulDiv.h"

#include <gtest/gtest.h>

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
  EXPECT_EQ(MulDiv(3, 1, 2), 2);
  EXPECT_EQ(MulDiv(-3, 1, 2), -2);
  EXPECT_EQ(MulDiv(5, 1, 4), 1);
  EXPECT_EQ(MulDiv(7, 1, -4), -2);
  EXPECT_EQ(MulDiv(1000000, 1000000, 40000), 25000000);
}

TEST(MulDiv, KeepsTheProductInSixtyFourBits)
{
  EXPECT_EQ(MulDiv(2000000000, 2000000000, 2000000000), 2000000000);
  EXPECT_EQ(MulDiv(1000000, 25, 1), 25000000);
}

TEST(MulDiv, AnswersMinusOneForZeroDivisorOrOverflow)
{
  EXPECT_EQ(MulDiv(10, 10, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 2, 1), -1);
}
