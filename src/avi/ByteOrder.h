#pragma once

#include <cstdint>

// Little-endian fields of RIFF records, read and written byte by byte so that neither the host's
// byte order nor the alignment of the buffer matters.

inline uint16_t GetLE16(const uint8_t* p)
{
  return uint16_t(p[0] | p[1] << 8);
}

inline uint32_t GetLE32(const uint8_t* p)
{
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline uint64_t GetLE64(const uint8_t* p)
{
  return uint64_t(GetLE32(p)) | uint64_t(GetLE32(p + 4)) << 32;
}

inline void PutLE16(uint8_t* p, uint16_t value)
{
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
}

inline void PutLE32(uint8_t* p, uint32_t value)
{
  for (int i = 0; i < 4; ++i)
    p[i] = uint8_t(value >> (8 * i));
}

inline void PutLE64(uint8_t* p, uint64_t value)
{
  PutLE32(p, uint32_t(value));
  PutLE32(p + 4, uint32_t(value >> 32));
}

// A FourCC as stored: its first character is the lowest byte.
constexpr uint32_t MakeFourCC(const char (&text)[5])
{
  return uint32_t(uint8_t(text[0])) | uint32_t(uint8_t(text[1])) << 8 | uint32_t(uint8_t(text[2])) << 16 |
         uint32_t(uint8_t(text[3])) << 24;
}
