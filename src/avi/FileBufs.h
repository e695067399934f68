#pragma once

#include <cstdint>
#include <memory>

class TFile;

// Positioned reads of small records through one read-ahead window aligned to 4096 bytes. The
// file is opened and closed by the owner; every read moves its position.
class TFileReadBuffer {
public:
  // The smallest window: every request that passes through it starts at most 4095 bytes into
  // the aligned window and is at most half a window long, so one load always holds it.
  static constexpr uint32_t MinBufferSize = 8192;

  // Raises "Unable to receive file size" when the file's end cannot be found. A BufferSize
  // below MinBufferSize, or not a multiple of 4096, is taken up to the next one that is.
  TFileReadBuffer(TFile& Handle, uint32_t BufferSize);

  // Copies up to Count bytes found at Position into Dest; returns how many, fewer at the end
  // of the file and 0 from it on (-1 when a direct read fails). Requests over half the window
  // bypass it.
  int64_t Read(void* Dest, uint32_t Count, int64_t Position);

  int64_t GetFileSize() const { return FileSize; }

private:
  // Loads the window at Position rounded down to 4096; raises "Unable to read file".
  void Fill(int64_t Position);

  TFile& Handle;
  std::unique_ptr<uint8_t[]> Buffer;
  int64_t BufferPos = -1;
  uint32_t BufferSize;
  int64_t FileSize;
};
