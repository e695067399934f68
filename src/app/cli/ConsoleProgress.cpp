#include "app/cli/ConsoleProgress.h"

#include "platform/ProgressSeam.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t CancelRequested = 0;

extern "C" void OnCancelSignal(int)
{
  CancelRequested = 1;
}

class TConsoleProgress final : public TProgressDialog {
public:
  void SetCaption(const std::string&) override {}
  void SetText(const std::string&) override {}
  void Show() override {}

  void SetProgress(double Progress) override
  {
    const int percent = int(Progress);
    if (percent == FLastPercent)
      return;
    FLastPercent = percent;
    if (FTerminal)
      std::fprintf(stderr, "\r%3d%%", percent);
    else
      std::fprintf(stderr, "%d%%\n", percent);
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
};

} // namespace

TConsoleProgressScope::TConsoleProgressScope()
{
  CancelRequested = 0;
  std::signal(SIGINT, OnCancelSignal);
  std::signal(SIGTERM, OnCancelSignal);
  SetProgressDialogFactory([] { return std::make_unique<TConsoleProgress>(); });
}

TConsoleProgressScope::~TConsoleProgressScope()
{
  SetProgressDialogFactory({});
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

bool TConsoleProgressScope::Cancelled() const
{
  return CancelRequested != 0;
}
