#include "platform/SilentAudio.h"

#include <gtest/gtest.h>

namespace {

// A WAVEFORMATEX without extra bytes.
std::vector<uint8_t> WaveFormat(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t blockAlign, uint16_t bits)
{
  std::vector<uint8_t> bytes(18, 0);
  auto put = [&](size_t at, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
      bytes[at + size_t(i)] = uint8_t(value >> (8 * i));
  };
  put(0, tag, 2);
  put(2, channels, 2);
  put(4, rate, 4);
  put(8, rate * blockAlign, 4);
  put(12, blockAlign, 2);
  put(14, bits, 2);
  return bytes;
}

// A WAVEFORMATEXTENSIBLE whose sub-format is the given tag.
std::vector<uint8_t> Extensible(uint16_t subTag, uint16_t channels, uint16_t blockAlign)
{
  std::vector<uint8_t> bytes = WaveFormat(0xFFFE, channels, 48000, blockAlign, 16);
  bytes.resize(40, 0);
  bytes[24] = uint8_t(subTag);
  bytes[25] = uint8_t(subTag >> 8);
  return bytes;
}

TEST(SilentAudio, MakesSilenceOnlyWhereItCanMatchTheStream)
{
  // An MPEG-1 layer III header: 128 kbit/s, 44100 Hz, joint stereo.
  const std::vector<uint8_t> mp3Frame = {0xFF, 0xFB, 0x90, 0x64, 0, 0, 0, 0};
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Format, Sample;
    std::vector<uint8_t> Frame; // empty: none can be made
    const char* Reason;
  } cases[] = {
      {"pcm16", WaveFormat(1, 2, 48000, 4, 16), {}, {0, 0, 0, 0}, ""},
      {"pcm8", WaveFormat(1, 1, 8000, 1, 8), {}, {0x80}, ""},
      {"mulaw", WaveFormat(7, 1, 8000, 1, 8), {}, {0xFF}, ""},
      {"alaw", WaveFormat(6, 2, 8000, 2, 8), {}, {0xD5, 0xD5}, ""},
      {"extensible-pcm", Extensible(1, 6, 12), {}, std::vector<uint8_t>(12, 0), ""},
      {"no-rate", WaveFormat(1, 2, 0, 4, 16), {}, {}, "its format is not described"},
      {"truncated", {1, 0, 2, 0}, {}, {}, "its format is not described"},
      {"wma", WaveFormat(0x161, 2, 44100, 4096, 16), {}, {}, "no encoder makes its format"},
      {"mp3-mid-frame", WaveFormat(0x55, 2, 44100, 1, 0), {0x12, 0x34, 0x56, 0x78}, {}, "its chunks do not start with a frame header"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TSilentAudio silence(c.Format, c.Sample);
    EXPECT_EQ(silence.Available(), !c.Frame.empty());
    EXPECT_EQ(silence.Frame(), c.Frame);
    EXPECT_EQ(silence.Reason(), c.Reason);
  }

  const TSilentAudio mp3(WaveFormat(0x55, 2, 44100, 1, 0), mp3Frame);
  ASSERT_TRUE(mp3.Available()) << mp3.Reason();
  EXPECT_FALSE(mp3.Divisible());
  EXPECT_EQ(mp3.FrameSamples(), 1152u);
  ASSERT_GE(mp3.Frame().size(), 417u);
  EXPECT_EQ(mp3.Frame()[1], 0xFB);
  EXPECT_EQ(mp3.Frame()[2] & 0xFC, 0x90); // the stream's bit rate and sample rate
}

} // namespace
