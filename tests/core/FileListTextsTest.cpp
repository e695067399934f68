#include "core/FileListTexts.h"
#include "core/JoinDecisions.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <cmath>
#include <gtest/gtest.h>

TEST(FileListTexts, FormatsDurationsInWholeSecondsHalvesToEven)
{
  EXPECT_EQ(FormatDuration(0), "00:00");
  EXPECT_EQ(FormatDuration(59.4), "00:59");
  EXPECT_EQ(FormatDuration(2.5), "00:02");
  EXPECT_EQ(FormatDuration(3.5), "00:04");
  EXPECT_EQ(FormatDuration(3599.6), "01:00:00");
  EXPECT_EQ(FormatDuration(3725), "01:02:05");
  EXPECT_EQ(FormatDuration(360000), "100:00:00");
  // Lengths no file has still give a readable cell.
  EXPECT_EQ(FormatDuration(-5), "00:00");
  EXPECT_EQ(FormatDuration(NAN), "00:00");
  EXPECT_FALSE(FormatDuration(1e300).empty());
}

TEST(FileListTexts, ShowsFourCCsByteByByte)
{
  EXPECT_EQ(FourCCToString(0), "");
  EXPECT_EQ(FourCCToString(0x58564944), "DIVX");
  EXPECT_EQ(FourCCToString(0x00000031), "1???"); // a control byte would break the cell
}

TEST(FileListTexts, MakesTheCellsOfARow)
{
  TVideoFileInfo info;
  info.TypeName = "AVI";
  EXPECT_EQ(TypeCellText(info), "AVI:");
  info.VideoFourCC = 0x44495658;
  EXPECT_EQ(TypeCellText(info), "AVI:XVID");
  info.TypeName = "MPEG1";
  EXPECT_EQ(TypeCellText(info), "MPEG1");

  info.Width = 720;
  info.Height = 576;
  EXPECT_EQ(FrameSizeCellText(info), "720x576");

  info.FrameRate = 25;
  EXPECT_EQ(FrameRateCellText(info), "25");
  info.FrameRate = 30000.0 / 1001;
  EXPECT_EQ(FrameRateCellText(info), "29.97");
  EXPECT_EQ(FrameRateCellText(info, ","), "29,97");
  info.FrameRate = 12.5;
  EXPECT_EQ(FrameRateCellText(info), "12.50");

  EXPECT_EQ(AudioCellText(info), "none");
  info.HasAudio = true;
  info.SamplesPerSec = 44100;
  info.Channels = 2;
  EXPECT_EQ(AudioCellText(info), "44KHz Stereo");
  info.SamplesPerSec = 22050;
  info.Channels = 1;
  EXPECT_EQ(AudioCellText(info), "22KHz Mono");
  info.Channels = 6;
  EXPECT_EQ(AudioCellText(info), "22KHz Stereo");
}

TEST(FileListTexts, SplitsAPathIntoNameAndFolder)
{
  EXPECT_EQ(FileNameCellText("/home/me/clip.avi"), "clip.avi");
  EXPECT_EQ(FolderCellText("/home/me/clip.avi"), "/home/me");
  EXPECT_EQ(FolderCellText("/clip.avi"), "/");
  EXPECT_EQ(FileNameCellText("clip.avi"), "clip.avi");
  EXPECT_EQ(FolderCellText("clip.avi"), "");
}

TEST(FileListTexts, SaysWhatDiffersFromTheFirstFile)
{
  TVideoFileInfo first;
  first.TypeName = "AVI";
  first.FrameRate = 29.97;
  first.HasAudio = true;
  first.FormatTag = 0x55;
  first.SamplesPerSec = 44100;
  first.Channels = 2;
  first.BitsPerSample = 16;
  TVideoFileInfo rate = first, pcm = first, silent = first;
  rate.FrameRate = 25;
  pcm.FormatTag = 1;
  pcm.SamplesPerSec = 48000;
  silent.HasAudio = false;
  std::vector<TVideoFileInfo*> list = {&first, &rate, &pcm, &silent};
  MarkDifferences(list);
  EXPECT_EQ(DifferenceText(TMarkedCell::FrameRate, rate, first), "25 frames a second; the first file has 29.97");
  EXPECT_EQ(DifferenceText(TMarkedCell::Audio, rate, first), "");
  EXPECT_EQ(DifferenceText(TMarkedCell::Audio, pcm, first), "PCM, 48000 Hz sound; the first file has MP3, 44100 Hz");
  EXPECT_EQ(DifferenceText(TMarkedCell::Audio, silent, first), "no sound; the first file has MP3 sound");
  EXPECT_EQ(DifferenceText(TMarkedCell::Audio, first, silent), "");
  silent.FileName = "/v/quiet.avi";
  pcm.FileName = "/v/pcm.avi";
  EXPECT_EQ(SoundLeftOutReason({&first, &rate, &pcm, &silent}), "audio formats differ; no sound in quiet.avi");
  EXPECT_EQ(SoundLeftOutReason({&first, &rate, &pcm}),
            "audio formats differ: pcm.avi: PCM, 48000 Hz sound; the first file has MP3, 44100 Hz");
}

