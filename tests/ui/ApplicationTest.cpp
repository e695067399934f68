#include "UiTest.h"

#include "platform/Exceptions.h"
#include "ui/Application.h"

#include <QPushButton>
#include <QTest>

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

TEST(ErrorBox, AFailureThatNoCommandCatchesIsShownAndTheProgramGoesOn)
{
  TMessageBoxRecorder boxes;
  QPushButton button("Load");
  int clicks = 0;
  QObject::connect(&button, &QPushButton::clicked, [&clicks] {
    if (++clicks == 1)
      throw Exception("The project file is corrupted");
  });
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  ASSERT_EQ(boxes.Shown.size(), 1u);
  EXPECT_EQ(boxes.Shown[0].Text, "The project file is corrupted.");
  EXPECT_EQ(boxes.Shown[0].Kind, mkError);
  EXPECT_EQ(boxes.Shown[0].Buttons, QMessageBox::Ok);
  QTest::mouseClick(&button, Qt::LeftButton);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(boxes.Shown.size(), 1u);
}
