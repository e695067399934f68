#pragma once

#include "core/VideoUtils.h"

#include <memory>
#include <string>
#include <vector>

// What describing one file gave: its description, or the text of the error that stopped it.
struct TFileDescription {
  std::unique_ptr<TVideoFileInfo> Info;
  std::string Error;
};

// Describes the files as CreateVideoFileInfo does, on every core at once: each file is
// independent of the others. The results stand in the order of the names. Touches nothing but
// the files, so a worker thread may call it.
std::vector<TFileDescription> DescribeFiles(const std::vector<std::string>& FileNames);
