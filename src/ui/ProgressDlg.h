#pragma once

#include "platform/ProgressSeam.h"
#include "core/TimeLeft.h"

#include <QDialog>
#include <QList>
#include <QPointer>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The window shown while a join runs: the percentage on a bar, the time remaining, and Cancel.
// While it is shown every other window of the program is disabled.
class TfrmProgress : public QDialog, public TProgressDialog {
  Q_OBJECT

public:
  explicit TfrmProgress(QWidget* Parent = nullptr);
  ~TfrmProgress() override;

  void SetCaption(const std::string& Caption) override;
  void SetText(const std::string& Text) override;
  void Show() override;
  void SetProgress(double Progress) override;
  bool IsCancelled() override;
  void SetShowTimeLeft(bool Value);

  // Seconds on a monotonic clock, for the estimate and the pace of event processing; tests
  // replace it.
  void SetClock(std::function<double()> Clock) { FClock = std::move(Clock); }

  QLabel* lblText;
  QProgressBar* ProgressBar;
  QLabel* lblTime;
  QPushButton* btnCancel;

public slots:
  void reject() override;

protected:
  void showEvent(QShowEvent* Event) override;
  void hideEvent(QHideEvent* Event) override;
  void closeEvent(QCloseEvent* Event) override;

private:
  void EnableOtherWindows();

  QList<QPointer<QWidget>> FWindowList;
  bool FCancelled = false;
  int FLastPosition = 0;
  TTimeLeftEstimator FEstimate;
  std::function<double()> FClock;
  double FLastEvents = -1; // when IsCancelled last processed events
};
