#include "app/cli/CliJoinOptions.h"
#include "app/cli/ConsoleProgress.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <iostream>

int RunJoin(const TArgs& args)
{
  std::string error;
  const auto options = ParseJoinOptions(args, error);
  if (!options)
    return UsageError(error);
  if (!options->Overwrite && FileExists(options->Output)) {
    std::cerr << "The \"" << options->Output << "\" file already exists\n";
    return ExitFailed;
  }
  TConsoleProgressScope progress;
  try {
    return NotBuiltYet("join");
  } catch (const std::exception& e) {
    std::cerr << "Join fails: " << e.what() << '\n';
    return ExitFailed;
  }
  return progress.Cancelled() ? ExitCancelled : ExitOK;
}
