#pragma once

#include "platform/FFmpegPtr.h"

#include <deque>

// Gives every picture packet of one input a decoding time stamp. Matroska and WebM store none,
// and FFmpeg derives them only once it has read as many packets as the pictures are reordered
// by: the first few packets of a file with B-frames come without one. Such packets are held
// until a stamped packet follows, and are stamped a frame apart up to it; where none follows, the
// held packets are stamped from their own presentation times.
class TPictureStamps {
public:
  // The next picture packet in file order, its duration known (in the stream's time base).
  void Push(TPacketPtr Packet);
  // At the end of the input: what is still held is stamped.
  void Finish();
  // The next stamped packet in file order, or null when none is ready.
  TPacketPtr Pop();

private:
  void StampHeldBefore(int64_t Dts);
  void StampHeldFromOwnTimes();

  std::deque<TPacketPtr> FHeld;
  std::deque<TPacketPtr> FReady;
  int64_t FNextDts = AV_NOPTS_VALUE; // where a packet without any stamp follows the last one
};
