#pragma once

// Byte builders for hand-made system streams, written from the stream syntax independently of
// the code under test.

#include "support/TestSupport.h"

#include <cstddef>
#include <cstdint>
#include <vector>

using TBytes = std::vector<uint8_t>;

// A 33-bit clock value in the five-byte layout with marker bits; prefix is 0x2 or 0x3 (or 0x1
// for the DTS that follows a PTS).
inline TBytes TimeStamp(uint8_t prefix, int64_t v)
{
  return {uint8_t(prefix << 4 | ((v >> 30) & 7) << 1 | 1), uint8_t(v >> 22), uint8_t((v >> 14) | 1), uint8_t(v >> 7),
          uint8_t((v << 1) | 1)};
}

// The clock of a five-byte time stamp field at `at`, read back.
inline int64_t ClockAt(const TBytes& bytes, size_t at)
{
  return int64_t((bytes[at] >> 1) & 7) << 30 | int64_t(bytes[at + 1]) << 22 | int64_t(bytes[at + 2] >> 1) << 15 |
         int64_t(bytes[at + 3]) << 7 | bytes[at + 4] >> 1;
}

inline TBytes Pack(int64_t scr, uint32_t muxRate)
{
  return Cat({{0, 0, 1, 0xBA},
              TimeStamp(0x2, scr),
              {uint8_t(0x80 | muxRate >> 15), uint8_t(muxRate >> 7), uint8_t(muxRate << 1 | 1)}});
}

// 00 00 01 id, the 16-bit length, then the header bytes and the data.
inline TBytes Packet(uint8_t id, const TBytes& header, const TBytes& data)
{
  const size_t length = header.size() + data.size();
  return Cat({{0, 0, 1, id, uint8_t(length >> 8), uint8_t(length)}, header, data});
}

inline TBytes Data(size_t size, uint8_t first = 1)
{
  TBytes data(size);
  for (size_t i = 0; i < size; ++i)
    data[i] = uint8_t(first + i * 7);
  return data;
}
