#include "ui/ProgressDlg.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

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
