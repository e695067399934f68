#include "app/cli/CliJoinRoads.h"
#include "app/cli/ConsoleProgress.h"
#include "core/VideoUtils.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <iostream>

namespace {

void Join(const TCliJoinOptions& options)
{
  if (!options.Project.empty())
    throw ENotBuiltYet{"join of a project file"};
  if (!options.Copy.value_or(false)) {
    JoinWithRecompression(options);
    return;
  }
  // Only the first file decides the road, as in the desktop program.
  const std::string type = GetFileTypeName(options.Files.front());
  if (type == "AVI")
    JoinAviWithoutRecompression(options);
  else if (type == "MPEG1")
    JoinMpegWithoutRecompression(options);
  else
    throw Exception("Unable to join " + type + " files without recompression");
}

} // namespace

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
    Join(*options);
  } catch (const ENotBuiltYet& e) {
    return NotBuiltYet(e.Road);
  } catch (const std::exception& e) {
    std::cerr << "Join fails: " << e.what() << '\n';
    return ExitFailed;
  }
  return progress.Cancelled() ? ExitCancelled : ExitOK;
}
