#include "platform/NalUnits.h"

TNalBits::TNalBits(const uint8_t* Data, size_t Size)
{
  int zeros = 0;
  for (size_t i = 0; i < Size; ++i) {
    // 00 00 03: the 03 keeps the payload from looking like a start code.
    if (zeros >= 2 && Data[i] == 3) {
      zeros = 0;
      continue;
    }
    zeros = Data[i] == 0 ? zeros + 1 : 0;
    FBytes.push_back(Data[i]);
  }
}

uint32_t TNalBits::U(int Bits)
{
  uint32_t value = 0;
  for (int i = 0; i < Bits; ++i) {
    if (FBit >= FBytes.size() * 8) {
      FFailed = true;
      return 0;
    }
    value = value << 1 | ((FBytes[FBit / 8] >> (7 - FBit % 8)) & 1);
    ++FBit;
  }
  return value;
}

uint32_t TNalBits::Ue()
{
  // As many zero bits as the value has bits after its leading one.
  int zeros = 0;
  while (U(1) == 0) {
    if (FFailed || ++zeros > 31) {
      FFailed = true;
      return 0;
    }
  }
  return uint32_t((uint64_t(1) << zeros) - 1 + U(zeros));
}

int32_t TNalBits::Se()
{
  const uint32_t code = Ue();
  return (code & 1) != 0 ? int32_t((code + 1) / 2) : -int32_t(code / 2);
}

uint64_t TNalBits::Rest()
{
  uint64_t hash = 0xCBF29CE484222325ull;
  for (; FBit < FBytes.size() * 8; ++FBit)
    hash = (hash ^ ((FBytes[FBit / 8] >> (7 - FBit % 8)) & 1)) * 0x100000001B3ull;
  return hash;
}

bool StartCodeAt(const uint8_t* Data, size_t Size, size_t At)
{
  return At + 3 <= Size && Data[At] == 0 && Data[At + 1] == 0 && Data[At + 2] == 1;
}

void ForEachStartCodeUnit(const uint8_t* Data, size_t Size, const TUnitVisitor& Unit)
{
  size_t at = 0;
  while (at < Size && !StartCodeAt(Data, Size, at))
    ++at;
  while (at < Size) {
    const size_t begin = at + 3;
    size_t end = begin;
    while (end < Size && !StartCodeAt(Data, Size, end))
      ++end;
    size_t last = end;
    while (last > begin && Data[last - 1] == 0) // the next start code's leading zero
      --last;
    Unit(Data + begin, last - begin);
    at = end;
  }
}

bool ForEachSizedUnit(const uint8_t* Data, size_t Size, size_t& At, size_t Count, const TUnitVisitor& Unit)
{
  for (size_t i = 0; i < Count; ++i) {
    if (At + 2 > Size)
      return false;
    const size_t length = size_t(Data[At]) << 8 | Data[At + 1];
    At += 2;
    if (length > Size - At)
      return false;
    Unit(Data + At, length);
    At += length;
  }
  return true;
}
