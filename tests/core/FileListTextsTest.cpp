#include "core/FileListTexts.h"
#include "core/JoinDecisions.h"

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
