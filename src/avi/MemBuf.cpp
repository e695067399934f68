#include "avi/MemBuf.h"

#include "platform/Exceptions.h"

#include <cstdlib>
#include <cstring>

void TMemoryBuf::Append(const void* Source, uint32_t Count)
{
  if (Count == 0)
    return;
  const uint32_t old = Size;
  if (uint64_t(old) + Count > UINT32_MAX)
    throw Exception("Out of memory");
  SetSize(old + Count);
  std::memcpy(Data + old, Source, Count);
}

void TMemoryBuf::SetSize(uint32_t NewSize)
{
  if (NewSize > Capacity) {
    uint64_t newCapacity = uint64_t(Capacity) + Delta;
    if (NewSize > newCapacity)
      newCapacity = NewSize;
    if (newCapacity > UINT32_MAX)
      newCapacity = UINT32_MAX;
    auto* block = static_cast<uint8_t*>(std::realloc(Data, size_t(newCapacity)));
    if (block == nullptr)
      throw Exception("Out of memory");
    Data = block;
    Capacity = uint32_t(newCapacity);
  }
  Size = NewSize;
}

void TMemoryBuf::Clear()
{
  std::free(Data);
  Data = nullptr;
  Size = 0;
  Capacity = 0;
}
