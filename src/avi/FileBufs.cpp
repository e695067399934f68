#include "avi/FileBufs.h"

#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <cstring>

namespace {

uint32_t WindowSize(uint32_t Requested)
{
  static_assert(TFileReadBuffer::MinBufferSize / 2 + 4095 <= TFileReadBuffer::MinBufferSize);
  return std::max(TFileReadBuffer::MinBufferSize, (std::min(Requested, 1u << 30) + 4095) & ~uint32_t(4095));
}

} // namespace

TFileReadBuffer::TFileReadBuffer(TFile& Handle, uint32_t BufferSize)
    : Handle(Handle), BufferSize(WindowSize(BufferSize)), FileSize(Handle.Seek(0, TSeekOrigin::End))
{
  if (FileSize < 0)
    throw Exception("Unable to receive file size");
  Buffer = std::make_unique_for_overwrite<uint8_t[]>(this->BufferSize); // filled before any use
}

int64_t TFileReadBuffer::Read(void* Dest, uint32_t Count, int64_t Position)
{
  if (Position >= FileSize)
    return 0;
  if (Count > BufferSize / 2) {
    if (Handle.Seek(Position, TSeekOrigin::Begin) < 0)
      return -1;
    return Handle.Read(Dest, Count);
  }
  if (BufferPos < 0 || BufferPos > Position || Position + Count > BufferPos + BufferSize)
    Fill(Position);
  int64_t n = Count;
  if (Position + Count > FileSize)
    n = FileSize - Position;
  std::memcpy(Dest, Buffer.get() + (Position - BufferPos), size_t(n));
  return n;
}

void TFileReadBuffer::Fill(int64_t Position)
{
  BufferPos = Position & ~int64_t(4095);
  int64_t n = BufferSize;
  if (BufferPos + BufferSize > FileSize)
    n = FileSize - BufferPos;
  if (Handle.Seek(BufferPos, TSeekOrigin::Begin) < 0 || Handle.Read(Buffer.get(), uint32_t(n)) != n)
    throw Exception("Unable to read file");
}
