#pragma once

#include "app/cli/CliCommands.h"

#include <map>
#include <optional>
#include <string>

// What `reelweld-cli join` was asked, before any file is looked at. Unset values are decided
// as the desktop program decides them for these files.
struct TCliJoinOptions {
  std::string Output;
  std::string Project;
  TArgs Files;
  std::optional<bool> Copy;      // --copy (true) or --recompress (false)
  std::optional<bool> VideoOnly; // --video-only
  std::optional<int> FrameWidth; // --size, with FrameHeight
  std::optional<int> FrameHeight;
  std::optional<std::string> FrameRate; // as typed, "." as decimal separator
  std::optional<int> ResizeIndex;       // the join dialog's item: letterbox, crop, stretch, none
  std::string VideoCompressor;
  std::string AudioCompressor;
  std::map<std::string, std::string> VideoSettings; // --vopt NAME=VALUE: the encoder's own options
  std::map<std::string, std::string> AudioSettings; // --aopt NAME=VALUE
  std::optional<std::string> Quality;               // --quality N: the video encoder's CRF or quantiser
  std::optional<std::string> Preset;                // --preset NAME: its speed preset
  bool Optimal = false;
  bool CorrectTimeStamps = true; // --no-timestamp-correction: the plain MPEG-1 join
  bool NoSync = false; // --no-sync: the AVI road's plain join, sound after sound
  std::optional<bool> Chapters; // --chapters, --no-chapters: a chapter at each seam
  bool Overwrite = false;
};

// Returns the options, or an error text for a malformed command line.
std::optional<TCliJoinOptions> ParseJoinOptions(const TArgs& args, std::string& error);
