#include "ui/EditLib.h"

#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

constexpr int ArrowsWidth = 16;

} // namespace

TNaturalEdit::TNaturalEdit(QWidget* Parent) : QLineEdit(Parent), FScrollBar(new QScrollBar(Qt::Vertical, this))
{
  setText("0");
  setFixedHeight(std::max(20, sizeHint().height()));
  // The bar only lends its two arrows: it rests in the middle so that both stay usable.
  FScrollBar->setRange(0, 2);
  FScrollBar->setValue(1);
  FScrollBar->setCursor(Qt::ArrowCursor);
  FScrollBar->setFocusPolicy(Qt::NoFocus);
  setTextMargins(0, 0, ArrowsWidth, 0);
  connect(FScrollBar, &QScrollBar::actionTriggered, this, &TNaturalEdit::ScrollAction);
}

int32_t TNaturalEdit::TextValue() const
{
  bool ok = false;
  const int32_t value = text().toInt(&ok);
  return ok ? value : 0;
}

int32_t TNaturalEdit::Value() const
{
  return std::clamp(TextValue(), FMinValue, std::max(FMinValue, FMaxValue));
}

void TNaturalEdit::SetValue(int32_t Value)
{
  setText(QString::number(Value));
}

void TNaturalEdit::SetMinValue(int32_t Value)
{
  FMinValue = Value;
  if (TextValue() < Value)
    SetValue(Value);
}

void TNaturalEdit::SetMaxValue(int32_t Value)
{
  FMaxValue = Value;
  if (TextValue() > Value)
    SetValue(Value);
}

bool TNaturalEdit::Increment()
{
  const int32_t value = Value();
  if (value >= FMaxValue)
    return false;
  SetValue(value + 1);
  return true;
}

bool TNaturalEdit::Decrement()
{
  const int32_t value = Value();
  if (value <= FMinValue)
    return false;
  SetValue(value - 1);
  return true;
}

void TNaturalEdit::keyPressEvent(QKeyEvent* Event)
{
  const int caret = cursorPosition();
  if (Event->key() == Qt::Key_Up || Event->key() == Qt::Key_Down) {
    const bool changed = Event->key() == Qt::Key_Up ? Increment() : Decrement();
    if (changed) {
      setCursorPosition(std::min(caret, int(text().size())));
      Event->accept();
      return;
    }
    // At a bound the key goes on to the edit box's own handling.
    QLineEdit::keyPressEvent(Event);
    return;
  }
  // The clipboard shortcuts are characters too and, like every non-digit, are discarded.
  if (Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut) || Event->matches(QKeySequence::Copy)) {
    Event->accept();
    return;
  }
  const QString typed = Event->text();
  if (typed.size() == 1 && typed.at(0).isPrint() && (typed.at(0) < '0' || typed.at(0) > '9')) {
    Event->accept();
    return;
  }
  QLineEdit::keyPressEvent(Event);
}

void TNaturalEdit::resizeEvent(QResizeEvent* Event)
{
  QLineEdit::resizeEvent(Event);
  FScrollBar->setGeometry(width() - ArrowsWidth - 1, 1, ArrowsWidth, height() - 2);
}

void TNaturalEdit::ScrollAction(int Action)
{
  const int caret = cursorPosition();
  if (Action == QAbstractSlider::SliderSingleStepSub)
    Increment();
  else if (Action == QAbstractSlider::SliderSingleStepAdd)
    Decrement();
  FScrollBar->setSliderPosition(1);
  if (cursorPosition() != caret)
    setCursorPosition(std::min(caret, int(text().size())));
}
