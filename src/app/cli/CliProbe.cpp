#include "app/cli/CliCommands.h"
#include "core/DescribeFiles.h"
#include "core/DescriptionJson.h"
#include "core/FileListTexts.h"

#include <filesystem>
#include <iostream>

namespace {

void PrintRow(const std::string& name, const TVideoFileInfo& info)
{
  // The window always holds full paths; a name given relative still shows its folder.
  const std::string folder = FolderCellText(std::filesystem::absolute(name).string());
  std::cout << FileNameCellText(name) << '\t' << FormatDuration(info.Duration) << '\t' << TypeCellText(info) << '\t'
            << FrameSizeCellText(info) << '\t' << FrameRateCellText(info) << '\t' << AudioCellText(info) << '\t'
            << folder << '\n';
}

} // namespace

int RunProbe(const TArgs& args)
{
  TArgs names;
  bool json = false;
  bool namesOnly = false; // after "--", for names that begin with a dash
  for (const std::string& arg : args) {
    if (!namesOnly && arg == "--json")
      json = true;
    else if (!namesOnly && arg == "--")
      namesOnly = true;
    else
      names.push_back(arg);
  }
  if (names.empty())
    return UsageError("probe needs at least one file");
  const auto descriptions = DescribeFiles(names);
  int status = ExitOK;
  if (json)
    std::cout << "[";
  for (size_t i = 0; i < names.size(); ++i) {
    const TFileDescription& d = descriptions[i];
    if (!d.Info) {
      std::cerr << "Unable to add file " << names[i] << ": " << d.Error << ".\n";
      status = ExitFailed;
    }
    if (json)
      std::cout << (i ? ",\n " : "\n ")
                << (d.Info ? DescriptionToJson(names[i], *d.Info) : FailedDescriptionToJson(names[i], d.Error));
    else if (d.Info)
      PrintRow(names[i], *d.Info);
  }
  if (json)
    std::cout << "\n]\n";
  return status;
}
