#include "mpeg/MPEGTimeCorrect.h"

#include "mpeg/BigEndian.h"
#include "mpeg/MPEG1SysRead.h"
#include "mpeg/MPEGAudioFrames.h"

#include <algorithm>

void PutTimeStamp(uint8_t* Field, int64_t Value)
{
  Field[0] = uint8_t((Field[0] & 0xF0) | ((Value >> 30) & 7) << 1 | 1);
  Field[1] = uint8_t(Value >> 22);
  Field[2] = uint8_t(Value >> 14 | 1);
  Field[3] = uint8_t(Value >> 7);
  Field[4] = uint8_t(Value << 1 | 1);
}

void TMPEGTimeCorrection::StartNextFile(const TMPEGTiming& Timing)
{
  // An input without picture ends where its sound does.
  if (!FInputHasPicture)
    for (const auto& [stream, frames] : FSound)
      if (const auto end = frames.End())
        FOutputEnd = std::max(FOutputEnd.value_or(*end), *end);
  FInputHasPicture = false;
  FFrameTicks = Timing.FrameTicks > 0 ? Timing.FrameTicks : FDefaultFrameTicks;
  FInputEnd = Timing.End;
  for (auto& [stream, frames] : FSound)
    frames.StartInput();
  FDropping.clear();
  FDroppedSound = 0;
  FSCRAnchorPending = true;
  // The first clock of the input: its first picture, else the earliest clock of any stream.
  std::optional<int64_t> start = Timing.Start;
  for (const auto& [stream, clock] : Timing.FirstClock)
    if (!Timing.Start && (!start || clock < *start))
      start = clock;
  FOffset = start && FOutputEnd ? *FOutputEnd - *start : 0; // the first input keeps its clocks
  FUnwrap = start ? TClockUnwrap(*start) : TClockUnwrap();
  // Decoding times run on: a stream whose first decoding time precedes its first picture
  // (reordered pictures) would otherwise repeat the last one before the seam.
  for (const auto& [stream, clock] : Timing.FirstClock) {
    const auto last = FLastClock.find(stream);
    if (last != FLastClock.end())
      FOffset = std::max(FOffset, last->second + 1 - clock);
  }
  if (!FOutputStart && Timing.Start)
    FOutputStart = *Timing.Start + FOffset;
  if (const auto end = InputEndInOutput())
    FOutputEnd = std::max(FOutputEnd.value_or(*end), *end);
}

std::optional<int64_t> TMPEGTimeCorrection::InputEndInOutput() const
{
  if (!FInputEnd)
    return std::nullopt;
  return *FInputEnd + FOffset;
}

uint32_t TMPEGTimeCorrection::CorrectUnit(TMPEGUnitKind Kind, int64_t SCR, const TMPEGPacketInfo& Packet, uint8_t* Unit,
                                          int64_t UnitPos, uint32_t UnitSize)
{
  if (Kind == ukPack) {
    if ((Unit[4] & 0xF0) != 0x20) // not an MPEG-1 pack: its clock is laid out otherwise
      return UnitSize;
    SCR = FUnwrap(SCR);
    // The system clock follows the time stamps, but never steps back at a seam.
    if (FSCRAnchorPending) {
      FSCROffset = FOffset;
      if (FLastSCR)
        FSCROffset = std::max(FSCROffset, *FLastSCR - SCR);
      FSCRAnchorPending = false;
    }
    FLastSCR = SCR + FSCROffset;
    PutTimeStamp(Unit + 4, *FLastSCR);
    return UnitSize;
  }
  if (Kind != ukPacket)
    return UnitSize;
  const uint8_t stream = Packet.StreamID;
  const int64_t packetPts = Packet.HasPTS ? FUnwrap(Packet.PTS) : 0;
  if (IsSoundStream(stream)) {
    if (FDropping[stream]) {
      ++FDroppedSound;
      return 0;
    }
    // Sound after the input's picture would run into the next input's picture. It is cut where
    // a frame starts: a packet that begins with the end of a kept frame keeps that end.
    TMPEGAudioFrames& frames = FSound[stream];
    const uint32_t payload = uint32_t(Packet.PayloadPos - UnitPos);
    uint32_t keep = frames.Walk(Unit + payload, Packet.PayloadSize,
                                Packet.HasPTS ? std::optional<int64_t>(packetPts + FOffset) : std::nullopt,
                                InputEndInOutput());
    // Frames that cannot be followed go by their packets' times.
    if (frames.Lost() && Packet.HasPTS && FInputEnd && packetPts >= *FInputEnd)
      keep = 0;
    if (keep < Packet.PayloadSize) {
      FDropping[stream] = true;
      ++FDroppedSound;
      if (keep == 0)
        return 0;
      UnitSize = payload + keep;
      PutBE16(Unit + 4, uint16_t(UnitSize - 6)); // packet_length
    }
  }
  if (Packet.HasPTS && Packet.PTSPos > UnitPos) {
    uint8_t* field = Unit + (Packet.PTSPos - UnitPos);
    const int64_t pts = packetPts + FOffset;
    PutTimeStamp(field, pts);
    int64_t clock = pts;
    if (Packet.HasDTS) {
      clock = FUnwrap(Packet.DTS) + FOffset;
      PutTimeStamp(field + 5, clock);
    }
    FLastClock[stream] = clock;
    if (stream == VideoStream0) {
      FOutputEnd = std::max(FOutputEnd.value_or(pts + FFrameTicks), pts + FFrameTicks);
      FInputHasPicture = true;
    }
  }
  return UnitSize;
}
