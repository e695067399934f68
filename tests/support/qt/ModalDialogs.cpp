#include "support/qt/ModalDialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

void WhenModal(std::function<void()> Action)
{
  // Polls, because the modal loop starts only after the caller's code has set things up; waits
  // for a window other than the one that is modal now.
  QPointer<QWidget> before = QApplication::activeModalWidget();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, before, Action] {
    QWidget* active = QApplication::activeModalWidget();
    if (active == nullptr || active == before)
      return;
    timer->stop();
    timer->deleteLater();
    Action();
  });
  timer->start(10);
}

void AnswerFileDialog(const QString& Text)
{
  WhenModal([Text] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("fileNameEdit")->setText(Text);
    QMetaObject::invokeMethod(dialog, "accept");
  });
}
