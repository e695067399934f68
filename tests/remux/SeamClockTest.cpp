#include "remux/SeamClock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// One input: a picture of Frames frames from VideoStart, and Packets sound packets from
// AudioStart, all in microseconds of the input's own clock.
struct TClip {
  int64_t VideoStart;
  int Frames;
  int64_t AudioStart;
  int Packets;
  int64_t PacketUs;
};

constexpr int64_t FrameUs = 40000; // 25 fps
constexpr int64_t Aac = 21333;     // 1024 samples at 48 kHz

struct TSeamCase {
  const char* Name;
  TClip First;
  TClip Second;
  int FirstKept;        // sound packets of the first clip left in
  int64_t SecondPicture; // where the second clip's picture starts in the output
  int64_t SecondSound;   // where its first sound packet starts
};

// Drives the clock as the join does: the first sound packet fixes the offset, the picture tells
// where the seam lies, and then each sound packet is kept or left out.
void RunClips(const TSeamCase& c, int& firstKept, int64_t& secondPicture, int64_t& secondSound)
{
  TSeamClock clock;
  const TClip clips[] = {c.First, c.Second};
  for (int k = 0; k < 2; ++k) {
    const TClip& clip = clips[k];
    std::optional<int64_t> nextLead, nextStart;
    if (k == 0) {
      nextLead = c.Second.AudioStart - c.Second.VideoStart;
      nextStart = c.Second.VideoStart;
    }
    clock.BeginInput(clip.VideoStart, nextLead, nextStart);
    if (k == 1)
      secondPicture = clock.OutputStart();
    const int64_t offset = clock.AudioOffset(clip.AudioStart, clip.PacketUs);
    for (int i = 0; i < clip.Frames; ++i)
      clock.VideoPacket(clip.VideoStart + i * FrameUs, FrameUs);
    clock.EndInput();
    int kept = 0;
    for (int i = 0; i < clip.Packets; ++i) {
      const int64_t start = clip.AudioStart + i * clip.PacketUs + offset;
      if (k == 1 && i == 0)
        secondSound = start;
      if (clock.AudioKept(start, clip.PacketUs)) {
        clock.AudioWritten(start, clip.PacketUs);
        ++kept;
      }
    }
    if (k == 0)
      firstKept = kept;
  }
}

const TSeamCase SeamCases[] = {
    // 2 s of picture, 100 packets of 20 ms: the seam falls between two packets.
    {"SoundAsLongAsThePicture", {0, 50, 0, 100, 20000}, {0, 50, 0, 100, 20000}, 100, 2000000, 2000000},
    // The next clip's priming packet leads its picture; the packet it would overlap goes, and
    // its sound keeps its place with its picture rather than lag it by the 5 ms left between.
    {"AacPrimingAtTheSeam", {0, 50, -Aac, 95, Aac}, {0, 50, -Aac, 95, Aac}, 94, 2000000, 1978667},
    // Short sound leaves a hole; the next clip's sound still starts with its picture.
    {"SoundHalfASecondShort", {0, 50, 0, 75, 20000}, {0, 50, 0, 75, 20000}, 75, 2000000, 2000000},
    // Sound past the picture's end is left out whole packets at a time.
    {"SoundFourTenthsLong", {0, 50, 0, 120, 20000}, {0, 50, 0, 120, 20000}, 100, 2000000, 2000000},
    // A late start is kept, in both clips.
    {"SoundStartsLate", {0, 50, 300000, 85, 20000}, {0, 50, 300000, 85, 20000}, 85, 2000000, 2300000},
    // Time stamps that start late (as in MPEG-TS) count from the picture's start.
    // Parts of one recording, the second's clock 4 ms on from the first's picture end and its
    // sound 16 ms after its picture: the gap stays, and every sound packet with it.
    {"PartsOfOneRecording", {0, 50, 0, 101, 20000}, {2004000, 50, 2020000, 100, 20000}, 101, 2004000, 2020000},
    {"ClockStartsLate", {1480000, 50, 1458667, 95, Aac}, {1480000, 50, 1458667, 95, Aac}, 94, 2000000, 1978667},
};

class SeamClockCase : public testing::TestWithParam<TSeamCase> {};

} // namespace

TEST_P(SeamClockCase, SoundStartsWithItsPictureAndNeverRunsIntoTheNext)
{
  const TSeamCase& c = GetParam();
  int firstKept = -1;
  int64_t secondPicture = -1;
  int64_t secondSound = -1;
  RunClips(c, firstKept, secondPicture, secondSound);
  EXPECT_EQ(firstKept, c.FirstKept);
  EXPECT_EQ(secondPicture, c.SecondPicture);
  EXPECT_NEAR(double(secondSound), double(c.SecondSound), 2);
}

INSTANTIATE_TEST_SUITE_P(Seams, SeamClockCase, testing::ValuesIn(SeamCases),
                         [](const testing::TestParamInfo<TSeamCase>& info) { return std::string(info.param.Name); });

// Matroska rounds each packet's start to the millisecond; the sound's end is what the packets
// play, or every seam that fits sound to it lags by the rounding, the more at each.
TEST(SeamClock, SoundEndIsWhatThePacketsPlayNotWhereTheirRoundedStartsPoint)
{
  TSeamClock clock;
  clock.BeginInput(0, std::nullopt);
  constexpr int packets = 300;
  for (int i = 0; i < packets; ++i)
    clock.AudioWritten((int64_t(i) * 1024 * 1000 / 48000) * 1000, 21333); // starts in whole ms
  EXPECT_NEAR(clock.SoundEnd(), packets * 1024 * 1000000LL / 48000, packets);
}
