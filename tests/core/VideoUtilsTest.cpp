#include "core/VideoUtils.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// A file of 20 bytes that start with `head`.
std::string TypeOfBytes(const TTempDir& dir, std::vector<uint8_t> head, size_t size = 20)
{
  head.resize(size, 0x11);
  const std::string name = dir.File("signature");
  WriteWholeFile(name, head);
  return GetFileTypeName(name);
}

TVideoFileInfo Info(const std::string& type, uint32_t fourCC, uint16_t width, uint16_t height, double rate)
{
  TVideoFileInfo info;
  info.TypeName = type;
  info.VideoFourCC = fourCC;
  info.Width = width;
  info.Height = height;
  info.FrameRate = rate;
  return info;
}

} // namespace

TEST(VideoUtils, TypesFilesByTheirFirstTwentyBytes)
{
  TTempDir dir;
  EXPECT_EQ(TypeOfBytes(dir, {0, 0, 1, 0xBA, 0x44}), "MPEG2");
  EXPECT_EQ(TypeOfBytes(dir, {0, 0, 1, 0xBA, 0x21}), "MPEG1");
  EXPECT_EQ(TypeOfBytes(dir, {0, 0, 1, 0xBA, 0x3F}), "MPEG1");
  EXPECT_EQ(TypeOfBytes(dir, {0, 0, 1, 0xB3}), "MPEG1");
  EXPECT_EQ(TypeOfBytes(dir, {0, 0, 1, 0xB5}), "DirectShow");
  EXPECT_EQ(TypeOfBytes(dir, {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF}), "WMV");
  EXPECT_EQ(TypeOfBytes(dir, {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'A', 'V', 'I', 'X'}), "AVI");
  EXPECT_EQ(TypeOfBytes(dir, {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'W', 'A', 'V', 'E'}), "DirectShow");
  EXPECT_EQ(TypeOfBytes(dir, {'.', 'R', 'M', 'F'}), "RealMedia");
  EXPECT_EQ(TypeOfBytes(dir, {0, 'R', 'M', 'F'}), "RealMedia"); // byte 0 is never looked at
  EXPECT_EQ(TypeOfBytes(dir, {'R', 'I', 'F', 'F', 1, 2, 3, 4, 'A', 'V', 'I', ' '}, 19), "DirectShow");
  EXPECT_THROW(GetFileTypeName(dir.File("missing")), EOSError);
}

TEST(VideoUtils, DescribesARealFileFromEveryStream)
{
  const auto info = CreateVideoFileInfo(MediaAviMpeg4Mp3());
  EXPECT_EQ(info->FileName, MediaAviMpeg4Mp3());
  EXPECT_EQ(info->TypeName, "AVI");
  EXPECT_EQ(info->Width, 640);
  EXPECT_EQ(info->Height, 480);
  EXPECT_EQ(info->FrameRate, 25);
  EXPECT_EQ(info->VideoFourCC, 0x34504D46u); // FMP4
  EXPECT_TRUE(info->HasAudio);
  EXPECT_EQ(info->Channels, 2);
  EXPECT_EQ(info->SamplesPerSec, 44100u);
  EXPECT_EQ(info->FormatTag, 0x55);
  EXPECT_NEAR(info->Duration, 3, 0.1);

  // Not an AVI file: no FourCC, whatever the codec.
  const auto mpeg = CreateVideoFileInfo(MediaMpeg1System());
  EXPECT_EQ(mpeg->TypeName, "MPEG1");
  EXPECT_EQ(mpeg->VideoFourCC, 0u);
  EXPECT_EQ(mpeg->Width, 352);
  EXPECT_EQ(mpeg->FormatTag, 0x50); // MPEG-1 layer 2

  // Sound only: the video fields stay 0.
  const auto sound = CreateVideoFileInfo(MakeMedia("tone.wav", "-f lavfi -i sine=duration=1 -ar 22050 -ac 1"));
  EXPECT_EQ(sound->FrameRate, 0);
  EXPECT_EQ(sound->Width, 0);
  EXPECT_EQ(sound->SamplesPerSec, 22050u);
  EXPECT_EQ(sound->BitsPerSample, 16);
  EXPECT_EQ(sound->FormatTag, 1);
}

