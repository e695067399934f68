#include "app/cli/ConsoleProgress.h"

#include "platform/ProgressSeam.h"
#include "core/TimeLeft.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t CancelRequested = 0;

double SteadySeconds()
{
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

extern "C" void OnCancelSignal(int)
{
  CancelRequested = 1;
}

class TConsoleProgress final : public TProgressDialog {
public:
  void SetCaption(const std::string&) override {}
  void SetText(const std::string&) override {}
  void Show() override {}

  // The percentage and the time-remaining text: rewritten in place on a terminal, otherwise one
  // line per whole percent.
  void SetProgress(double Progress) override
  {
    const bool textChanged = FEstimate.Update(Progress, SteadySeconds()) && FEstimate.ShowTimeLeft();
    const int percent = int(Progress);
    if (percent == FLastPercent && !(FTerminal && textChanged))
      return;
    FLastPercent = percent;
    const char* timeLeft = FEstimate.ShowTimeLeft() ? FEstimate.Text().c_str() : "";
    if (FTerminal)
      std::fprintf(stderr, "\r%3d%%  %-28s", percent, timeLeft);
    else
      std::fprintf(stderr, "%d%%%s%s\n", percent, *timeLeft ? "  " : "", timeLeft);
    std::fflush(stderr);
  }

  bool IsCancelled() override { return CancelRequested != 0; }

  ~TConsoleProgress() override
  {
    if (FTerminal && FLastPercent >= 0)
      std::fputc('\n', stderr);
  }

private:
  bool FTerminal = ::isatty(STDERR_FILENO) != 0;
  int FLastPercent = -1;
  TTimeLeftEstimator FEstimate;
};

} // namespace

void CatchCancelSignals()
{
  std::signal(SIGINT, OnCancelSignal);
  std::signal(SIGTERM, OnCancelSignal);
  // A parent may have blocked them; Ctrl+C must reach us all the same.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

void ReleaseCancelSignals()
{
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool CancelSignalled()
{
  return CancelRequested != 0;
}

TConsoleProgressScope::TConsoleProgressScope()
{
  SetProgressDialogFactory([] { return std::make_unique<TConsoleProgress>(); });
}

TConsoleProgressScope::~TConsoleProgressScope()
{
  SetProgressDialogFactory({});
}
