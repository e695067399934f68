#include "app/cli/CliCommands.h"
#include "core/FileListTexts.h"

#include <filesystem>
#include <iostream>

int RunProbe(const TArgs& args)
{
  if (args.empty())
    return UsageError("probe needs at least one file");
  int status = ExitOK;
  for (const std::string& name : args) {
    try {
      const auto info = CreateVideoFileInfo(name);
      // The window always holds full paths; a name given relative still shows its folder.
      const std::string folder = FolderCellText(std::filesystem::absolute(name).string());
      std::cout << FileNameCellText(name) << '\t' << FormatDuration(info->Duration) << '\t' << TypeCellText(*info)
                << '\t' << FrameSizeCellText(*info) << '\t' << FrameRateCellText(*info) << '\t' << AudioCellText(*info)
                << '\t' << folder << '\n';
    } catch (const std::exception& e) {
      std::cerr << "Unable to add file " << name << ": " << e.what() << ".\n";
      status = ExitFailed;
    }
  }
  return status;
}
