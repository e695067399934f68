#include "mpeg/MPEG1SysRead.h"
#include "mpeg/MpegBytes.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

struct TReaderOn {
  explicit TReaderOn(const TBytes& bytes)
  {
    WriteWholeFile(Dir.File("in.mpg"), bytes);
    Reader.Open(Dir.File("in.mpg"));
  }
  TTempDir Dir;
  TMPEG1SystemReader Reader;
};

TEST(MPEG1SystemReader, FindsOnlyUnitStartCodesAndStopsAtTheEnd)
{
  const TBytes systemHeader = {0, 0, 1, 0xBB, 0, 6, 1, 2, 3, 4, 5, 6};
  TReaderOn on(Cat({{0x47, 0x00, 0x00, 0x02},
                    {0, 0, 1, 0xB3, 0}, // a sequence header outside any unit, an odd run of zeros
                    Pack(90000, 1),
                    systemHeader,
                    Packet(0xE0, {0x0F}, Data(20)),
                    {0, 0, 1, 0xB9},
                    {0, 0}}));
  auto& reader = on.Reader;
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.UnitKind(), ukPack);
  EXPECT_EQ(reader.UnitPos(), 9);
  EXPECT_EQ(reader.UnitSize(), 12u);
  EXPECT_EQ(reader.SCR(), 90000);
  EXPECT_EQ(reader.MuxRate(), 1u);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.UnitKind(), ukSystemHeader);
  EXPECT_EQ(reader.UnitSize(), 12u);
  TBytes unit(12);
  ASSERT_TRUE(reader.ReadUnit(unit.data()));
  EXPECT_EQ(unit, systemHeader);
  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.UnitKind(), ukPacket);
  EXPECT_EQ(reader.Packet().StreamID, 0xE0);
  EXPECT_EQ(reader.Packet().PayloadPos, 33 + 7);
  EXPECT_EQ(reader.Packet().PayloadSize, 20);
  TBytes data(20);
  ASSERT_TRUE(reader.ReadPayload(data.data()));
  EXPECT_EQ(data, Data(20));
  EXPECT_EQ(reader.SCR(), 90000) << "a packet keeps the pack's clock";
  EXPECT_FALSE(reader.Next()) << "the end code is no unit";
}

TEST(MPEG1SystemReader, DecodesPacketHeaders)
{
  const TBytes full = Cat({{0xFF, 0xFF, 0xFF}, {0x40, 0x20}, TimeStamp(0x3, 8589934591), TimeStamp(0x1, 12345)});
  TReaderOn on(Cat({Packet(0xC0, full, Data(30)), Packet(0xE1, {0xFF, 0x40, 0x20, 0x0F}, Data(5)),
                    Packet(0xBF, Data(9), {}), Packet(0xE0, TimeStamp(0x2, 0), Data(3))}));
  auto& reader = on.Reader;
  ASSERT_TRUE(reader.Next());
  auto packet = reader.Packet();
  EXPECT_TRUE(packet.HasSTDBuffer && packet.HasPTS && packet.HasDTS);
  EXPECT_EQ(packet.PTS, 8589934591);
  EXPECT_EQ(packet.DTS, 12345);
  EXPECT_EQ(packet.PayloadSize, 30 + 15 - 3 - 12);
  EXPECT_EQ(packet.PayloadPos, 6 + 15);

  ASSERT_TRUE(reader.Next());
  packet = reader.Packet();
  EXPECT_TRUE(packet.HasSTDBuffer);
  EXPECT_FALSE(packet.HasPTS || packet.HasDTS) << "cleared at every packet";
  EXPECT_EQ(packet.PayloadPos, 51 + 6 + 4);
  EXPECT_EQ(packet.PayloadSize, 5);

  ASSERT_TRUE(reader.Next());
  EXPECT_EQ(reader.UnitSize(), 15u);
  EXPECT_EQ(reader.Packet().PayloadPos, 0);
  EXPECT_EQ(reader.Packet().PayloadSize, 0);

  ASSERT_TRUE(reader.Next());
  EXPECT_TRUE(reader.Packet().HasPTS);
  EXPECT_EQ(reader.Packet().PTS, 0);
  EXPECT_EQ(reader.Packet().PayloadSize, 3);
}

TEST(MPEG1SystemReader, CutOffAndOverlongHeadersNeverReachBeyondTheirUnit)
{
  for (const TBytes& bytes :
       {TBytes{}, TBytes{0, 0, 1, 0xBA, 0x21, 0}, TBytes{0, 0, 1, 0xE0, 0}, TBytes{0, 0, 1, 0xE0, 0, 9, 0xFF}}) {
    TReaderOn on(bytes);
    EXPECT_FALSE(on.Reader.Next()) << bytes.size() << " bytes";
  }
  // Lengths too short for the headers they announce: the packets stay units, without data.
  TReaderOn on(
      Cat({Packet(0xE0, {0xFF, 0xFF}, {}), Packet(0xE0, {0x40}, {}), Packet(0xC0, {0x21, 0, 1}, {}), Pack(7, 2)}));
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(on.Reader.Next());
    EXPECT_EQ(on.Reader.UnitKind(), ukPacket);
    EXPECT_EQ(on.Reader.Packet().PayloadSize, 0);
  }
  ASSERT_TRUE(on.Reader.Next());
  EXPECT_EQ(on.Reader.SCR(), 7);
}

} // namespace
