#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct iovec;

// Sequential output through one large buffer, with patches of bytes already written. Every
// failed or short write raises the system error.
//
// Bytes copied from another file are not read at once: the buffer notes where they come from
// and reads them, straight into their places, when it is flushed. Ranges that lie close together
// in the source then cost one scattered read, whatever their order in the output.
class TFileWriteBuffer {
public:
  explicit TFileWriteBuffer(uint32_t BufferSize);

  void Create(const std::string& FileName);
  bool IsOpen() const { return FFile.IsOpen(); }
  // Where the next appended byte goes.
  int64_t Position() const { return FFlushedSize + FUsed; }
  void Write(const void* Source, uint32_t Count);
  void WriteZeros(uint32_t Count);
  // Appends Count bytes found at Position of Source, which must stay open until the next Flush.
  // Raises "Unable to read file", leaving zeros in their place, when the source holds fewer.
  void AppendFrom(const TFile& Source, int64_t Position, uint32_t Count);
  // Overwrites Count bytes at Position, which lie before Position().
  void WriteAt(int64_t Position, const void* Source, uint32_t Count);
  void Flush();
  // Flushes and closes; the file is closed also when the flush fails.
  void Close();
  // Closes without flushing, for a writer that gives up after a failure.
  void Discard() noexcept;

private:
  // A range of the buffer still to be read from a source file.
  struct TPendingRead {
    int Source;
    uint32_t Offset;
    int64_t Position;
    uint32_t Count;
  };
  // Returns false when a source held fewer bytes than noted; zeros stand in for them.
  bool ReadPending();
  void WriteThrough(const void* Source, uint32_t Count);

  TFile FFile;
  std::unique_ptr<uint8_t[]> FBuffer;
  uint32_t FBufferSize;
  uint32_t FUsed = 0;
  int64_t FFlushedSize = 0;
  std::vector<TPendingRead> FPending;
  // Receives the source bytes that lie between ranges read together.
  uint8_t FGapSink[64];
};
