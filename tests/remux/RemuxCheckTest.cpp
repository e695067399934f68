#include "remux/RemuxCheck.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <gtest/gtest.h>

#include <functional>

namespace {

TCopyFormat Phone()
{
  TCopyFormat format;
  format.Container = "MP4";
  TStreamFacts& video = format.Video.emplace();
  video.CodecId = AV_CODEC_ID_H264;
  video.CodecName = "H264";
  video.Profile = "High";
  video.Width = 1280;
  video.Height = 720;
  video.PixelFormat = "yuv420p";
  video.FieldOrder = "progressive";
  video.Colours = "tv bt709/bt709/bt709";
  video.ExtraDataSize = 40;
  video.ExtraDataHash = 1;
  TStreamFacts& audio = format.Audio.emplace();
  audio.CodecId = AV_CODEC_ID_AAC;
  audio.CodecName = "AAC";
  audio.SampleRate = 48000;
  audio.ChannelLayout = "stereo";
  audio.SampleFormat = "fltp";
  audio.ExtraDataSize = 2;
  audio.ExtraDataHash = 7;
  return format;
}

struct TUnlikeCase {
  const char* Name;
  std::function<void(TCopyFormat&)> Change; // made to the second file
  const char* OutContainer;
  const char* Refusal;
  const char* SoundDifference;
  bool InBand = false; // both files' H.264 with start codes
};

const TUnlikeCase UnlikeCases[] = {
    {"Alike", [](TCopyFormat&) {}, "MP4", "", ""},
    {"OtherContainerSameStreams", [](TCopyFormat& f) { f.Container = "MOV"; }, "MP4", "", ""},
    {"FrameSizeAndCodec",
     [](TCopyFormat& f) {
       f.Video->CodecId = AV_CODEC_ID_HEVC;
       f.Video->CodecName = "HEVC";
       f.Video->Width = 1920;
       f.Video->Height = 1080;
     },
     "MP4", "clip2.mp4: 1920x1080 HEVC; the first file is 1280x720 H.264", ""},
    {"Profile", [](TCopyFormat& f) { f.Video->Profile = "Main"; }, "MP4",
     "clip2.mp4: H.264 Main profile; the first file has H.264 High profile", ""},
    {"PixelFormat", [](TCopyFormat& f) { f.Video->PixelFormat = "yuv420p10le"; }, "MP4",
     "clip2.mp4: pixel format yuv420p10le; the first file has yuv420p", ""},
    {"SampleAspectRatio",
     [](TCopyFormat& f) {
       f.Video->SarNum = 4;
       f.Video->SarDen = 3;
     },
     "MP4", "clip2.mp4: a sample aspect ratio of 4:3; the first file has square pixels", ""},
    {"FieldOrder", [](TCopyFormat& f) { f.Video->FieldOrder = "interlaced, top field first"; }, "MP4",
     "clip2.mp4: interlaced, top field first picture; the first file is progressive", ""},
    {"Colours", [](TCopyFormat& f) { f.Video->Colours = "tv bt2020/smpte2084/bt2020nc"; }, "MP4",
     "clip2.mp4: colours tv bt2020/smpte2084/bt2020nc; the first file has tv bt709/bt709/bt709", ""},
    {"Rotation", [](TCopyFormat& f) { f.Video->Rotation = 90; }, "MP4",
     "clip2.mp4: a rotation of 90 degrees; the first file has no rotation", ""},
    {"SetupData", [](TCopyFormat& f) { f.Video->ExtraDataHash = 2; }, "MP4",
     "clip2.mp4: its H.264 setup data differ from the first file's (another encoder or other settings)", ""},
    // In-band parameter sets may change on the way in MPEG-TS, not in MP4.
    {"InBandParameterSetsInTs",
     [](TCopyFormat& f) { f.Video->ExtraDataHash = 2; }, "TS", "", "", true},
    {"InBandParameterSetsInMp4", [](TCopyFormat& f) { f.Video->ExtraDataHash = 2; }, "MP4",
     "clip2.mp4: its H.264 setup data differ from the first file's (another encoder or other settings)", "", true},
    {"StartCodesAgainstLengthPrefixes", [](TCopyFormat& f) { f.Video->AnnexB = true; }, "MP4",
     "clip2.mp4: H.264 with start codes; the first file has none", ""},
    {"NoPicture", [](TCopyFormat& f) { f.Video.reset(); }, "MP4",
     "clip2.mp4: no picture; the first file has 1280x720 H.264", ""},
    {"NotThisRoadsContainer", [](TCopyFormat& f) { f.Container = "FLV"; }, "MP4",
     "clip2.mp4: FLV file; the first file is MP4", ""},
    {"NoSound", [](TCopyFormat& f) { f.Audio.reset(); }, "MP4", "",
     "clip2.mp4: no sound; the first file has 48000 Hz stereo AAC"},
    {"SampleRate", [](TCopyFormat& f) { f.Audio->SampleRate = 44100; }, "MP4", "",
     "clip2.mp4: 44100 Hz stereo AAC; the first file has 48000 Hz stereo AAC"},
    {"ChannelLayout", [](TCopyFormat& f) { f.Audio->ChannelLayout = "mono"; }, "MP4", "",
     "clip2.mp4: 48000 Hz mono AAC; the first file has 48000 Hz stereo AAC"},
    {"SampleFormat", [](TCopyFormat& f) { f.Audio->SampleFormat = "s16p"; }, "MP4", "",
     "clip2.mp4: AAC samples in s16p; the first file has fltp"},
    {"SoundSetupData", [](TCopyFormat& f) { f.Audio->ExtraDataHash = 8; }, "MP4", "",
     "clip2.mp4: its AAC setup data differ from the first file's (another encoder or other settings)"},
    // The picture decides first; the sound is told apart.
    {"BothDiffer",
     [](TCopyFormat& f) {
       f.Video->Width = 640;
       f.Audio->SampleRate = 44100;
     },
     "MP4", "clip2.mp4: 640x720 H.264; the first file is 1280x720 H.264",
     "clip2.mp4: 44100 Hz stereo AAC; the first file has 48000 Hz stereo AAC"},
};

class RemuxCheckCase : public testing::TestWithParam<TUnlikeCase> {};

} // namespace

