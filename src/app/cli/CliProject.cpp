#include "app/cli/CliCommands.h"
#include "platform/FileIO.h"
#include "core/SaveProjectCls.h"

#include <filesystem>
#include <iostream>

namespace {

// The desktop program stores the full paths that its file dialogs return.
std::string FullPath(const std::string& fileName)
{
  return std::filesystem::absolute(std::filesystem::path(fileName)).lexically_normal().string();
}

int Save(const TArgs& args)
{
  bool overwrite = false;
  std::string projectFile;
  TProjectSettings::TFileList files;
  bool namesOnly = false; // after "--", for names that begin with a dash
  for (const std::string& arg : args) {
    if (!namesOnly && arg == "--")
      namesOnly = true;
    else if (!namesOnly && (arg == "-y" || arg == "--overwrite"))
      overwrite = true;
    else if (!namesOnly && arg.size() > 1 && arg[0] == '-')
      return UsageError("unknown option " + arg);
    else if (projectFile.empty())
      projectFile = arg;
    else
      files.push_back(FullPath(arg));
  }
  if (projectFile.empty())
    return UsageError("project save needs P.qrw");
  // Like the desktop program's save dialog, an existing project is not replaced without asking.
  if (!overwrite && FileExists(projectFile)) {
    std::cerr << "The \"" << projectFile << "\" file already exists\n";
    return ExitFailed;
  }
  TProjectSettings project;
  project.SetFiles(files);
  project.SaveToFile(projectFile);
  return ExitOK;
}

int List(const TArgs& args)
{
  if (args.size() != 1)
    return UsageError("project list takes one P.qrw");
  TProjectSettings project;
  project.LoadFromFile(args[0]);
  for (const std::string& file : project.Files())
    std::cout << file << '\n';
  return ExitOK;
}

} // namespace

int RunProject(const TArgs& args)
{
  if (args.empty())
    return UsageError("project needs save or list");
  const TArgs rest(args.begin() + 1, args.end());
  try {
    if (args[0] == "save")
      return Save(rest);
    if (args[0] == "list")
      return List(rest);
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return ExitFailed;
  }
  return UsageError("unknown project command '" + args[0] + "'");
}
