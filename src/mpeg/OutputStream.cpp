#include "mpeg/OutputStream.h"

#include "platform/Exceptions.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
constexpr uint32_t BufferSize = 1 << 20;
constexpr uint32_t DirectWriteSize = 1 << 16; // large pieces go out at once, without a copy
} // namespace

TOutputStream::TOutputStream(const std::string& FileName)
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

// Every write holds whole units. One that fails is taken back whole, so that the file still ends
// at a unit boundary and plays to its end.
bool TOutputStream::WriteOut(const void* Source, uint32_t Count)
{
  if (Count == 0 || FFile.Write(Source, Count) == int64_t(Count)) {
    FWritten += Count;
    return true;
  }
  const int error = errno;
  FFailed = true;
  if (::ftruncate(FFile.Handle(), FWritten) == 0)
    FFile.Seek(FWritten, TSeekOrigin::Begin);
  errno = error;
  return false;
}

void TOutputStream::Write(const void* Source, uint32_t Count)
{
  if (Count == 0)
    return;
  if ((Count >= DirectWriteSize || FUsed + uint64_t(Count) > BufferSize) && !FlushBuffer())
    RaiseLastOSError();
  if (Count >= DirectWriteSize) {
    if (!WriteOut(Source, Count))
      RaiseLastOSError();
    return;
  }
  std::memcpy(FBuffer.get() + FUsed, Source, Count);
  FUsed += Count;
}

void TOutputStream::Close()
{
  if (!FlushBuffer())
    RaiseLastOSError();
  FFile.Close();
}

bool TOutputStream::FlushBuffer()
{
  const uint32_t count = FUsed;
  FUsed = 0;
  return WriteOut(FBuffer.get(), count);
}
