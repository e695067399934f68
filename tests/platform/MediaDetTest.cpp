#include "platform/MediaDet.h"
#include "support/TestSupport.h"

extern "C" {
#include <libavutil/error.h>
}

#include <cstring>
#include <gtest/gtest.h>

namespace {

uint32_t LE32(const std::vector<uint8_t>& block, size_t offset)
{
  uint32_t value = 0;
  std::memcpy(&value, block.data() + offset, 4);
  return value;
}

uint16_t LE16(const std::vector<uint8_t>& block, size_t offset)
{
  return uint16_t(block[offset] | block[offset + 1] << 8);
}

} // namespace

TEST(MediaDet, DescribesEachStreamOfAnAviFile)
{
  TMediaDet det;
  ASSERT_EQ(det.put_Filename(MediaAviMpeg4Mp3()), 0);
  int32_t count = 0;
  ASSERT_EQ(det.get_OutputStreams(count), 0);
  ASSERT_EQ(count, 2);

  ASSERT_EQ(det.put_CurrentStream(0), 0);
  TMediaType type;
  ASSERT_EQ(det.get_StreamMediaType(type), 0);
  ASSERT_EQ(type.MajorType, TMajorType::Video);
  ASSERT_GE(type.Format.size(), 68u);
  EXPECT_EQ(LE32(type.Format, 52), 640u);
  EXPECT_EQ(LE32(type.Format, 56), 480u);
  EXPECT_EQ(LE32(type.Format, 64), LE32({'F', 'M', 'P', '4'}, 0)); // ffmpeg's tag for its mpeg4
  double rate = 0;
  EXPECT_EQ(det.get_FrameRate(rate), 0);
  EXPECT_DOUBLE_EQ(rate, 25);
  double length = 0;
  EXPECT_EQ(det.get_StreamLength(length), 0);
  EXPECT_NEAR(length, 3, 0.05);

  ASSERT_EQ(det.put_CurrentStream(1), 0);
  TMajorType major = TMajorType::Unknown;
  ASSERT_EQ(det.get_StreamTypeB(major), 0);
  EXPECT_EQ(major, TMajorType::Audio);
  ASSERT_EQ(det.get_StreamMediaType(type), 0);
  ASSERT_GE(type.Format.size(), 16u);
  EXPECT_EQ(LE16(type.Format, 0), 0x55); // MP3
  EXPECT_EQ(LE16(type.Format, 2), 2);
  EXPECT_EQ(LE32(type.Format, 4), 44100u);
  EXPECT_EQ(det.get_FrameRate(rate), 0);
  EXPECT_EQ(rate, 0);
}

// Names are files, never other protocols of FFmpeg's.
TEST(MediaDet, RefusesWhatIsNotAMediaFileAndCallsOutOfTurn)
{
  TTempDir dir;
  const std::string text = dir.File("notes.txt");
  WriteWholeFile(text, std::vector<uint8_t>(4000, 'a'));
  TMediaDet det;
  int32_t count = 0;
  EXPECT_LT(det.get_OutputStreams(count), 0); // no file yet
  for (const std::string& name : {text, dir.File("missing.avi"), std::string("http://127.0.0.1:9/clip.avi"),
                                  "concat:" + MediaAviMpeg4Mp3()})
    EXPECT_LT(det.put_Filename(name), 0) << name;
  EXPECT_LT(det.get_OutputStreams(count), 0); // a failed open leaves no file behind

  ASSERT_EQ(det.put_Filename(MediaAviMpeg4Mp3()), 0);
  EXPECT_EQ(det.put_CurrentStream(2), AVERROR(EINVAL));
  EXPECT_EQ(det.put_CurrentStream(-1), AVERROR(EINVAL));
}
