#pragma once

#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"

#include <deque>
#include <string>

// Probe results made up for the dialog: a list that owns its entries.
class TFakeList {
public:
  TFakeList& Add(const std::string& Type, uint16_t Width, uint16_t Height, double Rate, bool HasAudio = true);
  TJoinList List();

private:
  std::deque<TVideoFileInfo> FInfos;
};
