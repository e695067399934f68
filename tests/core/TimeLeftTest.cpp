#include "core/TimeLeft.h"

#include <gtest/gtest.h>

#include <limits>

TEST(TimeLeft, TextsByTheSize)
{
  EXPECT_EQ(FormatTimeLeft(0), "0 seconds remaining");
  EXPECT_EQ(FormatTimeLeft(59), "59 seconds remaining");
  EXPECT_EQ(FormatTimeLeft(60), "1 minutes remaining");
  EXPECT_EQ(FormatTimeLeft(119), "1 minutes remaining");
  EXPECT_EQ(FormatTimeLeft(10799), "179 minutes remaining");
  EXPECT_EQ(FormatTimeLeft(10800), "3 hours remaining");
}

TEST(TimeLeft, EstimatesFromTheProgressOfEachIntervalOfMoreThanThreeSeconds)
{
  TTimeLeftEstimator estimate;
  // The first report of 0 % fixes the start time; the first non-zero percentage the start value.
  EXPECT_FALSE(estimate.Update(0, 100));
  EXPECT_FALSE(estimate.Update(10, 101));
  EXPECT_FALSE(estimate.Update(12, 103)); // not more than 3 seconds yet
  EXPECT_TRUE(estimate.Update(20, 105));  // 10 % in 5 s: 80 % left takes 40 s
  EXPECT_EQ(estimate.Text(), "40 seconds remaining");
  // No progress in an interval: no estimate, and the interval goes on.
  EXPECT_FALSE(estimate.Update(20, 110));
  EXPECT_TRUE(estimate.Update(30, 115)); // 10 % in 10 s: 70 % left takes 70 s
  EXPECT_EQ(estimate.Text(), "1 minutes remaining");
}

TEST(TimeLeft, ProgressGoingBackwardsTurnsTheEstimateOffForGood)
{
  TTimeLeftEstimator estimate;
  estimate.Update(50, 0);
  estimate.Update(40, 4);
  EXPECT_FALSE(estimate.ShowTimeLeft());
  estimate.Reset();
  EXPECT_FALSE(estimate.Update(60, 10));
  EXPECT_FALSE(estimate.Update(70, 20));
  EXPECT_FALSE(estimate.ShowTimeLeft());
}

TEST(TimeLeft, SurvivesAbsurdReports)
{
  TTimeLeftEstimator estimate;
  estimate.Update(1e-12, 0);
  EXPECT_TRUE(estimate.Update(2e-12, 10));
  EXPECT_FALSE(estimate.Text().empty());
  EXPECT_FALSE(estimate.Update(std::numeric_limits<double>::quiet_NaN(), 20));
}
