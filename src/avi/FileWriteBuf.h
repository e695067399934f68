#pragma once

#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct iovec;

// A source of copied bytes held fewer of them than it did when they were asked for.
class EReadSourceError : public Exception {
public:
  EReadSourceError() : Exception("Unable to read file") {}
};

// Sequential output through one large buffer, with patches of bytes already written. Every
// failed or short write raises the system error.
//
// Bytes copied from another file are not read at once: the buffer notes where they come from
// and reads them, straight into their places, when it is flushed. Ranges that lie close together
// in the source then cost one scattered read, whatever their order in the output. A source that
// holds fewer bytes by then (it shrank) leaves zeros in their place, and MissingAt tells the
// owner where, so that it can take back what it wrote from there on.
class TFileWriteBuffer {
public:
  explicit TFileWriteBuffer(uint32_t BufferSize);

  void Create(const std::string& FileName);
  bool IsOpen() const { return FFile.IsOpen(); }
  // Where the next appended byte goes.
  int64_t Position() const { return FFlushedSize + FUsed; }
  // Bytes that lie in the file, read from their sources unless MissingAt says otherwise.
  int64_t WrittenSize() const { return FFlushedSize; }
  void Write(const void* Source, uint32_t Count);
  void WriteZeros(uint32_t Count);
  // Appends Count bytes found at Position of Source, which must stay open until the next Flush.
  void AppendFrom(const TFile& Source, int64_t Position, uint32_t Count);
  // The output position of the first range whose source held fewer bytes than noted, or -1.
  int64_t MissingAt() const { return FMissingAt; }
  // Flushes, then cuts the file at Position (at or before Position()) and forgets MissingAt:
  // the owner takes back everything from there on.
  void Truncate(int64_t Position);
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
  // Zeros stand in for what a source does not hold; MissingAt notes where.
  void ReadPending();
  void NoteMissing(int64_t Position);
  void WriteThrough(const void* Source, uint32_t Count);

  TFile FFile;
  std::string FFileName; // for the messages of failed writes
  std::unique_ptr<uint8_t[]> FBuffer;
  uint32_t FBufferSize;
  uint32_t FUsed = 0;
  int64_t FFlushedSize = 0;
  std::vector<TPendingRead> FPending;
  int64_t FMissingAt = -1;
  // Receives the source bytes that lie between ranges read together.
  uint8_t FGapSink[64];
};
