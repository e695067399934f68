#pragma once

#include "platform/FFmpegPtr.h"

#include <deque>
#include <set>

// Gives every picture packet of one input a decoding time stamp. Matroska and WebM store none,
// and FFmpeg derives them only once it has read as many packets as the pictures are reordered
// by: the first few packets of a file with B-frames come without one. Such packets are held
// until a stamped packet follows, and are stamped a frame apart up to it. A stream that FFmpeg
// does not stamp at all is stamped from its own presentation times.
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
  void StampFirstHeld();

  std::deque<TPacketPtr> FHeld;
  std::deque<TPacketPtr> FReady;
  bool FOwnTimes = false;       // the stamps come from the presentation times
  std::multiset<int64_t> FTimes; // of the packets read, those no stamp has been taken from
  int64_t FEarly = 0;           // how much the own stamps lead the presentation times
  int64_t FLastDts = AV_NOPTS_VALUE;
  int64_t FNextPts = 0; // for a packet without any time
};