TEST(FileListTexts, CountsFurtherTracksAndNamesThoseAJoinLeavesOut)
{
  const auto track = [](TFurtherStream::TKind Kind, int Codec, const char* Language) {
    TFurtherStream stream;
    stream.Kind = Kind;
    stream.Facts.CodecId = Codec;
    stream.Facts.SampleRate = Kind == TFurtherStream::Sound ? 48000 : 0;
    stream.Facts.ChannelLayout = Kind == TFurtherStream::Sound ? "stereo" : "";
    stream.Language = Language;
    return stream;
  };
  const TFurtherStream french = track(TFurtherStream::Sound, AV_CODEC_ID_AAC, "fre");
  const TFurtherStream text = track(TFurtherStream::Subtitles, AV_CODEC_ID_MOV_TEXT, "");
  const auto clip = [](const char* Name, const char* Container, std::vector<TFurtherStream> Further) {
    TVideoFileInfo info;
    info.FileName = std::string("/v/") + Name;
    info.TypeName = "DirectShow";
    info.HasAudio = true;
    info.SamplesPerSec = 48000;
    info.Channels = 2;
    info.CopyFormat.Container = Container;
    info.CopyFormat.Audio.emplace().CodecId = AV_CODEC_ID_AAC;
    info.CopyFormat.Audio->CodecName = "AAC";
    info.CopyFormat.Further = std::move(Further);
    return info;
  };
  const struct {
    TVideoFileInfo First, Entry;
    const char* Cell;       // the entry's Audio cell
    const char* Difference; // what its cell says differs
  } cases[] = {
      {clip("a.mp4", "MP4", {french, text}), clip("b.mp4", "MP4", {french, text}), "48KHz Stereo, 2 tracks, 1 subtitle",
       ""},
      {clip("a.mp4", "MP4", {french, text}), clip("b.mp4", "MP4", {text}), "48KHz Stereo, 1 subtitle",
       "b.mp4 has no French sound track"},
      {clip("a.mp4", "MP4", {french}), clip("b.mp4", "MP4", {french, text, text}), "48KHz Stereo, 2 tracks, 2 subtitles",
       "b.mp4: its MP4 text subtitle track is left out; the first file has none\n"
       "b.mp4: its MP4 text subtitle track is left out; the first file has none"},
      // Another first sound leaves all sound out: the further tracks go unremarked.
      {clip("a.mp4", "MP4", {french, text}), [&] {
         TVideoFileInfo mono = clip("b.mp4", "MP4", {});
         mono.Channels = 1;
         return mono;
       }(),
       "48KHz Mono", "mono sound; the first file has stereo\nb.mp4 has no MP4 text subtitle track"},
      // Files that are not joined by copying their packets are not compared track by track.
      {clip("a.flv", "FLV", {french}), clip("b.flv", "FLV", {}), "48KHz Stereo", ""},
      {clip("a.mkv", "MKV", {}), [&] {
         TVideoFileInfo silent = clip("b.mkv", "MKV", {text});
         silent.HasAudio = false;
         return silent;
       }(),
       "none, 1 subtitle", "no sound; the first file has AAC sound\nb.mkv: its MP4 text subtitle track is left out; "
                           "the first file has none"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Cell);
    TVideoFileInfo first = c.First, entry = c.Entry;
    MarkDifferences({&first, &entry});
    EXPECT_EQ(AudioCellText(entry), c.Cell);
    EXPECT_EQ(DifferenceText(TMarkedCell::Audio, entry, first), c.Difference);
  }
}
