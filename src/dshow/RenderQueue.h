#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>

// A bounded hand-over between two threads: Push waits while the queue is full, Pop while it is
// empty. After Close, Push refuses and Pop hands out what is left, then reports the end.
template <typename T> class TRenderQueue {
public:
  explicit TRenderQueue(size_t Capacity) : FCapacity(Capacity) {}

  bool Push(T Item)
  {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return FClosed || FItems.size() < FCapacity; });
    if (FClosed)
      return false;
    FItems.push_back(std::move(Item));
    FChanged.notify_all();
    return true;
  }

  bool Pop(T& Item)
  {
    std::unique_lock lock(FLock);
    FChanged.wait(lock, [&] { return FClosed || !FItems.empty(); });
    if (FItems.empty())
      return false;
    Item = std::move(FItems.front());
    FItems.pop_front();
    FChanged.notify_all();
    return true;
  }

  void Close()
  {
    std::lock_guard guard(FLock);
    FClosed = true;
    FChanged.notify_all();
  }

private:
  size_t FCapacity;
  std::mutex FLock;
  std::condition_variable FChanged;
  std::deque<T> FItems;
  bool FClosed = false;
};

// Closes a queue when its producer or consumer leaves, also by an exception, so that the other
// side never waits for ever.
template <typename T> struct TQueueCloser {
  TRenderQueue<T>& Queue;
  ~TQueueCloser() { Queue.Close(); }
};
