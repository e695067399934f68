#include "mpeg/MPEGVideoScan.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>

namespace {

constexpr uint8_t PictureStartCode = 0x00;
constexpr uint8_t SequenceHeaderCode = 0xB3;
constexpr uint8_t GroupStartCode = 0xB8;
constexpr double ClockRate = 90000;

} // namespace

double SequenceFrameRate(uint8_t FrameRateCode)
{
  static const double rates[] = {0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
  return FrameRateCode < std::size(rates) ? rates[FrameRateCode] : 0;
}

void TMPEGVideoScan::Feed(const uint8_t* Data, size_t Size, std::optional<int64_t> Stamp)
{
  // A start code cut by the end of the last piece gets its missing bytes from this one; they are
  // still scanned below, as a start code may follow a short header at once.
  if (FHeaderUsed > 0) {
    const size_t n = std::min(Size, sizeof FHeader - FHeaderUsed);
    std::memcpy(FHeader + FHeaderUsed, Data, n);
    FHeaderUsed += n;
    if (FHeaderUsed == sizeof FHeader) {
      FHeaderUsed = 0;
      OnStartCode(FHeader, FHeaderStamp);
    }
  }
  size_t i = 0;
  while (i < Size) {
    if (FPrefixEnded) {
      FPrefixEnded = false;
      FZeros = 0;
      if (Size - i >= sizeof FHeader) {
        OnStartCode(Data + i, Stamp);
      } else {
        FHeaderUsed = Size - i;
        std::memcpy(FHeader, Data + i, FHeaderUsed);
        FHeaderStamp = Stamp;
      }
      if (Data[i] == PictureStartCode)
        Stamp.reset(); // a packet's stamp belongs to the first picture that starts in it
      ++i;
      continue;
    }
    const auto* one = static_cast<const uint8_t*>(std::memchr(Data + i, 0x01, Size - i));
    const size_t j = one == nullptr ? Size : size_t(one - Data);
    // The zeros that run up to j (or to the piece's end), with those of earlier pieces.
    size_t k = j;
    while (k > i && j - k < 2 && Data[k - 1] == 0)
      --k;
    const uint32_t zeros = uint32_t(j - k) + (k == 0 ? FZeros : 0);
    if (one == nullptr) {
      FZeros = std::min<uint32_t>(zeros, 2);
      break;
    }
    FPrefixEnded = zeros >= 2;
    FZeros = 0;
    i = j + 1;
  }
}

void TMPEGVideoScan::OnStartCode(const uint8_t* Code, std::optional<int64_t> Stamp)
{
  const uint8_t* b = Code + 1;
  switch (Code[0]) {
  case SequenceHeaderCode:
    if (FFrameTicks == 0) {
      const double rate = SequenceFrameRate(b[3] & 0x0F);
      if (rate > 0)
        FFrameTicks = int64_t(std::nearbyint(ClockRate / rate));
    }
    break;
  case GroupStartCode: {
    const int64_t ticks = FFrameTicks;
    // drop_frame_flag, hours, minutes, marker, seconds, pictures
    const int hours = b[0] >> 2 & 0x1F, minutes = (b[0] & 3) << 4 | b[1] >> 4, seconds = (b[1] & 7) << 3 | b[2] >> 5;
    const int pictures = (b[2] & 0x1F) << 1 | b[3] >> 7;
    const int64_t nominalRate = ticks > 0 ? std::llround(ClockRate / double(ticks)) : 0;
    const int64_t timeCode = ((hours * 60 + minutes) * 60 + seconds) * nominalRate + pictures;
    if (FGroupPictures > 0 && FGroupTimeCode) {
      ++FTimeCodePairs;
      FTimeCodeMismatch = FTimeCodeMismatch || timeCode - *FGroupTimeCode != GroupLength();
    }
    if (FGroupStart && FGroupPictures > 0)
      FGroupStart = *FGroupStart + GroupLength() * ticks;
    else if (!FStamped && ticks > 0)
      FGroupStart = timeCode * ticks;
    if (!FFirstTimeCodeStart && !FStamped && FGroupStart)
      FFirstTimeCodeStart = FGroupStart;
    FGroupTimeCode = timeCode;
    FGroupPictures = 0;
    FGroupMaxTR = -1;
    FLastTR = -1;
    break;
  }
  case PictureStartCode: {
    const int tr = b[0] << 2 | b[1] >> 6; // temporal_reference: the place in the group's showing order
    if (Stamp) {
      FGroupStart = *Stamp - tr * FFrameTicks;
      FStamped = true;
      if (!FFirstStampedStart)
        FFirstStampedStart = FGroupStart;
    }
    // The two fields of a frame coded apart share one temporal reference.
    if (tr != FLastTR)
      ++FGroupPictures, ++FPictures;
    FLastTR = tr;
    FGroupMaxTR = std::max(FGroupMaxTR, tr);
    break;
  }
  }
}

int64_t TMPEGVideoScan::GroupLength() const
{
  return std::max<int64_t>(FGroupPictures, FGroupMaxTR + 1);
}

std::optional<int64_t> TMPEGVideoScan::FirstGroupStart() const
{
  return FStamped ? FFirstStampedStart : FFirstTimeCodeStart;
}

std::optional<int64_t> TMPEGVideoScan::End() const
{
  if (!FGroupStart)
    return std::nullopt;
  return *FGroupStart + GroupLength() * FFrameTicks;
}
