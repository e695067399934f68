#pragma once

#include "platform/FFmpegPtr.h"
#include "remux/AvcSetup.h"

#include <cstdint>
#include <string>
#include <vector>

// A file whose edit list hides pictures at its start, joined after another: the pictures from the
// first shown one up to the next key frame are encoded anew, the first of them a key frame, so
// that the hidden ones, and the key frame they are decoded from, can be left out and every reader
// starts the file where its players do. The new pictures have parameter sets of their own, under
// ids the files do not use, so that every packet copied stays as it was.
struct TSmartCut {
  size_t Replaced = 0; // video packets from the file's start that the new pictures stand for
  std::vector<TPacketPtr> Pictures; // in decoding order, on the file's clock and time base
  std::vector<TNalUnit> Sps, Pps;   // for the output's setup data
};

// Empty when the file's first video track can be cut so, else why not.
std::string SmartCutRefusal(const AVStream* Video);
// The new pictures take parameter sets of id `SetupId`. Raises Exception with the reason when
// the cut cannot be made.
TSmartCut MakeSmartCut(const std::string& FileName, uint32_t SetupId);
