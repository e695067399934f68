#pragma once

#include <QApplication>

// The text of the application's error box: the message with "." appended unless its last
// character already sorts at or below ".".
QString ErrorBoxText(const QString& Message);

// The desktop program's application object: a failure that no command catches ends in the
// error box, and the program goes on.
class TReelweldApplication : public QApplication {
  Q_OBJECT

public:
  TReelweldApplication(int& Argc, char** Argv);
  bool notify(QObject* Receiver, QEvent* Event) override;
};

// Shows the error box for a failure.
void ShowException(const std::exception& Error);
