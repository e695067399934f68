#include "dshow/RenderInterleave.h"

namespace {

// A queue is full beyond either bound: memory for uncompressed pictures, and for streams whose
// packets are many and small.
constexpr size_t MaxQueuedPackets = 32;
constexpr double MaxQueuedSeconds = 2.0;

} // namespace

TPacketInterleaver::TPacketInterleaver(int Streams, TWriter Write) : FWrite(std::move(Write)), FStreams(Streams) {}

bool TPacketInterleaver::MustWait(const TStream& Stream) const
{
  const bool full =
      Stream.Queue.size() >= MaxQueuedPackets ||
      (Stream.Queue.size() > 1 && Stream.Queue.back().Seconds - Stream.Queue.front().Seconds > MaxQueuedSeconds);
  if (!full || FAborted)
    return false;
  for (const TStream& other : FStreams)
    if (other.Idle && other.Queue.empty() && !other.Ended)
      return false;
  return true;
}

void TPacketInterleaver::Push(int Stream, TPacketPtr Packet, double Seconds)
{
  std::unique_lock lock(FLock);
  TStream& stream = FStreams[Stream];
  stream.Queue.push_back({std::move(Packet), Seconds});
  WriteDue(lock, false);
  FChanged.wait(lock, [&] { return !MustWait(stream); });
}

void TPacketInterleaver::End(int Stream)
{
  std::unique_lock lock(FLock);
  FStreams[Stream].Ended = true;
  WriteDue(lock, false);
}

void TPacketInterleaver::Idle(int Stream, bool Waiting)
{
  std::lock_guard guard(FLock);
  FStreams[Stream].Idle = Waiting;
  FChanged.notify_all();
}

void TPacketInterleaver::Abort()
{
  std::lock_guard guard(FLock);
  FAborted = true;
  FChanged.notify_all();
}

void TPacketInterleaver::Flush()
{
  std::unique_lock lock(FLock);
  WriteDue(lock, true);
}

void TPacketInterleaver::WriteDue(std::unique_lock<std::mutex>& Lock, bool All)
{
  // Another thread is writing; it looks again for due packets before it stops. After an abort
  // only the end of the run writes.
  if (FWriting || (FAborted && !All))
    return;
  FWriting = true;
  try {
    for (;;) {
      TStream* earliest = nullptr;
      bool waiting = false; // a stream that may still send an earlier packet has none queued
      for (TStream& stream : FStreams) {
        if (stream.Queue.empty())
          waiting = waiting || !stream.Ended;
        else if (earliest == nullptr || stream.Queue.front().Seconds < earliest->Queue.front().Seconds)
          earliest = &stream;
      }
      if (earliest == nullptr || (waiting && !All))
        break;
      TPacketPtr packet = std::move(earliest->Queue.front().Packet);
      earliest->Queue.pop_front();
      FChanged.notify_all();
      Lock.unlock();
      try {
        FWrite(packet.get());
      } catch (...) {
        Lock.lock();
        throw;
      }
      Lock.lock();
    }
  } catch (...) {
    FWriting = false;
    throw;
  }
  FWriting = false;
}
