#include "core/DescribeFiles.h"

#include "platform/EveryCore.h"

#include <exception>

std::vector<TFileDescription> DescribeFiles(const std::vector<std::string>& FileNames)
{
  std::vector<TFileDescription> results(FileNames.size());
  ForEachOnEveryCore(FileNames.size(), [&](size_t i) {
    try {
      results[i].Info = CreateVideoFileInfo(FileNames[i]);
    } catch (const std::exception& e) {
      results[i].Error = e.what();
    }
  });
  return results;
}
