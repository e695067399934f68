#pragma once

#include <cstdint>

// MPEG structures are big-endian; every multi-byte field passes through these.

inline uint16_t GetBE16(const uint8_t* p)
{
  return uint16_t(p[0] << 8 | p[1]);
}

inline void PutBE16(uint8_t* p, uint16_t value)
{
  p[0] = uint8_t(value >> 8);
  p[1] = uint8_t(value);
}
