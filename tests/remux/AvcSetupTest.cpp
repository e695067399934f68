#include "remux/AvcSetup.h"

#include <gtest/gtest.h>

namespace {

// An avcC record as x264 writes it: one sequence and one picture parameter set (both id 0), and
// the four bytes the high profiles add.
const std::vector<uint8_t> Record = {
    0x01, 0x64, 0x00, 0x1E, 0xFF,                         // version, profile, compatibility, level, length size 4
    0xE1, 0x00, 0x08, 0x67, 0x64, 0x00, 0x1E, 0xAC, 0xD9, 0x40, 0xA0, // one SPS of 8 bytes
    0x01, 0x00, 0x04, 0x68, 0xEB, 0xE3, 0xCB,             // one PPS of 4 bytes
    0xFD, 0xF8, 0xF8, 0x00};
const TNalUnit SpsId1 = {0x67, 0x64, 0x00, 0x1E, 0x56, 0x40}; // seq_parameter_set_id 1 (ue "010")
const TNalUnit PpsId1 = {0x68, 0x4B, 0xE3, 0xCB};             // pic_parameter_set_id 1

} // namespace

TEST(AvcSetup, ParameterSetsAreAddedUnderTheirIdsAndDamagedRecordsRefused)
{
  auto setup = ReadAvcSetup(Record.data(), int(Record.size()));
  ASSERT_TRUE(setup);
  EXPECT_EQ(setup->LengthSize(), 4);
  EXPECT_EQ(setup->Ids(), std::set<uint32_t>{0});
  EXPECT_EQ(setup->Bytes(), Record);
  setup->Sps.push_back(SpsId1);
  setup->Pps.push_back(PpsId1);
  const std::vector<uint8_t> both = setup->Bytes();
  const auto again = ReadAvcSetup(both.data(), int(both.size()));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->Ids(), (std::set<uint32_t>{0, 1}));
  EXPECT_EQ(again->Tail, setup->Tail);
  // Cut short anywhere inside its parameter sets, a record is refused rather than overrun.
  for (size_t size = 0; size < 23; ++size)
    EXPECT_FALSE(ReadAvcSetup(Record.data(), int(size))) << size;
}

TEST(AvcSetup, SamplesAreSplitAndJoinedAndTheirIdrPictureFound)
{
  const std::vector<uint8_t> annexB = {0, 0, 0, 1, 0x06, 0x05, 0x80, 0, 0, 1, 0x65, 0x88, 0x84, 0x00};
  const std::vector<TNalUnit> units = StartCodeUnits(annexB.data(), int(annexB.size()));
  ASSERT_EQ(units.size(), 2u);
  EXPECT_EQ(units[1], (TNalUnit{0x65, 0x88, 0x84}));
  const std::vector<uint8_t> sample = LengthPrefixed(units, 4);
  EXPECT_EQ(sample, (std::vector<uint8_t>{0, 0, 0, 3, 0x06, 0x05, 0x80, 0, 0, 0, 3, 0x65, 0x88, 0x84}));
  EXPECT_TRUE(HoldsIdr(sample.data(), int(sample.size()), 4));
  const std::vector<uint8_t> nonIdr = {0, 0, 0, 2, 0x41, 0x9A};
  const std::vector<uint8_t> damaged = {0, 0, 0, 9, 0x65, 0x88};
  EXPECT_FALSE(HoldsIdr(nonIdr.data(), int(nonIdr.size()), 4));
  EXPECT_FALSE(HoldsIdr(damaged.data(), int(damaged.size()), 4));
}
