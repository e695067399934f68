#include "app/cli/CliJoinOptions.h"

#include "platform/OutputContainer.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace {

bool ParseSize(const std::string& text, std::optional<int>& width, std::optional<int>& height)
{
  int w = 0;
  int h = 0;
  char x = 0;
  char rest = 0;
  if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') || w <= 0 || h <= 0)
    return false;
  width = w;
  height = h;
  return true;
}

// NAME=VALUE into settings; the value may be empty, as some string options take one.
bool ParseSetting(const std::string& text, std::map<std::string, std::string>& settings)
{
  const size_t equals = text.find('=');
  if (equals == 0 || equals == std::string::npos)
    return false;
  settings.insert_or_assign(text.substr(0, equals), text.substr(equals + 1));
  return true;
}

// The resize methods in the order of the join dialog's list.
const char* const ResizeNames[] = {"letterbox", "crop", "stretch", "none"};

} // namespace

std::optional<TCliJoinOptions> ParseJoinOptions(const TArgs& args, std::string& error)
{
  TCliJoinOptions options;
  bool filesOnly = false; // after "--", for names that begin with a dash
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (filesOnly || arg == "--") {
      if (filesOnly)
        options.Files.push_back(arg);
      filesOnly = true;
      continue;
    }
    auto value = [&]() -> std::optional<std::string> {
      if (i + 1 >= args.size()) {
        error = "option " + arg + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (arg == "-o" || arg == "--output" || arg == "--project" || arg == "--size" || arg == "--fps" ||
        arg == "--resize" || arg == "--vcodec" || arg == "--acodec" || arg == "--vopt" || arg == "--aopt" ||
        arg == "--quality" || arg == "--preset") {
      const auto v = value();
      if (!v)
        return std::nullopt;
      if (arg == "-o" || arg == "--output")
        options.Output = *v;
      else if (arg == "--project")
        options.Project = *v;
      else if (arg == "--size") {
        if (!ParseSize(*v, options.FrameWidth, options.FrameHeight)) {
          error = "--size takes WIDTHxHEIGHT, for example 640x480";
          return std::nullopt;
        }
      } else if (arg == "--fps")
        options.FrameRate = *v;
      else if (arg == "--resize") {
        const auto found = std::find(std::begin(ResizeNames), std::end(ResizeNames), *v);
        if (found == std::end(ResizeNames)) {
          error = "--resize takes letterbox, crop, stretch or none";
          return std::nullopt;
        }
        options.ResizeIndex = int(found - std::begin(ResizeNames));
      } else if (arg == "--vopt" || arg == "--aopt") {
        if (!ParseSetting(*v, arg == "--vopt" ? options.VideoSettings : options.AudioSettings)) {
          error = arg + " takes NAME=VALUE, for example b=192k";
          return std::nullopt;
        }
      } else if (arg == "--quality")
        options.Quality = *v;
      else if (arg == "--preset")
        options.Preset = *v;
      else if (arg == "--vcodec")
        options.VideoCompressor = *v;
      else
        options.AudioCompressor = *v;
    } else if (arg == "--copy" || arg == "--recompress") {
      if (options.Copy && *options.Copy != (arg == "--copy")) {
        error = "--copy and --recompress exclude each other";
        return std::nullopt;
      }
      options.Copy = arg == "--copy";
    } else if (arg == "--video-only")
      options.VideoOnly = true;
    else if (arg == "--optimal")
      options.Optimal = true;
    else if (arg == "--no-sync")
      options.NoSync = true;
    else if (arg == "--chapters" || arg == "--no-chapters")
      options.Chapters = arg == "--chapters";
    else if (arg == "--correct-timestamps" || arg == "--no-timestamp-correction")
      options.CorrectTimeStamps = arg == "--correct-timestamps";
    else if (arg == "-y" || arg == "--overwrite")
      options.Overwrite = true;
    else if (arg.size() > 1 && arg[0] == '-') {
      error = "unknown option " + arg;
      return std::nullopt;
    } else
      options.Files.push_back(arg);
  }
  if (options.Output.empty()) {
    error = "join needs -o OUTPUT";
    return std::nullopt;
  }
  if (options.Project.empty() == options.Files.empty()) {
    error = options.Project.empty() ? "join needs input files or --project" : "give either --project or files";
    return std::nullopt;
  }
  // Settings belong to a chosen encoder; what --optimal chooses is known once the files are read,
  // and only AVI outputs have no encoder unless one is named.
  const bool defaults = options.Optimal || !IsAvi(ContainerOfFile(options.Output));
  if (!defaults && !options.VideoSettings.empty() && options.VideoCompressor.empty()) {
    error = "--vopt needs --vcodec or --optimal";
    return std::nullopt;
  }
  if (!defaults && !options.AudioSettings.empty() && options.AudioCompressor.empty()) {
    error = "--aopt needs --acodec or --optimal";
    return std::nullopt;
  }
  return options;
}