TEST_P(RemuxCheckCase, NamesTheFileAndWhatDiffers)
{
  const TUnlikeCase& c = GetParam();
  TCopyFormat first = Phone();
  first.Video->AnnexB = c.InBand;
  TCopyFormat second = first;
  c.Change(second);
  const TCopyJoinCheck check = CheckCopyJoin({{"clip1.mp4", &first}, {"clip2.mp4", &second}}, c.OutContainer);
  EXPECT_EQ(check.Refusal, c.Refusal);
  EXPECT_EQ(check.SoundDifference, c.SoundDifference);
}

INSTANTIATE_TEST_SUITE_P(Unlike, RemuxCheckCase, testing::ValuesIn(UnlikeCases),
                         [](const testing::TestParamInfo<TUnlikeCase>& info) { return std::string(info.param.Name); });

TEST(RemuxCheck, TheOutputsNameChoosesAContainerThatCanHoldTheStreams)
{
  TCopyFormat webm;
  webm.Container = "WEBM";
  webm.Video.emplace().CodecId = AV_CODEC_ID_VP9;
  webm.Audio.emplace().CodecId = AV_CODEC_ID_OPUS;
  const struct {
    const char* Output;
    const TCopyFormat Format;
    const char* Container;
  } cases[] = {
      {"joined.mkv", Phone(), "MKV"},   {"joined.MOV", Phone(), "MOV"},   {"joined.m2ts", Phone(), "TS"},
      {"joined.avi", Phone(), "MP4"},   {"joined", Phone(), "MP4"},       {"joined.webm", Phone(), "MP4"},
      {"joined.mkv", webm, "MKV"},      {"joined.ts", webm, "WEBM"},      {"joined.m4v", Phone(), "MP4"},
      // FFmpeg's MOV muxer takes VP9 and Opus only as MP4.
      {"joined.mov", webm, "WEBM"},     {"joined.mp4", webm, "MP4"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(OutputContainerFor(c.Output, c.Format), c.Container) << c.Output;
  EXPECT_EQ(CheckCopyJoin({{"a.webm", &webm}}, "AVI").Refusal, "a.webm: AVI files are joined only with recompression");
}
