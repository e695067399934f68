#include "ui/EditLib.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

namespace {

bool SendKey(QWidget& Widget, Qt::Key Key)
{
  QKeyEvent event(QEvent::KeyPress, Key, Qt::NoModifier);
  QCoreApplication::sendEvent(&Widget, &event);
  return event.isAccepted();
}

} // namespace

TEST(NaturalEdit, StartsAtZeroAndClampsWhatItReads)
{
  TNaturalEdit edit;
  EXPECT_EQ(edit.text(), "0");
  EXPECT_EQ(edit.Value(), 0);

  edit.SetMaxValue(3);
  edit.SetValue(5);
  EXPECT_EQ(edit.text(), "5");
  EXPECT_EQ(edit.Value(), 3);

  edit.setText("");
  EXPECT_EQ(edit.Value(), 0);
  edit.SetMinValue(2);
  EXPECT_EQ(edit.Value(), 2);

  for (const char* text : {"12ab", "99999999999", "-"}) {
    edit.setText(text);
    EXPECT_EQ(edit.Value(), 2) << text;
  }
}

TEST(NaturalEdit, NewBoundsPullTheTextInside)
{
  TNaturalEdit below, above, inside;
  for (TNaturalEdit* edit : {&below, &above, &inside})
    edit->setText("8");
  below.SetMinValue(16);
  above.SetMaxValue(4);
  inside.SetMinValue(5);
  EXPECT_EQ(below.text(), "16");
  EXPECT_EQ(above.text(), "4");
  EXPECT_EQ(inside.text(), "8");
}

TEST(NaturalEdit, ArrowKeysStepAndStopAtTheBoundsWithoutConsumingTheKey)
{
  TNaturalEdit edit;
  edit.SetMaxValue(100);
  edit.SetValue(99);
  edit.setCursorPosition(0);
  EXPECT_TRUE(SendKey(edit, Qt::Key_Up));
  EXPECT_EQ(edit.text(), "100");
  EXPECT_EQ(edit.cursorPosition(), 0);
  EXPECT_FALSE(SendKey(edit, Qt::Key_Up));
  EXPECT_EQ(edit.text(), "100");

  edit.SetValue(1);
  EXPECT_TRUE(SendKey(edit, Qt::Key_Down));
  EXPECT_EQ(edit.text(), "0");
  EXPECT_FALSE(SendKey(edit, Qt::Key_Down));
  EXPECT_EQ(edit.text(), "0");
}

TEST(NaturalEdit, AcceptsOnlyDigitsAndBackspace)
{
  TNaturalEdit edit;
  edit.setText("");
  QTest::keyClicks(&edit, "1a-2.+ 3");
  EXPECT_EQ(edit.text(), "123");
  QTest::keyClick(&edit, Qt::Key_Backspace);
  EXPECT_EQ(edit.text(), "12");
  QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.text(), "12");
}

TEST(NaturalEdit, ScrollArrowsStepAndKeepTheCaret)
{
  TNaturalEdit edit;
  edit.SetValue(10);
  edit.setCursorPosition(1);
  auto* arrows = edit.findChild<QScrollBar*>();
  ASSERT_NE(arrows, nullptr);
  arrows->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(edit.text(), "11");
  EXPECT_EQ(edit.cursorPosition(), 1);
  arrows->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  arrows->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(edit.text(), "9");
  EXPECT_EQ(edit.cursorPosition(), 1);
  // The bar never reaches an end, so both arrows keep working.
  for (int i = 0; i < 5; ++i)
    arrows->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(edit.text(), "14");
}
