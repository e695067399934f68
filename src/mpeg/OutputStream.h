#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The join's output file. Single units are a few kilobytes at most, so small writes are gathered
// in a large buffer instead of costing one system call each; runs of units go out at once.
class TOutputStream {
public:
  // Raises "Cannot create file %s: REASON" when the file cannot be created or emptied.
  explicit TOutputStream(const std::string& FileName);
  TOutputStream(const TOutputStream&) = delete;
  TOutputStream& operator=(const TOutputStream&) = delete;
  // Keeps what was written when an error unwinds the join (unless a write failed); errors of
  // this last write are lost with the error that is already on its way.
  ~TOutputStream();

  // Writes whole units: UnitEnds tells where those before the last one end. Raises the system
  // error when the file refuses the bytes; it then keeps the whole units that went out, so
  // that it always ends at a unit boundary.
  void Write(const void* Source, uint32_t Count, const std::vector<uint32_t>& UnitEnds = {});
  // Writes what is buffered and closes the file; raises like Write.
  void Close();

private:
  bool FlushBuffer();
  bool WriteOut(const uint8_t* Source, uint32_t Count, const std::vector<uint32_t>& UnitEnds);

  TFile FFile;
  std::string FFileName; // for the messages of failed writes
  std::unique_ptr<uint8_t[]> FBuffer;
  uint32_t FUsed = 0;
  std::vector<uint32_t> FBufferEnds; // where the buffered units end
  int64_t FWritten = 0; // bytes in the file
  bool FFailed = false;
};
