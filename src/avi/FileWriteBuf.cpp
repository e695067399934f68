#include "avi/FileWriteBuf.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>

TFileWriteBuffer::TFileWriteBuffer(uint32_t BufferSize)
    : FBuffer(std::make_unique_for_overwrite<uint8_t[]>(BufferSize)), FBufferSize(BufferSize)
{
}

void TFileWriteBuffer::Create(const std::string& FileName)
{
  FFile = TFile::Create(FileName);
  FUsed = 0;
  FFlushedSize = 0;
}

void TFileWriteBuffer::WriteThrough(const void* Source, uint32_t Count)
{
  if (FFile.Write(Source, Count) != int32_t(Count))
    RaiseLastOSError();
}

void TFileWriteBuffer::Flush()
{
  if (FUsed == 0)
    return;
  const uint32_t used = FUsed;
  FUsed = 0;
  FFlushedSize += used;
  WriteThrough(FBuffer.get(), used);
}

void TFileWriteBuffer::Write(const void* Source, uint32_t Count)
{
  if (Count == 0)
    return; // an empty block may have no address at all
  if (Count > FBufferSize - FUsed)
    Flush();
  if (Count >= FBufferSize) {
    // Nothing gained by copying what fills the buffer on its own.
    FFlushedSize += Count;
    WriteThrough(Source, Count);
    return;
  }
  std::memcpy(FBuffer.get() + FUsed, Source, Count);
  FUsed += Count;
}

void TFileWriteBuffer::WriteZeros(uint32_t Count)
{
  static const uint8_t zeros[4096] = {};
  while (Count > 0) {
    const uint32_t n = std::min<uint32_t>(Count, sizeof(zeros));
    Write(zeros, n);
    Count -= n;
  }
}

void TFileWriteBuffer::WriteAt(int64_t Position, const void* Source, uint32_t Count)
{
  if (Count == 0)
    return;
  if (Position >= FFlushedSize) {
    std::memcpy(FBuffer.get() + (Position - FFlushedSize), Source, Count);
    return;
  }
  Flush();
  if (FFile.Seek(Position, TSeekOrigin::Begin) < 0)
    RaiseLastOSError();
  WriteThrough(Source, Count);
  if (FFile.Seek(0, TSeekOrigin::End) < 0)
    RaiseLastOSError();
}

void TFileWriteBuffer::Close()
{
  struct TCloser { // closes the file also when the flush fails
    TFile& File;
    ~TCloser() { File.Close(); }
  } closer{FFile};
  Flush();
}
