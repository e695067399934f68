#include "mpeg/MPEGTimeCorrect.h"
#include "mpeg/MpegBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TMPEGPacketInfo PacketInfo(uint8_t id, int64_t pts, bool hasPts = true)
{
  TMPEGPacketInfo info;
  info.StreamID = id;
  info.HasPTS = hasPts;
  info.PTS = pts;
  return info;
}

// Feeds two inputs through one correction and returns the clocks written, read back.
struct TTwoInputs {
  explicit TTwoInputs(double frameRate)
  {
    Correction.InitTimeCorrection(frameRate);
    {
      TOutputStream out(Dir.File("out.mpg"));
      const TBytes data = Data(4);
      Correction.StartNextFile();
      Correction.WriteCorrectedPack(10, out, 990000);
      Correction.WriteCorrectedPacket(PacketInfo(0xE0, 1000000), data.data(), 4, out);
      Correction.StartNextFile();
      Correction.WriteCorrectedPack(10, out, 50000);
      Correction.WriteCorrectedPacket(PacketInfo(0xC0, 60000), data.data(), 4, out);
      Correction.WriteCorrectedPacket(PacketInfo(0xE0, 70000), data.data(), 4, out);
      out.Close();
    }
    TMPEG1SystemReader reader;
    reader.Open(Dir.File("out.mpg"));
    while (reader.Next())
      Clocks.push_back(reader.UnitKind() == ukPack ? reader.SCR() : reader.Packet().PTS);
  }
  TTempDir Dir;
  TMPEGTimeCorrection Correction;
  std::vector<int64_t> Clocks;
};

TEST(MPEGTimeCorrection, AnchorsTheNextInputOneFrameAfterTheLastVideo)
{
  EXPECT_EQ(TTwoInputs(25).Clocks, (std::vector<int64_t>{990000, 1000000, 990000, 1003600, 1013600}));
  EXPECT_EQ(TTwoInputs(30000.0 / 1001).Clocks, (std::vector<int64_t>{990000, 1000000, 990000, 1003003, 1013003}));
}

TEST(MPEGTimeCorrection, EncodesPacksAndPacketsWithAtMostAPTS)
{
  TTempDir dir;
  {
    TOutputStream out(dir.File("out.mpg"));
    WritePackHeader(out, 0x3FFFFF, (int64_t(1) << 33) + 5); // wraps to 33 bits
    TMPEGPacketInfo withDts = PacketInfo(0xE0, 8589934591);
    withDts.HasDTS = true;
    withDts.DTS = 1;
    withDts.HasSTDBuffer = true;
    WritePacket(out, withDts, "ab", 2);
    WritePacket(out, PacketInfo(0xC0, 0, false), "xyz", 3);
    out.Close();
  }
  const TBytes expected = Cat({{0, 0, 1, 0xBA, 0x21, 0, 1, 0, 0x0B, 0xFF, 0xFF, 0xFF},
                               {0, 0, 1, 0xE0, 0, 7, 0x2F, 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'},
                               {0, 0, 1, 0xC0, 0, 4, 0x0F, 'x', 'y', 'z'}});
  EXPECT_EQ(ReadWholeFile(dir.File("out.mpg")), expected);
}

} // namespace
