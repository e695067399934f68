#include "app/cli/CliCommands.h"
#include "core/FileListTexts.h"

#include <iostream>

int RunProbe(const TArgs& args)
{
  if (args.empty())
    return UsageError("probe needs at least one file");
  int status = ExitOK;
  for (const std::string& name : args) {
    try {
      const auto info = CreateVideoFileInfo(name);
      std::cout << FileNameCellText(name) << '\t' << FormatDuration(info->Duration) << '\t' << TypeCellText(*info)
                << '\t' << FrameSizeCellText(*info) << '\t' << FrameRateCellText(*info) << '\t' << AudioCellText(*info)
                << '\t' << FolderCellText(name) << '\n';
    } catch (const std::exception& e) {
      std::cerr << "Unable to add file " << name << ": " << e.what() << ".\n";
      status = ExitFailed;
    }
  }
  return status;
}
