#pragma once

#include <cstdint>

// A growable byte block with a used size. Owners read Data and Size directly.
class TMemoryBuf {
public:
  TMemoryBuf() = default;
  TMemoryBuf(const TMemoryBuf&) = delete;
  TMemoryBuf& operator=(const TMemoryBuf&) = delete;
  ~TMemoryBuf() { Clear(); }

  void Append(const void* Source, uint32_t Count);
  // Grows by at least Delta when more room is needed; never shrinks the block.
  // Raises "Out of memory" when the block cannot grow.
  void SetSize(uint32_t NewSize);
  void Clear();

  uint8_t* Data = nullptr;
  uint32_t Capacity = 0;
  uint32_t Size = 0;
  uint32_t Delta = 10240;
};
