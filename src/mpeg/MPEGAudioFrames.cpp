#include "mpeg/MPEGAudioFrames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr double ClockRate = 90000;
// Players fill a hole in the sound's time stamps this long or longer with silence, and play
// through shorter ones.
constexpr double HoleTicks = 0.1 * ClockRate;

} // namespace

std::optional<int64_t> TMPEGAudioFrames::End() const
{
  return FAnchored ? std::optional<int64_t>(std::llround(FClock)) : std::nullopt;
}

void TMPEGAudioFrames::StartInput()
{
  FLost = false;
  FSkip = 0;
  FCarryUsed = 0;
}

uint32_t TMPEGAudioFrames::Walk(const uint8_t* Data, uint32_t Size, std::optional<int64_t> Stamp,
                                std::optional<int64_t> Limit)
{
  if (FLost)
    return Size;
  if (Stamp && (!FAnchored || double(*Stamp) - FClock >= HoleTicks)) {
    FClock = double(*Stamp);
    FAnchored = true;
  }
  // Frame starts, relative to Data; a header cut by the last packet's end starts before it.
  int64_t pos = FCarryUsed > 0 ? -int64_t(FCarryUsed) : int64_t(FSkip);
  if (pos < 0 && uint32_t(-pos) + Size < 4) { // still not the whole header
    std::memcpy(FCarry + FCarryUsed, Data, Size);
    FCarryUsed += Size;
    return Size;
  }
  while (pos < int64_t(Size)) {
    uint8_t header[4];
    if (pos + 4 > int64_t(Size)) { // the header goes on in the next packet
      // Its frame is judged as long as the one before, as the bytes written cannot be taken back.
      if (Limit && FLastLength > 0 && FClock + FLastLength / 2 > double(*Limit))
        return uint32_t(pos);
      FCarryUsed = uint32_t(Size - pos);
      std::memcpy(FCarry, Data + pos, FCarryUsed);
      FSkip = 0;
      return Size;
    }
    if (pos < 0) {
      std::memcpy(header, FCarry, FCarryUsed);
      std::memcpy(header + FCarryUsed, Data, 4 - FCarryUsed);
    } else {
      std::memcpy(header, Data + pos, 4);
    }
    FCarryUsed = 0;
    const TMPEGAudioFrame frame = ReadMPEGAudioFrame(header);
    if (frame.Size == 0) {
      FLost = true;
      return Size;
    }
    const double length = double(frame.Samples) * ClockRate / frame.SampleRate;
    if (Limit && FClock + length / 2 > double(*Limit))
      return uint32_t(std::max<int64_t>(pos, 0));
    FClock += length;
    FLastLength = length;
    pos += frame.Size;
  }
  FSkip = uint32_t(pos - Size);
  return Size;
}
