#include "ui/Application.h"
#include "platform/Exceptions.h"
#include "support/qt/MessageBoxRecorder.h"
#include "support/qt/PrintQString.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersAboveIt)
{
  EXPECT_EQ(ErrorBoxText("The project file is corrupted"), "The project file is corrupted.");
  EXPECT_EQ(ErrorBoxText("Cannot open file /a.qrw"), "Cannot open file /a.qrw.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Invalid data type for 'Top'"), "Invalid data type for 'Top'");
  EXPECT_EQ(ErrorBoxText("Failed!"), "Failed!");
  EXPECT_EQ(ErrorBoxText(""), "");
}

TEST(ErrorBox, AFailureThatNothingCatchesIsShownAndTheProgramGoesOn)
{
  TMessageBoxRecorder boxes;
  int calls = 0;
  const auto call = [&calls] {
    if (++calls == 1)
      throw Exception("The project file is corrupted");
  };
  QMetaObject::invokeMethod(qApp, call, Qt::QueuedConnection);
  QMetaObject::invokeMethod(qApp, call, Qt::QueuedConnection);
  QCoreApplication::processEvents();
  EXPECT_EQ(calls, 2);
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, "The project file is corrupted.");
  EXPECT_EQ(boxes.Shown[0].Kind, mkError);
  EXPECT_EQ(boxes.Shown[0].Buttons, QMessageBox::Ok);
}
