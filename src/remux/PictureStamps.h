#pragma once

#include "platform/FFmpegPtr.h"

#include <deque>
#include <set>

// Gives every picture packet of one input a decoding time stamp. Matroska and WebM store none,
// and FFmpeg derives them only once it has read as many packets as the pictures are reordered
// by: the first few packets of a file with B-frames come without one. Such packets are held
// until a stamped packet follows, and are stamped a frame apart up to it. A stream that FFmpeg
// does not stamp at all is stamped from its own presentation times.
// MP4 and MOV files with reordered pictures give no picture a duration: each then lasts until
// the next picture shown, and the last one the shortest such step, as variable frame rates
// (screen recorders) make the average rate too slow for it.
class TPictureStamps {
public:
  // The next picture packet in file order; a duration of 0 is unknown, and Nominal (from the
  // frame rate, in the stream's time base) stands for it where no step between pictures is seen.
  void Push(TPacketPtr Packet, int64_t Nominal);
  // At the end of the input: what is still held is stamped.
  void Finish();
  // The next stamped packet in file order, or null when none is ready.
  TPacketPtr Pop();

private:
  void StampHeldBefore(int64_t Dts);
  void StampFirstHeld();
  void TimeFront();

  std::deque<TPacketPtr> FHeld;
  std::deque<TPacketPtr> FReady;
  bool FOwnTimes = false;       // the stamps come from the presentation times
  std::multiset<int64_t> FTimes; // of the packets read, those no stamp has been taken from
  int64_t FEarly = 0;           // how much the own stamps lead the presentation times
  int64_t FLastDts = AV_NOPTS_VALUE;
  int64_t FNextPts = 0; // for a packet without any time
  int64_t FNominal = 0;
  std::deque<int64_t> FRecentPts; // of the packets around those not yet handed on
  int64_t FShortestStep = 0; // between pictures shown one after another; 0 while none is seen
  bool FFinished = false;
};
