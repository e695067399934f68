#include "platform/EveryCore.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

void ForEachOnEveryCore(size_t Count, const std::function<void(size_t)>& Work)
{
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    for (size_t i; (i = next++) < Count;)
      Work(i);
  };
  const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), Count);
  std::vector<std::jthread> workers;
  for (size_t t = 1; t < threads; ++t)
    workers.emplace_back(work);
  work();
}
