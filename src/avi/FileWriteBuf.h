#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>

// Sequential output through one large buffer, with patches of bytes already written. Every
// failed or short write raises the system error.
class TFileWriteBuffer {
public:
  explicit TFileWriteBuffer(uint32_t BufferSize);

  void Create(const std::string& FileName);
  bool IsOpen() const { return FFile.IsOpen(); }
  // Where the next appended byte goes.
  int64_t Position() const { return FFlushedSize + FUsed; }
  void Write(const void* Source, uint32_t Count);
  void WriteZeros(uint32_t Count);
  // Overwrites Count bytes at Position, which lie before Position().
  void WriteAt(int64_t Position, const void* Source, uint32_t Count);
  // Flushes and closes; the file is closed also when the flush fails.
  void Close();
  // Closes without flushing, for a writer that gives up after a failure.
  void Discard() noexcept
  {
    FFile.Close();
    FUsed = 0;
  }

private:
  void Flush();
  void WriteThrough(const void* Source, uint32_t Count);

  TFile FFile;
  std::unique_ptr<uint8_t[]> FBuffer;
  uint32_t FBufferSize;
  uint32_t FUsed = 0;
  int64_t FFlushedSize = 0;
};
