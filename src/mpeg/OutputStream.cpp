#include "mpeg/OutputStream.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>

namespace {
constexpr uint32_t BufferSize = 1 << 20;
constexpr uint32_t DirectWriteSize = 1 << 16; // large pieces go out at once, without a copy
} // namespace

TOutputStream::TOutputStream(const std::string& FileName) : FFileName(FileName)
{
  try {
    FFile = TFile::Create(FileName);
  } catch (const EOSError& e) {
    throw Exception("Cannot create file " + FileName + ": " + SysErrorMessage(e.ErrorCode));
  }
  FBuffer = std::make_unique<uint8_t[]>(BufferSize);
}

TOutputStream::~TOutputStream()
{
  if (FFile.IsOpen() && !FFailed)
    FlushBuffer();
}

// A write that fails keeps the whole units that went out and takes back the rest, so that the
// file still ends at a unit boundary and plays to its end.
bool TOutputStream::WriteOut(const uint8_t* Source, uint32_t Count, const std::vector<uint32_t>& UnitEnds)
{
  const int64_t done = Count == 0 ? 0 : FFile.Write(Source, Count);
  if (done == int64_t(Count)) {
    FWritten += Count;
    return true;
  }
  const int error = errno;
  FFailed = true;
  uint32_t kept = 0;
  for (const uint32_t end : UnitEnds)
    if (int64_t(end) <= done)
      kept = end;
  FWritten += kept;
  FFile.Truncate(FWritten); // best effort: the write has failed already
  errno = error;
  return false;
}

void TOutputStream::Write(const void* Source, uint32_t Count, const std::vector<uint32_t>& UnitEnds)
{
  if (Count == 0)
    return;
  if ((Count >= DirectWriteSize || FUsed + uint64_t(Count) > BufferSize) && !FlushBuffer())
    RaiseLastOSError(FFileName);
  if (Count >= DirectWriteSize) {
    if (!WriteOut(static_cast<const uint8_t*>(Source), Count, UnitEnds))
      RaiseLastOSError(FFileName);
    return;
  }
  std::memcpy(FBuffer.get() + FUsed, Source, Count);
  for (const uint32_t end : UnitEnds)
    FBufferEnds.push_back(FUsed + end);
  FUsed += Count;
  FBufferEnds.push_back(FUsed);
}

void TOutputStream::Close()
{
  if (!FlushBuffer())
    RaiseLastOSError(FFileName);
  FFile.Close();
}

bool TOutputStream::FlushBuffer()
{
  const uint32_t count = FUsed;
  FUsed = 0;
  const bool written = WriteOut(FBuffer.get(), count, FBufferEnds);
  FBufferEnds.clear();
  return written;
}
