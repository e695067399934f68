#include "ui/Application.h"

#include "ui/MainForm.h"

QString ErrorBoxText(const QString& Message)
{
  if (!Message.isEmpty() && Message.back() > QChar('.'))
    return Message + ".";
  return Message;
}

void ShowException(const std::exception& Error)
{
  TfrmMain::ShowMessageBox(ErrorBoxText(QString::fromStdString(Error.what())), mkError, QMessageBox::Ok);
}

TReelweldApplication::TReelweldApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {}

bool TReelweldApplication::notify(QObject* Receiver, QEvent* Event)
{
  try {
    return QApplication::notify(Receiver, Event);
  } catch (const std::exception& error) {
    ShowException(error);
    return true;
  }
}
