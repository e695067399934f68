#pragma once

#include "platform/FFmpegPtr.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

// Puts the packets of several streams, each handed over by its own thread in its own time order,
// into one file in time order. A packet is written once every stream that may still send one has
// something queued, so nothing earlier can come; a stream whose queue is full (by count or by the
// time it spans) waits for the others, never a stream whose queue is empty. However far apart two
// streams' packets lie (one picture every five seconds, or 120 a second), the join goes on.
class TPacketInterleaver {
public:
  using TWriter = std::function<void(AVPacket* Packet)>;

  TPacketInterleaver(int Streams, TWriter Write);

  // Queues a packet whose time is `Seconds` and writes what is due. Waits while the stream's queue
  // is full. A failed write raises here, in the thread that found it.
  void Push(int Stream, TPacketPtr Packet, double Seconds);
  // The stream sends nothing more; writes what is now due.
  void End(int Stream);
  // The stream's thread waits for another stream to get on before it sends again; while it does,
  // the other queues are not bounded, so that they never wait for it in turn.
  void Idle(int Stream, bool Waiting);
  // Lets waiting pushes return at once; later pushes only queue.
  void Abort();
  // Writes every packet still queued, in time order. For the end of the run.
  void Flush();

private:
  struct TQueued {
    TPacketPtr Packet;
    double Seconds;
  };
  struct TStream {
    std::deque<TQueued> Queue;
    bool Ended = false;
    bool Idle = false;
  };

  void WriteDue(std::unique_lock<std::mutex>& Lock, bool All);
  bool MustWait(const TStream& Stream) const;

  TWriter FWrite;
  std::vector<TStream> FStreams;
  std::mutex FLock;
  std::condition_variable FChanged;
  bool FAborted = false;
  bool FWriting = false; // one thread writes at a time, outside the lock
};
