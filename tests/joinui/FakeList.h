#pragma once

#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"

#include <deque>
#include <string>
#include <vector>

// Probe results made up for the dialog: a list that owns its entries.
class TFakeList {
public:
  TFakeList& Add(const std::string& Type, uint16_t Width, uint16_t Height, double Rate, bool HasAudio = true);
  // A file of today's containers that the copy joins: H.264 and AAC, with further streams.
  TFakeList& AddCopyable(const std::string& Container, std::vector<TFurtherStream> Further = {}, int Chapters = 0);
  TFakeList& Named(const std::string& FileName); // the entry added last
  TJoinList List();

private:
  std::deque<TVideoFileInfo> FInfos;
};
