#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>

// The join's output file. Single units are a few kilobytes at most, so small writes are gathered
// in a large buffer instead of costing one system call each; runs of units go out at once.
class TOutputStream {
public:
  // Raises "Cannot create file %s: REASON" when the file cannot be created or emptied.
  explicit TOutputStream(const std::string& FileName);
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;
  // Keeps what was written when an error unwinds the join; errors of this last write are lost
  // with the error that is already on its way.
  ~TOutputStream();

  // Raises the system error when the file refuses the bytes.
  void Write(const void* Source, uint32_t Count);
  // Writes what is buffered and closes the file; raises like Write.
  void Close();

private:
  bool FlushBuffer();

  TFile FFile;
  std::unique_ptr<uint8_t[]> FBuffer;
  uint32_t FUsed = 0;
};
