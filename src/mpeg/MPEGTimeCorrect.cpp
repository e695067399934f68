#include "mpeg/MPEGTimeCorrect.h"

#include "mpeg/BigEndian.h"
#include "platform/Exceptions.h"

#include <cmath>

namespace {

constexpr uint8_t VideoStream0 = 0xE0;
constexpr double ClockRate = 90000.0;

// The five bytes of an SCR or PTS field with the prefix bits '0010' and its marker bits.
void EncodeTimeStamp(uint8_t* p, int64_t v)
{
  p[0] = uint8_t(0x21 | ((v >> 30) & 7) << 1);
  p[1] = uint8_t(v >> 22);
  p[2] = uint8_t(v >> 14 | 1);
  p[3] = uint8_t(v >> 7);
  p[4] = uint8_t(v << 1 | 1);
}

} // namespace

void WritePackHeader(TOutputStream& Stream, uint32_t MuxRate, int64_t SCR)
{
  uint8_t header[12] = {0x00, 0x00, 0x01, 0xBA};
  EncodeTimeStamp(header + 4, SCR);
  header[9] = uint8_t(MuxRate >> 15 | 0x80);
  header[10] = uint8_t(MuxRate >> 7);
  header[11] = uint8_t(MuxRate << 1 | 1);
  Stream.Write(header, sizeof header);
}

void WritePacket(TOutputStream& Stream, const TMPEGPacketInfo& Packet, const void* Data, uint32_t Size)
{
  uint8_t header[11] = {0x00, 0x00, 0x01, Packet.StreamID};
  uint32_t headerSize = 6;
  if (Packet.HasPTS) {
    EncodeTimeStamp(header + 6, Packet.PTS);
    headerSize += 5;
  } else {
    header[6] = 0x0F; // no time stamps
    headerSize += 1;
  }
  PutBE16(header + 4, uint16_t(Size + headerSize - 6)); // packet_length
  Stream.Write(header, headerSize);
  if (Size > 0)
    Stream.Write(Data, Size);
}

void TMPEGTimeCorrection::InitTimeCorrection(double FrameRate)
{
  if (FrameRate == 0)
    throw Exception("Floating point division by zero");
  const double ticks = std::nearbyint(1.0 / FrameRate * ClockRate); // halves to even
  if (!(std::fabs(ticks) < 0x1p62))
    throw Exception("Invalid floating point operation");
  FFrameTicks = int64_t(ticks);
  FLastVideoPTS = 0;
  FLastSCR = 0;
  FPTSOffset = 0;
  FSCROffset = 0;
}

void TMPEGTimeCorrection::StartNextFile()
{
  if (FLastVideoPTS != 0)
    FPTSOffset = FLastVideoPTS + FFrameTicks;
  FSCROffset = FLastSCR;
  FPTSAnchorPending = true;
  FSCRAnchorPending = true;
}

// The first pack of an input takes the last SCR written before the seam.
void TMPEGTimeCorrection::WriteCorrectedPack(uint32_t MuxRate, TOutputStream& Stream, int64_t SCR)
{
  if (FSCRAnchorPending && FSCROffset != 0)
    FSCROffset -= SCR;
  FSCRAnchorPending = false;
  FLastSCR = SCR + FSCROffset;
  WritePackHeader(Stream, MuxRate, FLastSCR);
}

// The first time-stamped packet of an input, of whatever stream, takes the last video PTS plus
// one frame duration.
void TMPEGTimeCorrection::WriteCorrectedPacket(const TMPEGPacketInfo& Packet, const void* Data, uint32_t Size,
                                               TOutputStream& Stream)
{
  TMPEGPacketInfo corrected = Packet;
  if (corrected.HasPTS) {
    if (FPTSAnchorPending && FPTSOffset != 0)
      FPTSOffset -= corrected.PTS;
    FPTSAnchorPending = false;
    corrected.PTS += FPTSOffset;
    if (corrected.StreamID == VideoStream0)
      FLastVideoPTS = corrected.PTS;
  }
  WritePacket(Stream, corrected, Data, Size);
}
