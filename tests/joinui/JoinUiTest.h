#pragma once

#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"
#include "ui/MainForm.h"

#include <QString>

#include <deque>
#include <functional>
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

// Runs Action once the modal dialog or window about to open is up.
void WhenModal(std::function<void()> Action);
// Types a name into the file chooser about to open and confirms it.
void AnswerFileDialog(const QString& Text);

// Probe results made up for the dialog: a list that owns its entries.
class TFakeList {
public:
  TFakeList& Add(const std::string& Type, uint16_t Width, uint16_t Height, double Rate, bool HasAudio = true);
  TJoinList List();

private:
  std::deque<TVideoFileInfo> FInfos;
};
