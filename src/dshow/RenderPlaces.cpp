#include "dshow/RenderPlaces.h"

void TSourcePlaces::Begin(size_t Source, int64_t Frame)
{
  std::lock_guard guard(FLock);
  FStart[Source] = Frame;
  FBegun = Source + 1;
  FFrames = Frame;
  FChanged.notify_all();
}

void TSourcePlaces::Length(size_t Source, double Seconds)
{
  std::lock_guard guard(FLock);
  FSeconds[Source] = Seconds;
}

std::vector<double> TSourcePlaces::Lengths()
{
  std::lock_guard guard(FLock);
  return FSeconds;
}

void TSourcePlaces::Reach(int64_t Frame)
{
  std::lock_guard guard(FLock);
  FFrames = Frame;
  FChanged.notify_all();
}

void TSourcePlaces::Abort()
{
  std::lock_guard guard(FLock);
  FAborted = true;
  FChanged.notify_all();
}

template <typename P> void TSourcePlaces::Wait(std::unique_lock<std::mutex>& Lock, P Known)
{
  if (FAborted || Known())
    return;
  const auto tell = [&](bool Waiting) {
    if (!OnWait)
      return;
    Lock.unlock();
    OnWait(Waiting);
    Lock.lock();
  };
  tell(true);
  FChanged.wait(Lock, [&] { return FAborted || Known(); });
  tell(false);
}

int64_t TSourcePlaces::Start(size_t Source)
{
  std::unique_lock lock(FLock);
  Wait(lock, [&] { return FBegun > Source; });
  return FAborted ? -1 : FStart[Source];
}

TSourcePlaces::TReach TSourcePlaces::Reach(size_t Source, int64_t Frame)
{
  std::unique_lock lock(FLock);
  Wait(lock, [&] { return FBegun > Source + 1 || (FBegun == Source + 1 && FFrames > Frame); });
  if (FBegun > Source + 1)
    return {FStart[Source + 1], true, FSeconds[Source]};
  return {FFrames, FAborted, 0};
}
