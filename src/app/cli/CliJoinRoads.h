#pragma once

#include "app/cli/CliJoinOptions.h"

// The engines behind `join`, one file each. They raise on failure and return normally on cancel.
void JoinAviWithoutRecompression(const TCliJoinOptions& options);
void JoinMpegWithoutRecompression(const TCliJoinOptions& options);
void JoinWithRecompression(const TCliJoinOptions& options);

// Thrown by a road whose engine is not built yet.
struct ENotBuiltYet {
  std::string Road;
};
