#pragma once

#include "ui/MainForm.h"

#include <QString>

#include <vector>

// Answers the program's message boxes while alive and records what they said.
class TMessageBoxRecorder {
public:
  struct TShown {
    QString Text;
    TMessageKind Kind;
    QMessageBox::StandardButtons Buttons;
  };

  explicit TMessageBoxRecorder(QMessageBox::StandardButton Answer = QMessageBox::Ok);
  ~TMessageBoxRecorder();
  TMessageBoxRecorder(const TMessageBoxRecorder&) = delete;
  TMessageBoxRecorder& operator=(const TMessageBoxRecorder&) = delete;

  QMessageBox::StandardButton Answer;
  std::vector<TShown> Shown;
};
