#include "remux/PictureStamps.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int64_t None = AV_NOPTS_VALUE;

struct TStampCase {
  const char* Name;
  std::vector<int64_t> Pts, Dts; // as the demuxer gives them, in file order; frames of 40
  std::vector<int64_t> Expected; // the decoding times handed on; empty: only that they are sound
  // Given: none, as MP4 gives reordered pictures, with a nominal 54 (a variable rate's average);
  // expected: the durations handed on. Empty: every picture is given 40.
  std::vector<int64_t> Durations = {};
};

// Pictures shown one before, one after their turn, as B-frames between references are.
std::vector<int64_t> Reordered(int count)
{
  std::vector<int64_t> pts;
  for (int i = 0; i < count; ++i)
    pts.push_back(i * 40 + (i % 3 == 1 ? 80 : i % 3 == 2 ? -40 : 0));
  return pts;
}

const TStampCase StampCases[] = {
    // Matroska with two B-frames: FFmpeg stamps from the third packet on.
    {"FirstPacketsOfReorderedPictures", {21, 141, 61, 101, 261, 181, 221}, {None, None, 21, 61, 101, 141, 181},
     {-59, -19, 21, 61, 101, 141, 181}},
    {"EveryPacketStamped", {40, 120, 80}, {0, 40, 80}, {0, 40, 80}},
    // A stream FFmpeg never stamps, ending before any stamp came.
    {"NoStampAtAll", {0, 120, 40, 80, 240, 160, 200}, {None, None, None, None, None, None, None}, {}},
    // A packet without any time after stamped ones follows them a frame on.
    {"PacketWithoutAnyTime", {0, 40, None}, {0, 40, None}, {0, 40, 80}},
    // Longer without stamps than any reordering explains: stamped from its own times midway.
    {"LongWithoutStamps", Reordered(40), std::vector<int64_t>(40, None), {}},
    // A screen recording that skipped three frames; its last picture lasts the shortest step.
    {"VariableRateWithoutDurations", {0, 120, 40, 80, 320, 280}, {-80, -40, 0, 40, 80, 120}, {-80, -40, 0, 40, 80, 120},
     {40, 160, 40, 40, 40, 40}},
};

class PictureStamps : public testing::TestWithParam<TStampCase> {};

} // namespace

TEST_P(PictureStamps, EveryPictureGetsARisingDecodingTimeNoLaterThanItShows)
{
  const TStampCase& c = GetParam();
  TPictureStamps stamps;
  std::vector<int64_t> dts, durations;
  auto take = [&] {
    while (TPacketPtr packet = stamps.Pop()) {
      ASSERT_NE(packet->dts, None);
      ASSERT_NE(packet->pts, None);
      EXPECT_LE(packet->dts, packet->pts) << "packet " << dts.size();
      if (!dts.empty()) {
        EXPECT_GT(packet->dts, dts.back()) << "packet " << dts.size();
      }
      dts.push_back(packet->dts);
      durations.push_back(packet->duration);
    }
  };
  for (size_t i = 0; i < c.Pts.size(); ++i) {
    TPacketPtr packet = NewPacket();
    packet->pts = c.Pts[i];
    packet->dts = c.Dts[i];
    packet->duration = c.Durations.empty() ? 40 : 0;
    stamps.Push(std::move(packet), c.Durations.empty() ? 40 : 54);
    take();
  }
  stamps.Finish();
  take();
  EXPECT_EQ(dts.size(), c.Pts.size());
  if (!c.Expected.empty()) {
    EXPECT_EQ(dts, c.Expected);
  }
  EXPECT_EQ(durations, c.Durations.empty() ? std::vector<int64_t>(c.Pts.size(), 40) : c.Durations);
}

INSTANTIATE_TEST_SUITE_P(Cases, PictureStamps, testing::ValuesIn(StampCases),
                         [](const testing::TestParamInfo<TStampCase>& info) { return std::string(info.param.Name); });
