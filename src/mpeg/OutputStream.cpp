#include "mpeg/OutputStream.h"

#include "platform/Exceptions.h"

#include <cstring>

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
  if (FFile.IsOpen())
    FlushBuffer();
}

void TOutputStream::Write(const void* Source, uint32_t Count)
{
  if (Count == 0)
    return;
  if ((Count >= DirectWriteSize || FUsed + uint64_t(Count) > BufferSize) && !FlushBuffer())
    RaiseLastOSError();
  if (Count >= DirectWriteSize) {
    if (FFile.Write(Source, Count) != int64_t(Count))
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
  return count == 0 || FFile.Write(FBuffer.get(), count) == int32_t(count);
}
