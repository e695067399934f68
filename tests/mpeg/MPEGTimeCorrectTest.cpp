#include "mpeg/MPEGAudioFrames.h"
#include "mpeg/MPEGTimeCorrect.h"
#include "mpeg/MpegBytes.h"

#include <gtest/gtest.h>

namespace {

TMPEGPacketInfo VideoPacket(int64_t pts, std::optional<int64_t> dts)
{
  TMPEGPacketInfo info;
  info.StreamID = 0xE0;
  info.HasPTS = true;
  info.PTS = pts;
  info.HasDTS = dts.has_value();
  info.DTS = dts.value_or(0);
  info.PTSPos = 6;
  info.PayloadPos = 6 + (dts ? 10 : 5);
  return info;
}

// An input at 25 frames per second with video alone.
TMPEGTiming Timing(int64_t start, int64_t end, int64_t firstDTS)
{
  TMPEGTiming timing;
  timing.FrameTicks = 3600;
  timing.Start = start;
  timing.End = end;
  timing.FirstClock[0xE0] = firstDTS;
  return timing;
}

// Two inputs at 25 frames per second: the first one's last picture, then the second one's
// first; the second must go on where the first one's picture ends, and its decoding time must
// step forward even when reordered pictures make it start before its first picture.
TEST(MPEGTimeCorrection, PlacesEachInputWhereThePictureBeforeItEndsAndNeverStepsBack)
{
  struct TCase {
    const char* Name;
    int64_t LastPTS, LastDTS, FirstPTS, FirstDTS, ExpectedPTS, ExpectedDTS;
  };
  const TCase cases[] = {
      {"plain", 996400, 996400, 60000, 60000, 1000000, 1000000},
      {"reordered after plain", 996400, 996400, 60000, 56400, 1000001, 996401},
      {"both reordered", 992800, 989200, 60000, 56400, 1000000, 996400},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TMPEGTimeCorrection correction(3600);
    const TMPEGTiming first = Timing(0, 1000000, 0);
    const TMPEGTiming second = Timing(c.FirstPTS, c.FirstPTS + 90000, c.FirstDTS);
    correction.StartNextFile(first);
    TBytes a = Packet(0xE0, Cat({TimeStamp(0x3, c.LastPTS), TimeStamp(0x1, c.LastDTS)}), Data(4));
    const TBytes original = a;
    EXPECT_EQ(correction.CorrectUnit(ukPacket, 0, VideoPacket(c.LastPTS, c.LastDTS), a.data(), 0, a.size()), a.size());
    EXPECT_EQ(a, original) << "the first input keeps its clocks";
    correction.StartNextFile(second);
    TBytes b = Packet(0xE0, Cat({TimeStamp(0x3, c.FirstPTS), TimeStamp(0x1, c.FirstDTS)}), Data(4));
    correction.CorrectUnit(ukPacket, 0, VideoPacket(c.FirstPTS, c.FirstDTS), b.data(), 0, b.size());
    EXPECT_EQ(ClockAt(b, 6), c.ExpectedPTS);
    EXPECT_EQ(ClockAt(b, 11), c.ExpectedDTS);
    EXPECT_EQ(b[6] >> 4, 0x3) << "prefix bits kept";
    EXPECT_EQ(b[11] >> 4, 0x1);
  }
}

TEST(MPEGTimeCorrection, SystemClockFollowsButNeverStepsBack)
{
  TMPEGTimeCorrection correction(3600);
  correction.StartNextFile(Timing(0, 90000, 0));
  TBytes pack = Pack(95000, 5); // delivered late: beyond where the next input is placed
  correction.CorrectUnit(ukPack, 95000, {}, pack.data(), 0, pack.size());
  correction.StartNextFile(Timing(50000, 140000, 50000));
  TBytes next = Pack(40000, 5);
  correction.CorrectUnit(ukPack, 40000, {}, next.data(), 0, next.size());
  EXPECT_EQ(ClockAt(next, 4), 95000) << "a clock offset of 40000 would step back";
  TBytes later = Pack(45000, 5);
  correction.CorrectUnit(ukPack, 45000, {}, later.data(), 0, later.size());
  EXPECT_EQ(ClockAt(later, 4), 100000);
}

TEST(MPEGTimeCorrection, WritesClocksWithTheirMarkerBitsModulo33Bits)
{
  TBytes field = TimeStamp(0x3, 0);
  PutTimeStamp(field.data(), (int64_t(1) << 33) + 8589934590);
  EXPECT_EQ(field, TimeStamp(0x3, 8589934590));
  PutTimeStamp(field.data(), 5);
  EXPECT_EQ(field, TimeStamp(0x3, 5));
}

// MPEG audio frame headers: layer II at 48 kHz, layer III at 44.1 kHz with padding, layer I, and
// MPEG-2 layer III at 24 kHz; then headers that are none.
TEST(MPEGAudioFrames, ReadsFrameSizesFromHeaders)
{
  struct TCase {
    TBytes Header;
    uint32_t Size, Samples, SampleRate;
  };
  const TCase cases[] = {
      {{0xFF, 0xFD, 0x84, 0x00}, 384, 1152, 48000},  // II, 128 kbit/s
      {{0xFF, 0xFB, 0x92, 0x00}, 418, 1152, 44100},  // III, 128 kbit/s, padded
      {{0xFF, 0xFF, 0x24, 0x00}, 64, 384, 48000},     // I, 64 kbit/s
      {{0xFF, 0xF3, 0x84, 0x00}, 192, 576, 24000},   // MPEG-2 III, 64 kbit/s
      {{0xFF, 0xFD, 0xF4, 0x00}, 0, 0, 0},            // bit rate index 15
      {{0xFF, 0xFD, 0x0C, 0x00}, 0, 0, 0},            // free format, sample rate index 3
      {{0xFF, 0xED, 0x84, 0x00}, 0, 0, 0},            // reserved version
      {{0x7F, 0xFD, 0x84, 0x00}, 0, 0, 0},            // no sync
  };
  for (const TCase& c : cases) {
    const TMPEGAudioFrame frame = ReadMPEGAudioFrame(c.Header.data());
    EXPECT_EQ(frame.Size, c.Size) << int(c.Header[1]) << " " << int(c.Header[2]);
    EXPECT_EQ(frame.Samples, c.Samples);
    EXPECT_EQ(frame.SampleRate, c.SampleRate);
  }
}

// Frames of 384 bytes, 24 ms (2160 ticks) each, in packets that split frames and headers.
TEST(MPEGAudioFrames, CutsAtTheFrameNearestTheLimitAcrossPackets)
{
  TBytes stream;
  for (int i = 0; i < 10; ++i)
    stream = Cat({stream, {0xFF, 0xFD, 0x84, 0x00}, TBytes(380, uint8_t(i))});
  struct TCase {
    int64_t Limit;
    size_t Kept; // bytes of the stream kept
  };
  // Frames start at 0, 2160, 4320, ...: frame k is kept while 2160 k + 1080 <= Limit.
  const TCase cases[] = {{100000, 3840}, {8640 + 1079, 4 * 384}, {8640 + 1080, 5 * 384}, {1079, 0}, {1080, 384}, {4320 + 1079, 768}, {6480 + 1079, 1152}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Limit);
    TMPEGAudioFrames frames;
    size_t kept = 0;
    const size_t cuts[] = {0, 500, 770, 1000, 1153, 3840}; // 770 and 1153 cut headers
    for (size_t k = 0; k + 1 < std::size(cuts); ++k) {
      const uint32_t size = uint32_t(cuts[k + 1] - cuts[k]);
      const uint32_t keep = frames.Walk(stream.data() + cuts[k], size, k == 0 ? std::optional<int64_t>(0) : std::nullopt, c.Limit);
      kept += keep;
      if (keep < size)
        break;
    }
    EXPECT_EQ(kept, c.Kept);
  }
}

} // namespace
