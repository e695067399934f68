#include "platform/MediaDet.h"
#include "support/TestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>

namespace {

const char* const Kinds[][2] = {
    {"mutate.avi", "-c:v mpeg4 -c:a libmp3lame"}, {"mutate.mpg", "-c:v mpeg1video -c:a mp2 -f mpeg"},
    {"mutate.wmv", "-c:v wmv2 -c:a wmav2"},       {"mutate.mp4", "-c:v libx264 -c:a aac"},
    {"mutate.mkv", "-c:v mpeg4 -c:a libvorbis"},
};

// Every question the file list asks; a broken file may fail any of them, but must answer.
void DescribeAll(TMediaDet& det)
{
  int32_t count = 0;
  if (det.get_OutputStreams(count) != 0)
    return;
  for (int32_t i = 0; i < count; ++i) {
    ASSERT_EQ(det.put_CurrentStream(i), 0);
    double value = 0;
    det.get_StreamLength(value);
    det.get_FrameRate(value);
    TMediaType type;
    det.get_StreamMediaType(type);
    TMajorType major;
    det.get_StreamTypeB(major);
    EXPECT_TRUE(type.Format.empty() || type.Format.size() == 18 || type.Format.size() == 88);
  }
}

} // namespace

TEST(MediaDetMutation, DamagedFilesNeitherCrashNorHang)
{
  TTempDir dir;
  std::mt19937 random(20240611);
  for (const auto& kind : Kinds) {
    const auto original = ReadWholeFile(MakeMedia(
        kind[0],
        std::string("-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i sine=duration=1 ") + kind[1]));
    ASSERT_GT(original.size(), 1000u);
    for (int round = 0; round < 40; ++round) {
      auto bytes = original;
      // The headers are where a detector trips, so most damage goes near the start.
      const size_t span = round % 2 == 0 ? std::min<size_t>(bytes.size(), 4096) : bytes.size();
      for (int flips = 1 + int(random() % 16); flips > 0; --flips)
        bytes[random() % span] = uint8_t(random());
      if (round % 5 == 4)
        bytes.resize(random() % bytes.size());
      const std::string name = dir.File(std::string("m") + std::to_string(round) + "-" + kind[0]);
      WriteWholeFile(name, bytes);

      const auto start = std::chrono::steady_clock::now();
      TMediaDet det;
      if (det.put_Filename(name) == 0)
        DescribeAll(det);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15)) << name;
    }
  }
}
