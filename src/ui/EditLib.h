#pragma once

#include <QLineEdit>

#include <cstdint>

class QScrollBar;

// A one-line edit of a non-negative whole number: digits only, the arrow keys and the small
// arrows at its edge step by one, and the value read is clamped to [MinValue, MaxValue].
// The text is the only storage of the number.
class TNaturalEdit : public QLineEdit {
  Q_OBJECT

public:
  explicit TNaturalEdit(QWidget* Parent = nullptr);

  int32_t MinValue() const { return FMinValue; }
  void SetMinValue(int32_t Value);
  int32_t MaxValue() const { return FMaxValue; }
  void SetMaxValue(int32_t Value);
  int32_t Value() const;
  // Not clamped: a later read clamps.
  void SetValue(int32_t Value);

  bool Increment();
  bool Decrement();

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void resizeEvent(QResizeEvent* Event) override;

private:
  int32_t TextValue() const;
  void ScrollAction(int Action);

  int32_t FMinValue = 0;
  int32_t FMaxValue = 2147483647;
  QScrollBar* FScrollBar;
};
