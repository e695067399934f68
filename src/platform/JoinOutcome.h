#pragma once

#include "platform/Exceptions.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// What one join did, told to the user when it ends: by reelweld-cli after the progress, by the
// desktop program in its status bar.
struct TJoinOutcome {
  bool Cancelled = false;
  // Frames of picture (or, for a join without picture, units of sound) in the output; a cancelled
  // or failed join that wrote none leaves nothing behind.
  int64_t FramesWritten = 0;
  double SecondsWritten = 0; // the output's playing time
  // One line per seam whose sound was mended, for example "clip3.avi: the sound is 0.50 s
  // shorter than the picture; 0.50 s of silence added at 00:10.00".
  std::vector<std::string> SeamNotes;
  // Everything else the user must hear of, one line each: streams left out, inputs that could
  // not be read to their end, a container other than the one the name asks for.
  std::vector<std::string> Warnings;
  // How many seconds of each input, in order, could be read, -1 where the road does not measure
  // it; an input the join did not finish reading has no entry. The driver compares them with the
  // lengths described.
  std::vector<double> InputSeconds;
  // A failed join never takes the output's name; what it wrote, when playable, is kept beside the
  // output under a name that says so ("holiday (incomplete).mp4"). Empty when nothing was kept.
  std::string KeptPart;
};

// A join that failed, with what it left behind; its message names the part kept, if any.
class EJoinFailed : public Exception {
public:
  EJoinFailed(const std::string& Message, TJoinOutcome Outcome) : Exception(Message), Outcome(std::move(Outcome)) {}
  TJoinOutcome Outcome;
};
