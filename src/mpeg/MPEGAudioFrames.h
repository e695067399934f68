#pragma once

#include "platform/AudioFrameHeader.h"

#include <cstdint>
#include <optional>


// Follows the frames of one MPEG audio stream through its packets, and the time at which a reader
// plays each: one after another, except across a hole long enough for a player to fill it with
// silence. Tells where to cut a packet so that the sound ends at a given time.
class TMPEGAudioFrames {
public:
  // The data of the stream's next packet and its PTS. Returns how many of its bytes to keep so
  // that no frame that starts in them is played more than half its length after Limit; Size when
  // all, and always Size once the frames are lost.
  uint32_t Walk(const uint8_t* Data, uint32_t Size, std::optional<int64_t> Stamp, std::optional<int64_t> Limit);
  bool Lost() const { return FLost; }
  // When the frames walked so far end; unset before the first time stamp.
  std::optional<int64_t> End() const;
  // The next packet starts a new input, with a whole frame; the play time runs on.
  void StartInput();

private:
  double FClock = 0; // 90 kHz ticks at which the next frame plays
  double FLastLength = 0;
  bool FAnchored = false;
  bool FLost = false;
  uint32_t FSkip = 0; // bytes of a frame begun in an earlier packet
  uint8_t FCarry[4] = {};
  uint32_t FCarryUsed = 0; // a header cut by the end of the last packet
};
