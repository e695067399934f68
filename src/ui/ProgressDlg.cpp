#include "ui/ProgressDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {

// Events are pumped at most this often: enough for a responsive window and a prompt Cancel,
// while a join that reports after every small chunk does not pay for a pump per report.
constexpr double EventsInterval = 0.015;

// The coarse clock (a few milliseconds of resolution) is read in a fraction of the time of the
// precise one, and a join may report hundreds of thousands of times.
double CoarseSeconds()
{
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

} // namespace

TfrmProgress::TfrmProgress(QWidget* Parent)
    : QDialog(Parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), FClock(CoarseSeconds)
{
  setWindowTitle("Processing...");
  setFixedSize(392, 148);

  auto* Panel1 = new QFrame(this);
  Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel1->setLineWidth(1);
  lblText = new QLabel(Panel1);
  ProgressBar = new QProgressBar(Panel1);
  ProgressBar->setRange(0, 100);
  ProgressBar->setValue(0);
  lblTime = new QLabel(Panel1);
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->addWidget(lblText);
  panelLayout->addWidget(ProgressBar);
  panelLayout->addWidget(lblTime);

  btnCancel = new QPushButton("Cancel", this);
  btnCancel->setFixedSize(75, 25);
  connect(btnCancel, &QPushButton::clicked, this, [this] { FCancelled = true; });
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(btnCancel);
  buttons->addStretch();

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->addWidget(Panel1);
  layout->addLayout(buttons);
}

TfrmProgress::~TfrmProgress()
{
  // The base destructor hides the window without calling hideEvent here any more.
  EnableOtherWindows();
}

void TfrmProgress::SetCaption(const std::string& Caption)
{
  setWindowTitle(QString::fromStdString(Caption));
}

void TfrmProgress::SetText(const std::string& Text)
{
  lblText->setText(QString::fromStdString(Text));
}

void TfrmProgress::Show()
{
  show();
  QCoreApplication::processEvents();
}

void TfrmProgress::SetProgress(double Progress)
{
  // Out-of-range reports are kept off the bar; the estimate still sees them.
  const int position = std::isfinite(Progress) ? int(std::clamp(Progress, -1.0, 101.0)) : FLastPosition;
  if (position != FLastPosition) {
    // The bar would repaint at once; with updates off for the change it is painted with the next
    // processed events instead, which keeps a hundred steps from costing a hundred paints.
    ProgressBar->setUpdatesEnabled(false);
    ProgressBar->setValue(std::clamp(position, 0, 100));
    ProgressBar->setUpdatesEnabled(true);
    FLastPosition = position;
  }
  if (FEstimate.Update(Progress, FClock())) {
    lblTime->setText(QString::fromStdString(FEstimate.Text()));
    if (!FEstimate.ShowTimeLeft())
      lblTime->hide();
  }
}

bool TfrmProgress::IsCancelled()
{
  const double now = FClock();
  if (now - FLastEvents >= EventsInterval || now < FLastEvents) {
    QCoreApplication::processEvents();
    FLastEvents = now;
  }
  return FCancelled;
}

void TfrmProgress::SetShowTimeLeft(bool Value)
{
  FEstimate.SetShowTimeLeft(Value);
  if (!Value)
    lblTime->hide();
}

void TfrmProgress::reject()
{
  FCancelled = true;
  QDialog::reject();
}

void TfrmProgress::showEvent(QShowEvent* Event)
{
  FCancelled = false;
  FLastPosition = 0;
  ProgressBar->setValue(0);
  FEstimate.Reset();
  FLastEvents = -1;
  EnableOtherWindows();
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window == this || !window->isVisible() || !window->isEnabled())
      continue;
    if (qobject_cast<QMainWindow*>(window)) {
      move(window->frameGeometry().center() - rect().center());
      // Kept in front of the main window by the window manager: a click there must not bury it.
      if (windowHandle() != nullptr)
        windowHandle()->setTransientParent(window->windowHandle());
    }
    window->setEnabled(false);
    FWindowList << window;
  }
  QDialog::showEvent(Event);
}

void TfrmProgress::hideEvent(QHideEvent* Event)
{
  EnableOtherWindows();
  QDialog::hideEvent(Event);
}

void TfrmProgress::closeEvent(QCloseEvent* Event)
{
  FCancelled = true;
  Event->accept();
}

void TfrmProgress::EnableOtherWindows()
{
  for (const QPointer<QWidget>& window : FWindowList)
    if (window)
      window->setEnabled(true);
  FWindowList.clear();
}
