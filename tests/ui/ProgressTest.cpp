#include "ui/ProgressDlg.h"
#include "ui/base/TimeLeft.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

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

TEST(ProgressDialog, BarTakesTheWholePercentOnlyWhenItChanges)
{
  TfrmProgress dialog;
  dialog.SetProgress(42.9);
  EXPECT_EQ(dialog.ProgressBar->value(), 42);
  dialog.ProgressBar->setValue(7); // to see whether the next report touches the bar
  dialog.SetProgress(42.1);
  EXPECT_EQ(dialog.ProgressBar->value(), 7);
  dialog.SetProgress(43.0);
  EXPECT_EQ(dialog.ProgressBar->value(), 43);
}

TEST(ProgressDialog, ShowsTheTimeLeftAndHidesItWhenProgressGoesBack)
{
  TfrmProgress dialog;
  double now = 1000;
  dialog.SetClock([&now] { return now; });
  dialog.Show();
  EXPECT_TRUE(dialog.lblTime->text().isEmpty());
  dialog.SetProgress(10);
  now += 5;
  dialog.SetProgress(20);
  EXPECT_EQ(dialog.lblTime->text(), "40 seconds remaining");
  EXPECT_TRUE(dialog.lblTime->isVisible());
  now += 5;
  dialog.SetProgress(15);
  EXPECT_FALSE(dialog.lblTime->isVisible());
}

TEST(ProgressDialog, DisablesTheOtherWindowsWhileShown)
{
  QMainWindow main;
  main.show();
  {
    TfrmProgress dialog;
    dialog.Show();
    EXPECT_FALSE(main.isEnabled());
    EXPECT_TRUE(dialog.isEnabled());
    dialog.hide();
    EXPECT_TRUE(main.isEnabled());
    dialog.Show();
    EXPECT_FALSE(main.isEnabled());
  }
  EXPECT_TRUE(main.isEnabled()); // freed while shown
}

TEST(ProgressDialog, CancelByButtonOrByClosingIsSeenAtTheNextQuery)
{
  TfrmProgress dialog;
  dialog.SetCaption("Joining...");
  dialog.SetText("Joining files");
  dialog.Show();
  EXPECT_EQ(dialog.windowTitle(), "Joining...");
  EXPECT_EQ(dialog.lblText->text(), "Joining files");
  EXPECT_FALSE(dialog.IsCancelled());
  // A click that waits in the event queue is handled inside IsCancelled.
  QTimer::singleShot(0, dialog.btnCancel, &QPushButton::click);
  bool cancelled = false;
  for (int i = 0; i < 200 && !cancelled; ++i) {
    QTest::qWait(1);
    cancelled = dialog.IsCancelled();
  }
  EXPECT_TRUE(cancelled);
  dialog.btnCancel->click();
  EXPECT_TRUE(dialog.IsCancelled());

  dialog.hide();
  dialog.Show(); // shown again: starts afresh
  EXPECT_FALSE(dialog.IsCancelled());
  dialog.close();
  EXPECT_TRUE(dialog.IsCancelled());
  EXPECT_FALSE(dialog.isVisible());
}

// A join reports after every chunk; the dialog must not make those reports the cost of the join.
TEST(ProgressDialog, ReportsStayCheap)
{
#ifndef NDEBUG
  GTEST_SKIP() << "timings of an unoptimised build say nothing";
#endif
  TfrmProgress dialog;
  dialog.Show();
  constexpr int reports = 200000;
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < reports; ++i) {
    dialog.SetProgress(100.0 * i / reports);
    ASSERT_FALSE(dialog.IsCancelled());
  }
  const double perReport =
      std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / reports;
  RecordProperty("MicrosecondsPerReport", std::to_string(perReport));
  EXPECT_LT(perReport, 5.0);
}
