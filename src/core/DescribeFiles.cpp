#include "core/DescribeFiles.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

std::vector<TFileDescription> DescribeFiles(const std::vector<std::string>& FileNames)
{
  std::vector<TFileDescription> results(FileNames.size());
  std::atomic<size_t> next = 0;
  const auto work = [&] {
    for (size_t i; (i = next++) < FileNames.size();) {
      try {
        results[i].Info = CreateVideoFileInfo(FileNames[i]);
      } catch (const std::exception& e) {
        results[i].Error = e.what();
      }
    }
  };
  const size_t threads = std::min<size_t>(std::max(1u, std::thread::hardware_concurrency()), FileNames.size());
  std::vector<std::jthread> workers;
  for (size_t t = 1; t < threads; ++t)
    workers.emplace_back(work);
  work();
  return results;
}
