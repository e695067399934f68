#include "core/JoinDecisions.h"
#include "core/VideoUtils.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <gtest/gtest.h>

#include <deque>
#include <optional>

namespace {

// Owns the entries of one list.
class TListBuilder {
public:
  TListBuilder& Add(const std::string& type, uint16_t width, uint16_t height, double rate, bool hasAudio = true)
  {
    TVideoFileInfo& info = FInfos.emplace_back();
    info.TypeName = type;
    info.Width = width;
    info.Height = height;
    info.FrameRate = rate;
    info.HasAudio = hasAudio;
    if (hasAudio) {
      info.Channels = 2;
      info.SamplesPerSec = 44100;
      info.BitsPerSample = 16;
      info.FormatTag = 0x55;
    }
    return *this;
  }
  // The last entry's audio in another format.
  TListBuilder& OtherAudio()
  {
    FInfos.back().SamplesPerSec = 22050;
    return *this;
  }
  TJoinList List()
  {
    std::vector<TVideoFileInfo*> entries;
    for (TVideoFileInfo& info : FInfos)
      entries.push_back(&info);
    MarkDifferences(entries);
    return TJoinList(entries.begin(), entries.end());
  }

private:
  std::deque<TVideoFileInfo> FInfos;
};

void ExpectFacts(const TJoinList& list, bool canCopy, bool dropAudio, bool noAudio, bool ticked)
{
  const TJoinFacts facts = ComputeJoinFacts(list);
  EXPECT_EQ(facts.CanJoinWORecomp, canCopy);
  EXPECT_EQ(facts.DropAudio, dropAudio);
  EXPECT_EQ(facts.NoAudio, noAudio);
  EXPECT_EQ(DefaultJoinWORecomp(facts), ticked);
}

using TItems = std::vector<std::string>;

} // namespace

TEST(JoinDecisions, FactsAndTickForTheFourInputSituations)
{
  // One format with sound: joined as it is.
  ExpectFacts(TListBuilder().Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 25).List(), true, false, false, true);
  // One of them without sound: possible, but not ticked, as the sound would be lost.
  ExpectFacts(TListBuilder().Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 25, false).List(), true, true, false, false);
  ExpectFacts(TListBuilder().Add("MPEG1", 352, 288, 25).Add("MPEG1", 352, 288, 25).OtherAudio().List(), true, true,
              false, false);
  // No sound at all: nothing to lose.
  ExpectFacts(TListBuilder().Add("MPEG1", 352, 288, 25, false).Add("MPEG1", 352, 288, 25, false).List(), true, true,
              true, true);
  // Another container, another size or rate, or a type only recompression reads.
  ExpectFacts(TListBuilder().Add("AVI", 320, 240, 25).Add("WMV", 320, 240, 25).List(), false, false, false, false);
  ExpectFacts(TListBuilder().Add("AVI", 320, 240, 25).Add("MPEG1", 320, 240, 25).List(), false, false, false, false);
  ExpectFacts(TListBuilder().Add("AVI", 320, 240, 25).Add("AVI", 320, 240, 30).List(), false, false, false, false);
  ExpectFacts(TListBuilder().Add("MPEG2", 720, 576, 25).List(), false, false, false, false);
}

