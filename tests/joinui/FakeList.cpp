#include "FakeList.h"

#include <vector>

TFakeList& TFakeList::Add(const std::string& Type, uint16_t Width, uint16_t Height, double Rate, bool HasAudio)
{
  TVideoFileInfo& info = FInfos.emplace_back();
  info.FileName = "/v/" + std::to_string(FInfos.size()) + ".avi";
  info.TypeName = Type;
  info.Width = Width;
  info.Height = Height;
  info.FrameRate = Rate;
  info.HasAudio = HasAudio;
  return *this;
}

TJoinList TFakeList::List()
{
  std::vector<TVideoFileInfo*> entries;
  for (TVideoFileInfo& info : FInfos)
    entries.push_back(&info);
  MarkDifferences(entries);
  return TJoinList(entries.begin(), entries.end());
}
