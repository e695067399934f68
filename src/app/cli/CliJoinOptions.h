#pragma once

#include "app/cli/CliCommands.h"

#include <optional>
#include <string>

// What `reelweld-cli join` was asked, before any file is looked at.
struct TCliJoinOptions {
  std::string Output;
  std::string Project;
  TArgs Files;
  std::optional<bool> Copy;      // --copy (true) or --recompress (false); unset: decide
  std::optional<bool> VideoOnly; // --video-only; unset: decide
  int FrameWidth = 320;
  int FrameHeight = 240;
  std::optional<std::string> FrameRate; // as typed; unset: the dialog's first item
  std::string Resize = "letterbox";
  std::string VideoCompressor;
  std::string AudioCompressor;
  bool Optimal = false;
  bool CorrectTimeStamps = false;
  bool Overwrite = false;
};

// Returns the options, or an error text for a malformed command line.
std::optional<TCliJoinOptions> ParseJoinOptions(const TArgs& args, std::string& error);
