#pragma once

#include <functional>
#include <memory>
#include <string>

// What a join engine sees of its progress dialog. The desktop program installs its window, the
// command-line tool a console bar, tests a recorder; without a factory a silent one is made.
class TProgressDialog {
public:
  virtual ~TProgressDialog() = default;
  virtual void SetCaption(const std::string& Caption) = 0;
  virtual void SetText(const std::string& Text) = 0; // the message label, lblText
  virtual void Show() = 0;
  virtual void SetProgress(double Progress) = 0;
  // Processes pending events, then tells whether the user asked to stop.
  virtual bool IsCancelled() = 0;
};

using TProgressDialogFactory = std::function<std::unique_ptr<TProgressDialog>()>;

// Installs the factory that CreateProgressDialog uses; an empty one restores the silent dialog.
void SetProgressDialogFactory(TProgressDialogFactory Factory);
std::unique_ptr<TProgressDialog> CreateProgressDialog();

// Shows a new progress dialog in Holder, captioned "Joining..." with Text, for the life of one
// join, and frees it however the join ends: every road handles its dialog the same way.
class TProgressScope {
public:
  TProgressScope(std::unique_ptr<TProgressDialog>& Holder, const std::string& Text);
  ~TProgressScope() { FHolder.reset(); }
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;

private:
  std::unique_ptr<TProgressDialog>& FHolder;
};