TEST(JoinDecisions, FrameRateItemsSortByValueAndSelectTheFirstFilesRate)
{
  struct {
    TListBuilder Files;
    char Separator;
    TItems Items;
    int Selected;
  } cases[] = {
      {TListBuilder().Add("AVI", 8, 8, 25).Add("AVI", 8, 8, 29.97002997), '.', {"24.00", "25.00", "29.97"}, 1},
      {TListBuilder().Add("AVI", 8, 8, 15), '.', {"15.00", "24.00", "25.00", "29.97"}, 0},
      // One fast clip does not make the whole join fast.
      {TListBuilder().Add("AVI", 8, 8, 23.976).Add("AVI", 8, 8, 100),
       ',',
       {"23,98", "24,00", "25,00", "29,97", "100,00"},
       0},
      {TListBuilder().Add("AVI", 8, 8, 100).Add("AVI", 8, 8, 9), '.', {"9.00", "24.00", "25.00", "29.97", "100.00"}, 4},
      // A file without a rate offers none and takes the first item.
      {TListBuilder().Add("WMV", 0, 0, 0).Add("AVI", 8, 8, 25), '.', {"24.00", "25.00", "29.97"}, 0},
  };
  for (auto& c : cases) {
    const TFrameRateItems rates = FrameRateItems(c.Files.List(), c.Separator);
    EXPECT_EQ(rates.Items, c.Items);
    EXPECT_EQ(rates.Selected, c.Selected) << c.Items.front();
  }

  TItems items = {"24.00"};
  EXPECT_EQ(AddFrameRate(items, 24.0001, '.'), 0);
  EXPECT_EQ(AddFrameRate(items, 12.5, '.'), 1);
  EXPECT_EQ(items, (TItems{"24.00", "12.50"}));
}

TEST(JoinDecisions, OptimalSettingsFitTheSmallestInputAndCropOnlyWhenSizesGrow)
{
  struct {
    TListBuilder Files;
    std::optional<int> Width, Height; // none: no input has video
    std::optional<double> Rate;
    bool Crop;
  } cases[] = {
      {TListBuilder().Add("MPEG1", 352, 288, 29.97).Add("AVI", 640, 480, 25), 352, 288, 25, true},
      // Each file is measured against the smallest before it, so a shrinking list needs no crop.
      {TListBuilder().Add("AVI", 640, 480, 25).Add("MPEG1", 352, 288, 29.97), 352, 288, 25, false},
      {TListBuilder().Add("AVI", 321, 245, 25).Add("AVI", 327, 247, 25), 320, 240, 25, false}, // 327 - 321 = 6
      // Files without video neither shrink the frame to nothing nor set a rate of 0.
      {TListBuilder().Add("AVI", 4, 4, 25).Add("WMV", 0, 0, 0), 8, 8, 25, false},
      {TListBuilder().Add("WMV", 0, 0, 0), {}, {}, {}, false},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.Width.value_or(0));
    const TOptimalSettings settings = ComputeOptimalSettings(c.Files.List());
    EXPECT_EQ(settings.FrameWidth, c.Width);
    EXPECT_EQ(settings.FrameHeight, c.Height);
    EXPECT_EQ(settings.FrameRate, c.Rate);
    EXPECT_EQ(settings.Crop, c.Crop);
  }
}

TEST(JoinDecisions, CompressorsAreChosenByName)
{
  EXPECT_EQ(ChooseVideoCompressor({"Cinepak", "XviD MPEG-4 Codec", "DivX Pro 5", "huffyuv"}), 2);
  EXPECT_EQ(ChooseVideoCompressor({"Cinepak", "libxvid (XVID)", "mpeg4"}), 1);
  EXPECT_EQ(ChooseVideoCompressor({"divx 4", "DIVX 5"}), 1); // the last one
  EXPECT_EQ(ChooseVideoCompressor({"Cinepak", "mpeg4"}), -1);

  EXPECT_EQ(ChooseAudioCompressor({"No-compressing", "PCM", "MPEG Layer-3"}), 2);
  EXPECT_EQ(ChooseAudioCompressor({"No-compressing", "PCM", "MPEG Layer-3", "LAME MP3"}), 3);
  EXPECT_EQ(ChooseAudioCompressor({"No-compressing", "PCM signed 16-bit"}), 1);
  EXPECT_EQ(ChooseAudioCompressor({"No-compressing", "AC-3"}), -1);
}

