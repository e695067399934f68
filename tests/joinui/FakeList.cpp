#include "FakeList.h"

extern "C" {
#include <libavcodec/codec_id.h>
}


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

TFakeList& TFakeList::AddCopyable(const std::string& Container, std::vector<TFurtherStream> Further, int Chapters)
{
  Add("DirectShow", 1280, 720, 25);
  TVideoFileInfo& info = FInfos.back();
  info.CopyFormat.Container = Container;
  info.CopyFormat.Video.emplace().CodecId = AV_CODEC_ID_H264;
  info.CopyFormat.Audio.emplace().CodecId = AV_CODEC_ID_AAC;
  info.CopyFormat.Further = std::move(Further);
  info.CopyFormat.Chapters = Chapters;
  return *this;
}

TFakeList& TFakeList::Named(const std::string& FileName)
{
  FInfos.back().FileName = FileName;
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
