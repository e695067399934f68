#include "support/qt/MessageBoxRecorder.h"

TMessageBoxRecorder::TMessageBoxRecorder(QMessageBox::StandardButton Answer) : Answer(Answer)
{
  TfrmMain::SetMessageBoxHandler([this](const QString& Text, TMessageKind Kind, QMessageBox::StandardButtons Buttons) {
    Shown.push_back({Text, Kind, Buttons});
    return this->Answer;
  });
}

TMessageBoxRecorder::~TMessageBoxRecorder()
{
  TfrmMain::SetMessageBoxHandler({});
}
