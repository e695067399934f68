#include "mpeg/MPEGAudioFrames.h"

#include "mpeg/BigEndian.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// kbit/s by bitrate index: MPEG-1 layers I, II, III, then MPEG-2 and 2.5 layer I, and II/III.
constexpr uint16_t BitRates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr uint32_t SampleRates[3] = {44100, 48000, 32000};
constexpr double ClockRate = 90000;
// Players fill a hole in the sound's time stamps this long or longer with silence, and play
// through shorter ones.
constexpr double HoleTicks = 0.1 * ClockRate;

} // namespace

TMPEGAudioFrame ReadMPEGAudioFrame(const uint8_t* Header)
{
  const uint32_t h = uint32_t(GetBE16(Header)) << 16 | GetBE16(Header + 2);
  const uint32_t version = h >> 19 & 3, layer = h >> 17 & 3, rateIndex = h >> 12 & 15, sampleIndex = h >> 10 & 3;
  if ((h >> 21) != 0x7FF || version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3)
    return {}; // no sync, a reserved value, or a free bit rate, whose frames have no size here
  const bool mpeg1 = version == 3;
  TMPEGAudioFrame frame;
  frame.SampleRate = SampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const uint32_t bitRate = BitRates[mpeg1 ? 3 - layer : layer == 3 ? 3 : 4][rateIndex] * 1000u;
  const uint32_t padding = h >> 9 & 1;
  if (layer == 3) { // layer I: slots of 4 bytes
    frame.Size = (12 * bitRate / frame.SampleRate + padding) * 4;
    frame.Samples = 384;
  } else {
    const bool half = layer == 1 && !mpeg1; // layer III of MPEG-2 and 2.5
    frame.Size = (half ? 72 : 144) * bitRate / frame.SampleRate + padding;
    frame.Samples = half ? 576 : 1152;
  }
  return frame;
}

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
