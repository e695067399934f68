#include "avi/FileWriteBuf.h"

#include "platform/Exceptions.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/uio.h>

namespace {

// Reads Count bytes at Position; the part the file does not hold is zero-filled. Returns
// whether all of them were read.
bool ReadFully(int handle, uint8_t* dest, uint32_t count, int64_t position)
{
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(handle, dest + done, count - done, position + done);
    if (n <= 0)
      break;
    done += uint32_t(n);
  }
  std::memset(dest + done, 0, count - done);
  return done == count;
}

} // namespace

TFileWriteBuffer::TFileWriteBuffer(uint32_t BufferSize)
    : FBuffer(std::make_unique_for_overwrite<uint8_t[]>(BufferSize)), FBufferSize(BufferSize)
{
}

void TFileWriteBuffer::Create(const std::string& FileName)
{
  FFile = TFile::Create(FileName);
  FFileName = FileName;
  FUsed = 0;
  FFlushedSize = 0;
  FPending.clear();
  FMissingAt = -1;
}

void TFileWriteBuffer::WriteThrough(const void* Source, uint32_t Count)
{
  if (FFile.Write(Source, Count) != int64_t(Count))
    RaiseLastOSError(FFileName);
}

void TFileWriteBuffer::NoteMissing(int64_t Position)
{
  if (FMissingAt < 0 || Position < FMissingAt)
    FMissingAt = Position;
}

void TFileWriteBuffer::ReadPending()
{
  std::sort(FPending.begin(), FPending.end(), [](const TPendingRead& a, const TPendingRead& b) {
    return a.Source != b.Source ? a.Source < b.Source : a.Position < b.Position;
  });
  std::vector<iovec> pieces;
  for (size_t first = 0, next; first < FPending.size(); first = next) {
    // One read for the ranges that follow one another closely in the same source.
    const TPendingRead& start = FPending[first];
    int64_t end = start.Position;
    pieces.clear();
    for (next = first; next < FPending.size() && pieces.size() + 2 <= IOV_MAX; ++next) {
      const TPendingRead& read = FPending[next];
      const int64_t gap = read.Position - end;
      if (next > first && (read.Source != start.Source || gap < 0 || gap > int64_t(sizeof(FGapSink))))
        break;
      if (gap > 0)
        pieces.push_back({FGapSink, size_t(gap)});
      pieces.push_back({FBuffer.get() + read.Offset, read.Count});
      end = read.Position + read.Count;
    }
    if (::preadv(start.Source, pieces.data(), int(pieces.size()), start.Position) == end - start.Position)
      continue;
    // Cut short: each range on its own, so that whatever is missing becomes zeros.
    for (size_t i = first; i < next; ++i)
      if (!ReadFully(FPending[i].Source, FBuffer.get() + FPending[i].Offset, FPending[i].Count, FPending[i].Position))
        NoteMissing(FFlushedSize + FPending[i].Offset);
  }
  FPending.clear();
}

void TFileWriteBuffer::Flush()
{
  // What could not be read is written as zeros all the same, so that every position the
  // caller counted on stays where it is.
  ReadPending();
  if (FUsed > 0) {
    const uint32_t used = FUsed;
    FUsed = 0;
    FFlushedSize += used;
    WriteThrough(FBuffer.get(), used);
  }
}

void TFileWriteBuffer::Truncate(int64_t Position)
{
  Flush();
  if (!FFile.Truncate(Position))
    RaiseLastOSError(FFileName);
  FFlushedSize = Position;
  FMissingAt = -1;
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

void TFileWriteBuffer::AppendFrom(const TFile& Source, int64_t Position, uint32_t Count)
{
  if (Count == 0)
    return;
  if (Count > FBufferSize - FUsed)
    Flush();
  if (Count > FBufferSize) {
    // Too large to wait in the buffer: passes through it in pieces.
    for (uint32_t done = 0; done < Count;) {
      const uint32_t n = std::min(Count - done, FBufferSize);
      if (!ReadFully(Source.Handle(), FBuffer.get(), n, Position + done))
        NoteMissing(FFlushedSize);
      FFlushedSize += n;
      WriteThrough(FBuffer.get(), n);
      done += n;
    }
    return;
  }
  FPending.push_back({Source.Handle(), FUsed, Position, Count});
  FUsed += Count;
}

void TFileWriteBuffer::WriteAt(int64_t Position, const void* Source, uint32_t Count)
{
  if (Count == 0)
    return;
  if (Position >= FFlushedSize) {
    ReadPending(); // so that the pending reads cannot overwrite the patch
    std::memcpy(FBuffer.get() + (Position - FFlushedSize), Source, Count);
    return;
  }
  Flush();
  if (FFile.Seek(Position, TSeekOrigin::Begin) < 0)
    RaiseLastOSError(FFileName);
  WriteThrough(Source, Count);
  if (FFile.Seek(0, TSeekOrigin::End) < 0)
    RaiseLastOSError(FFileName);
}

void TFileWriteBuffer::Close()
{
  struct TCloser { // closes the file also when the flush fails
    TFile& File;
    ~TCloser() { File.Close(); }
  } closer{FFile};
  Flush();
}

void TFileWriteBuffer::Discard() noexcept
{
  FFile.Close();
  FUsed = 0;
  FPending.clear();
}