TEST(VideoUtils, AFileThatIsNotMediaRaisesTheDetectorsCode)
{
  TTempDir dir;
  const std::string name = dir.File("noise.avi");
  std::vector<uint8_t> bytes(5000);
  for (size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = uint8_t(i * 7 + 3);
  WriteWholeFile(name, bytes);
  EXPECT_EQ(ErrorOf([&] { CreateVideoFileInfo(name); }),
            "DirectShow Error: BEBBB1B7 (Invalid data found when processing input)");
}

TEST(VideoUtils, ComparesVideoExactlyAndMarksWhatDiffers)
{
  TVideoFileInfo a = Info("AVI", 0x58564944, 320, 240, 25);
  const TVideoFileInfo same = Info("AVI", 0x58564944, 320, 240, 25);
  EXPECT_TRUE(CompareVideoFormat(a, same));
  EXPECT_FALSE(a.TypeDiffers || a.FrameSizeDiffers || a.FrameRateDiffers);

  EXPECT_FALSE(CompareVideoFormat(a, Info("AVI", 0x44495658, 320, 240, 25)));
  EXPECT_TRUE(a.TypeDiffers);
  EXPECT_FALSE(a.FrameSizeDiffers);

  EXPECT_FALSE(CompareVideoFormat(a, Info("AVI", 0x58564944, 320, 288, 25.000001)));
  EXPECT_FALSE(a.TypeDiffers);
  EXPECT_TRUE(a.FrameSizeDiffers);
  EXPECT_TRUE(a.FrameRateDiffers);

  TVideoFileInfo mp4 = Info("DirectShow", 0, 320, 240, 25);
  EXPECT_TRUE(CompareVideoFormat(mp4, Info("DirectShow", 0, 320, 240, 25)));
  EXPECT_FALSE(CompareVideoFormat(mp4, Info("MPEG1", 0, 320, 240, 25)));
  EXPECT_TRUE(mp4.TypeDiffers);
}

TEST(VideoUtils, ComparesAudioOnEveryFormatField)
{
  TVideoFileInfo silent;
  EXPECT_TRUE(CompareAudioFormat(silent, TVideoFileInfo()));
  TVideoFileInfo pcm;
  pcm.HasAudio = true;
  pcm.Channels = 2;
  pcm.SamplesPerSec = 44100;
  pcm.BitsPerSample = 16;
  pcm.FormatTag = 1;
  pcm.Duration = 5;
  EXPECT_FALSE(CompareAudioFormat(pcm, silent));
  TVideoFileInfo other = pcm;
  other.Duration = 9; // length never counts
  EXPECT_TRUE(CompareAudioFormat(pcm, other));
  other.BitsPerSample = 8;
  EXPECT_FALSE(CompareAudioFormat(pcm, other));
  other = pcm;
  other.FormatTag = 0x55;
  EXPECT_FALSE(CompareAudioFormat(pcm, other));
}

// FFmpeg only estimates MPEG lengths: from the bit rate of an elementary stream (none here: its
// quality is fixed), from the last time stamps of a program stream (the last 40% of its
// video packets lose theirs here). The description counts the real picture length.
TEST(VideoUtils, MPEGStreamsShowTheirRealLength)
{
  const std::string es = MakeMedia("fixed-quality.m1v", "-f lavfi -i testsrc=size=320x240:rate=25:duration=3 "
                                                        "-c:v mpeg1video -q:v 3 -bf 2 -f mpeg1video");
  const std::string ps = MakeMedia("program-3s.vob", "-f lavfi -i testsrc=size=320x240:rate=24:duration=3 "
                                                  "-c:v mpeg2video -q:v 3 -bf 2 -f vob");
  TTempDir dir;
  std::vector<uint8_t> bytes = ReadWholeFile(ps);
  for (size_t i = bytes.size() * 6 / 10; i + 8 < bytes.size(); ++i)
    if (bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && bytes[i + 3] == 0xE0)
      bytes[i + 7] &= 0x3F; // PTS_DTS_flags: none; the fields stay as header stuffing
  WriteWholeFile(dir.File("unstamped.vob"), bytes);
  for (const std::string& file : {es, ps, dir.File("unstamped.vob")}) {
    SCOPED_TRACE(file);
    EXPECT_NEAR(CreateVideoFileInfo(file)->Duration, 3.0, 0.001);
  }
}
