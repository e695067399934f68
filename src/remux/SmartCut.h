#pragma once

#include "platform/FFmpegPtr.h"
#include "remux/AvcSetup.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// A file whose edit list hides pictures that shown ones are decoded from: at its start, when
// joined after another, or at its end, behind its last shown picture. The shown pictures from the
// key frame before (at the end) or from the first shown one up to the next key frame (at the
// start) are encoded anew, the first of them a key frame, so that the hidden ones can be left out
// and every reader shows the file as its players do. The new pictures have parameter sets of
// their own, under ids the files do not use, so that every packet copied stays as it was.
struct TSmartCut {
  size_t From = 0;     // the first video packet, counted from the file's start, they stand for
  size_t Replaced = 0; // how many; SIZE_MAX: all to the file's end
  std::vector<TPacketPtr> Pictures; // in decoding order, on the file's clock and time base
  std::vector<TNalUnit> Sps, Pps;   // for the output's setup data
};

// Raised by a cut whose `GoOn` answered false: the user cancelled the join.
struct TCutStopped {};

// Empty when the file's first video track can be cut so, else why not.
std::string SmartCutRefusal(const AVStream* Video);
// Pictures an MP4 or MOV file's edit list hides at its end that shown ones are decoded from.
struct THiddenEnd {
  size_t Key = 0;     // the key frame before them, counted as `From`
  int64_t Length = 0; // how long they last, in microseconds
};
// Null when no hidden picture at the end is one that a shown one is decoded from.
std::optional<THiddenEnd> HiddenEnd(const AVStream* Video);
// The new pictures take parameter sets of id `SetupId`. Raise Exception with the reason when the
// cut cannot be made. `GoOn` is asked, on the cut's own thread, before each picture is decoded.
TSmartCut MakeSmartCut(const std::string& FileName, uint32_t SetupId, const std::function<bool()>& GoOn);
TSmartCut MakeEndCut(const std::string& FileName, size_t KeyIndex, uint32_t SetupId, const std::function<bool()>& GoOn);
