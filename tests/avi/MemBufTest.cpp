#include "avi/MemBuf.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>
#include <vector>

TEST(MemoryBuf, GrowsByDeltaOrByExactlyWhatALargeAppendNeeds)
{
  TMemoryBuf buf;
  buf.Append("x", 0);
  EXPECT_EQ(buf.Data, nullptr);
  EXPECT_EQ(buf.Size, 0u);

  const std::vector<uint8_t> record(16, 7);
  buf.Append(record.data(), 16);
  EXPECT_EQ(buf.Capacity, 10240u);
  EXPECT_EQ(buf.Size, 16u);
  for (int i = 1; i < 640; ++i)
    buf.Append(record.data(), 16);
  EXPECT_EQ(buf.Capacity, 10240u);
  buf.Append(record.data(), 16);
  EXPECT_EQ(buf.Capacity, 20480u);
  EXPECT_EQ(buf.Data[10240], 7);

  TMemoryBuf large;
  const std::vector<uint8_t> block(20000, 3);
  large.Append(block.data(), 20000);
  EXPECT_EQ(large.Capacity, 20000u);
  EXPECT_EQ(large.Data[19999], 3);
}

TEST(MemoryBuf, SetSizeZeroKeepsTheBlockAndClearFreesIt)
{
  TMemoryBuf buf;
  buf.Append("abcd", 4);
  buf.SetSize(0);
  EXPECT_EQ(buf.Size, 0u);
  EXPECT_EQ(buf.Capacity, 10240u);
  EXPECT_NE(buf.Data, nullptr);
  buf.Clear();
  EXPECT_EQ(buf.Capacity, 0u);
  EXPECT_EQ(buf.Data, nullptr);
}

TEST(MemoryBuf, RaisesWhenItCannotGrow)
{
  TMemoryBuf buf;
  buf.Append("abcd", 4);
  EXPECT_THROW(buf.Append("abcd", UINT32_MAX), Exception);
  EXPECT_EQ(buf.Size, 4u);
}
