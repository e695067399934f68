#pragma once

#include "mpeg/MPEG1SysRead.h"
#include "mpeg/OutputStream.h"

#include <cstdint>

// Rewrites the SCR of pack headers and the PTS of packets of system streams written one after
// another, so that the clocks run on across each seam instead of jumping back. One join owns
// one object, so that joins never share the state between seams.
class TMPEGTimeCorrection {
public:
  // Raises "Floating point division by zero" for a frame rate of 0.
  void InitTimeCorrection(double FrameRate);
  // Called before the units of each input system stream, the first one included.
  void StartNextFile();
  void WriteCorrectedPack(uint32_t MuxRate, TOutputStream& Stream, int64_t SCR);
  void WriteCorrectedPacket(const TMPEGPacketInfo& Packet, const void* Data, uint32_t Size, TOutputStream& Stream);

private:
  int64_t FFrameTicks = 0; // one frame duration in 90 kHz ticks
  int64_t FLastVideoPTS = 0;
  int64_t FLastSCR = 0;
  int64_t FPTSOffset = 0;
  int64_t FSCROffset = 0;
  bool FPTSAnchorPending = false;
  bool FSCRAnchorPending = false;
};

// The encoders: a 12-byte MPEG-1 pack header, and a packet with at most a PTS (no stuffing, STD
// buffer field or DTS). Only the low 33 bits of a time value are written.
void WritePackHeader(TOutputStream& Stream, uint32_t MuxRate, int64_t SCR);
void WritePacket(TOutputStream& Stream, const TMPEGPacketInfo& Packet, const void* Data, uint32_t Size);