TEST(JoinDecisions, OutputNamesGoToTheLastFolderAndGetTheRoadsExtension)
{
  const struct {
    const char* Typed;
    const char* Extension;
    const char* Name;
  } cases[] = {
      {"holiday", ".avi", "/videos/holiday.avi"},
      {"holiday", ".mpeg", "/videos/holiday.mpeg"},
      {"holiday", ".mkv", "/videos/holiday.mkv"},
      {"holiday.mp4", ".avi", "/videos/holiday.mp4"},
      {"sub/holiday.avi", ".avi", "/videos/sub/holiday.avi"},
      {"/tmp/holiday", ".avi", "/tmp/holiday.avi"},
      {"/tmp/holiday.mkv", ".mpeg", "/tmp/holiday.mkv"},
      {"my.film/cut", ".avi", "/videos/my.film/cut.avi"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CompleteOutputName(c.Typed, "/videos", c.Extension), c.Name) << c.Typed;
  EXPECT_EQ(CompleteOutputName("holiday", "", ".avi"), "holiday.avi");
}

namespace {

// A file described by FFmpeg alone, of the given container and picture size, with AAC sound at
// the given rate (0: no sound).
TVideoFileInfo Today(const std::string& name, const std::string& container, int width, int rate)
{
  TVideoFileInfo info;
  info.FileName = "/clips/" + name;
  info.TypeName = "DirectShow";
  info.Width = uint16_t(width);
  info.Height = 720;
  info.FrameRate = 30;
  info.HasAudio = rate != 0;
  info.SamplesPerSec = uint32_t(rate);
  info.CopyFormat.Container = container;
  TStreamFacts& video = info.CopyFormat.Video.emplace();
  video.CodecId = AV_CODEC_ID_H264;
  video.CodecName = "H264";
  video.Width = width;
  video.Height = 720;
  if (rate != 0) {
    TStreamFacts& audio = info.CopyFormat.Audio.emplace();
    audio.CodecId = AV_CODEC_ID_AAC;
    audio.CodecName = "AAC";
    audio.SampleRate = rate;
    audio.ChannelLayout = "stereo";
  }
  return info;
}

} // namespace

TEST(JoinDecisions, TodaysContainersAreComparedByWhatDecodersNeed)
{
  TVideoFileInfo avi;
  avi.FileName = "/clips/old.avi";
  avi.TypeName = "AVI";
  avi.VideoFourCC = 0x44495658; // XVID
  const struct {
    const char* Name;
    std::vector<TVideoFileInfo> Files;
    bool CanJoin, DropAudio, Tick;
    const char* Note;
  } cases[] = {
      {"alike, another frame rate is no obstacle",
       {Today("a.mp4", "MP4", 1280, 48000), Today("b.mov", "MOV", 1280, 48000)}, true, false, true, ""},
      {"another frame size",
       {Today("a.mp4", "MP4", 1280, 48000), Today("b.mp4", "MP4", 1920, 48000)}, false, false, false,
       "b.mp4: 1920x720 H.264; the first file is 1280x720 H.264"},
      {"another sound: joined without it, not by default",
       {Today("a.mp4", "MP4", 1280, 48000), Today("b.mp4", "MP4", 1280, 44100)}, true, true, false,
       "b.mp4: 44100 Hz stereo AAC; the first file has 48000 Hz stereo AAC"},
      {"no sound anywhere", {Today("a.mkv", "MKV", 1280, 0), Today("b.mkv", "MKV", 1280, 0)}, true, true, true, ""},
      {"a file of the AVI road", {Today("a.mp4", "MP4", 1280, 48000), avi}, false, true, false,
       "old.avi: AVI:XVID file; the first file is MP4:H264"},
      {"a container this road does not write", {Today("a.flv", "FLV", 1280, 48000)}, false, false, false, ""},
  };
  for (const auto& c : cases) {
    std::vector<TVideoFileInfo> files = c.Files;
    std::vector<TVideoFileInfo*> entries;
    for (TVideoFileInfo& file : files)
      entries.push_back(&file);
    MarkDifferences(entries);
    const TJoinFacts facts = ComputeJoinFacts(TJoinList(entries.begin(), entries.end()));
    EXPECT_EQ(facts.CanJoinWORecomp, c.CanJoin) << c.Name;
    EXPECT_EQ(facts.DropAudio, c.DropAudio) << c.Name;
    EXPECT_EQ(DefaultJoinWORecomp(facts), c.Tick) << c.Name;
    EXPECT_EQ(facts.CopyNote, c.Note) << c.Name;
  }
}
