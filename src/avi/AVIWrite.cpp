#include "avi/AVIWrite.h"

#include "platform/Exceptions.h"
#include "platform/MulDiv.h"

#include <algorithm>
#include <cstdio>

namespace {

// Two system calls per megabyte copied, with the buffer still small enough to stay in the cache
// between the read and the write.
constexpr uint32_t OutputBufferSize = 1 << 20;
constexpr int64_t RiffLimit = int64_t(1) << 30;
constexpr int64_t Alignment = 2048;
constexpr uint32_t SuperIndexDataSize = 32728; // a 24-byte header and 2044 entries of 16 bytes
constexpr uint32_t SuperIndexMaxEntries = 2044;
constexpr uint32_t DmlhDataSize = 248;
constexpr uint32_t Idx1EntrySize = 16;
constexpr uint32_t StdEntrySize = 8;
constexpr uint32_t SuperEntrySize = 16;

} // namespace

uint32_t StringToFourCC(const std::string& Text)
{
  std::string padded = Text;
  if (padded.size() < 4)
    padded.resize(4, ' ');
  return GetLE32(reinterpret_cast<const uint8_t*>(padded.data()));
}

TAVIFileWriter::TAVIFileWriter() : Handle(OutputBufferSize) {}

void TAVIFileWriter::WriteChunkHeader(uint32_t Id, uint32_t Size)
{
  uint8_t header[8];
  PutLE32(header, Id);
  PutLE32(header + 4, Size);
  Handle.Write(header, sizeof(header));
}

int64_t TAVIFileWriter::BeginList(uint32_t Id, uint32_t Type)
{
  const int64_t p = Handle.Position();
  uint8_t header[12];
  PutLE32(header, Id);
  PutLE32(header + 4, 0); // patched when the list is complete
  PutLE32(header + 8, Type);
  Handle.Write(header, sizeof(header));
  return p;
}

void TAVIFileWriter::PatchSize(int64_t P)
{
  uint8_t size[4];
  PutLE32(size, uint32_t(Handle.Position() - P - 8));
  Handle.WriteAt(P + 4, size, sizeof(size));
}

void TAVIFileWriter::WriteJunkTo(int64_t Target)
{
  int64_t gap = Target - Handle.Position();
  // No chunk fits in fewer than 8 bytes: move on to the next boundary instead.
  if (gap > 0 && gap < 8)
    gap += Alignment;
  if (gap <= 0)
    return;
  WriteChunkHeader(ckJUNK, uint32_t(gap - 8));
  Handle.WriteZeros(uint32_t(gap - 8));
}

void TAVIFileWriter::StartFile(const std::string& FileName)
{
  Handle.Create(FileName);
  ResetStreams();
  LegacyIndex.Clear();
  RiffPos = BeginList(ckRIFF, formAVI);
  HdrlPos = BeginList(ckLIST, listHdrl);
  MainHeader = TAVIMainHeader();
  MainHeader.dwFlags = AVIF_HASINDEX;
  ExtHeaderTotalFrames = 0;
  uint8_t avih[TAVIMainHeader::ByteSize];
  MainHeader.ToBytes(avih);
  WriteChunkHeader(ckAvih, sizeof(avih));
  Handle.Write(avih, sizeof(avih));
  HeadersOpen = true;
  MainStream = -1;
  FirstRiff = true;
  RiffBase = 0;
}

void TAVIFileWriter::AddStream(int32_t StreamID, const TAVIStreamHeader& StreamHeader, uint32_t FormatSize,
                               const uint8_t* Format)
{
  if (StreamID < 0 || StreamID > 99)
    throw Exception("Abnormal stream id (must be 0..99)");
  TAVIOutStream& stream = OutStreams[size_t(StreamID)];
  if (stream.ChunkID != 0)
    throw Exception("Not unique stream id");
  if (!HeadersOpen)
    throw Exception("Headers was already closed");
  FStreamsInUse = std::max(FStreamsInUse, size_t(StreamID) + 1);

  TAVIStreamHeader header = StreamHeader;
  header.dwLength = 0;
  if (header.fccType == streamVids && FormatSize >= bmiMinSize) {
    header.rcFrameLeft = 0;
    header.rcFrameTop = 0;
    header.rcFrameRight = int16_t(GetLE32(Format + bmiWidthOffset));
    header.rcFrameBottom = int16_t(GetLE32(Format + bmiHeightOffset));
  }

  const int64_t strl = BeginList(ckLIST, listStrl);
  stream.HeaderPos = Handle.Position() + 8;
  uint8_t strh[TAVIStreamHeader::ByteSize];
  header.ToBytes(strh);
  WriteChunkHeader(ckStrh, sizeof(strh));
  Handle.Write(strh, sizeof(strh));
  WriteChunkHeader(ckStrf, FormatSize);
  Handle.Write(Format, FormatSize);
  if (FormatSize & 1)
    Handle.WriteZeros(1);
  if (OpenDMLMode()) {
    stream.IndexPos = Handle.Position();
    WriteChunkHeader(ckIndx, SuperIndexDataSize);
    Handle.WriteZeros(SuperIndexDataSize);
  }
  PatchSize(strl);

  char id[8];
  std::snprintf(id, sizeof(id), "%02u%s", unsigned(MainHeader.dwStreams), header.IsVideo() ? "dc" : "wb");
  stream.ChunkID = StringToFourCC(id);
  stream.SampleSize = header.dwSampleSize;
  stream.Header = header;
  ++MainHeader.dwStreams;
  // Made before the format check below: a declared stream must be able to take chunks.
  if (OpenDMLMode()) {
    stream.SuperIndex = std::make_unique<TMemoryBuf>();
    stream.StdIndex = std::make_unique<TMemoryBuf>();
  }

  if (MainStream == -1 && header.IsVideo()) {
    MainHeader.dwMicroSecPerFrame = uint32_t(MulDiv(int32_t(header.dwScale), 1000000, int32_t(header.dwRate)));
    if (header.fccType == streamVids) {
      if (FormatSize < bmiMinSize)
        throw Exception("Invalid video format");
      MainHeader.dwWidth = GetLE32(Format + bmiWidthOffset);
      MainHeader.dwHeight = GetLE32(Format + bmiHeightOffset);
    } else {
      MainHeader.dwWidth = uint32_t(int32_t(header.rcFrameRight));
      MainHeader.dwHeight = uint32_t(int32_t(header.rcFrameBottom));
    }
    MainStream = StreamID;
  }
}

void TAVIFileWriter::CloseHeaders()
{
  if (OpenDMLMode()) {
    const int64_t odml = BeginList(ckLIST, listOdml);
    DmlhPos = Handle.Position();
    WriteChunkHeader(ckDmlh, DmlhDataSize);
    Handle.WriteZeros(DmlhDataSize); // dwTotalFrames is written by Close
    PatchSize(odml);
  }
  PatchSize(HdrlPos);
  const int64_t p = Handle.Position();
  // The 12-byte 'movi' list header ends on a boundary, so the first data chunk starts on one.
  int64_t target = p + (Alignment - p % Alignment) - 12;
  if (target < p)
    target += Alignment;
  WriteJunkTo(target);
  MoviPos = BeginList(ckLIST, listMovi);
  HeadersOpen = false;
}

bool TAVIFileWriter::NeedNewRiff(uint32_t Size) const
{
  return (Handle.Position() - RiffPos) + int64_t(LegacyIndex.Size) + 8 + int64_t(Size) + 8 + 16 + 1 >= RiffLimit;
}

void TAVIFileWriter::FlushStdIndexes()
{
  for (TAVIOutStream& stream : OutStreams)
    if (stream.StdIndex && stream.StdIndex->Size > 0)
      FlushStdIndex(stream);
}

void TAVIFileWriter::CloseRiff()
{
  if (OpenDMLMode())
    FlushStdIndexes();
  PatchSize(MoviPos);
  if (FirstRiff && Idx1Mode())
    WriteLegacyIndex();
  PatchSize(RiffPos);
}

void TAVIFileWriter::StartNewRiff()
{
  RequireData();
  CloseRiff();
  RiffBase = Handle.Position();
  RiffPos = BeginList(ckRIFF, formAVIX);
  MoviPos = BeginList(ckLIST, listMovi);
  if (MainStream != -1 && FirstRiff)
    MainHeader.dwTotalFrames = OutStreams[size_t(MainStream)].ChunkCount;
  FirstRiff = false;
  CheckSuperIndexRoom(); // with the file in a state that Close can finish
}

void TAVIFileWriter::CheckSuperIndexRoom() const
{
  // Asked before every chunk: only the streams that can be declared are looked at.
  for (size_t i = 0; i < FStreamsInUse; ++i)
    if (OutStreams[i].SuperIndex && OutStreams[i].SuperIndex->Size / SuperEntrySize >= SuperIndexMaxEntries)
      throw Exception("ODML index overflow");
}

void TAVIFileWriter::AddSuperIndexEntry(TAVIOutStream& Stream, uint64_t Offset, uint32_t Size, uint32_t Duration)
{
  uint8_t entry[SuperEntrySize];
  PutLE64(entry, Offset);   // qwOffset
  PutLE32(entry + 8, Size); // dwSize
  PutLE32(entry + 12, Duration);
  Stream.SuperIndex->Append(entry, sizeof(entry));
}

bool TAVIFileWriter::ConfirmData()
{
  Handle.Flush();
  const int64_t missing = Handle.MissingAt();
  if (missing < 0) {
    FUnconfirmed.clear();
    return true;
  }
  // Every chunk from the one that holds the missing bytes on is taken back. No index chunk and
  // no RIFF boundary lies among them: both are written only after ConfirmData.
  auto first = std::find_if(FUnconfirmed.begin(), FUnconfirmed.end(), [&](const TRecentChunk& chunk) {
    return chunk.Position + 8 + int64_t(chunk.Size) > missing;
  });
  const int64_t cut = first == FUnconfirmed.end() ? Handle.Position() : first->Position;
  for (auto chunk = first; chunk != FUnconfirmed.end(); ++chunk) {
    TAVIOutStream& stream = OutStreams[size_t(chunk->StreamID)];
    if (FirstRiff && Idx1Mode())
      LegacyIndex.SetSize(LegacyIndex.Size - Idx1EntrySize);
    if (OpenDMLMode()) {
      stream.StdIndex->SetSize(stream.StdIndex->Size - StdEntrySize);
      stream.SegmentBytes -= chunk->Size;
    }
    --stream.ChunkCount;
    stream.ByteCount -= chunk->Size;
  }
  FUnconfirmed.clear();
  Handle.Truncate(cut);
  return false;
}

void TAVIFileWriter::RequireData()
{
  if (!ConfirmData())
    throw EReadSourceError();
}

uint32_t TAVIFileWriter::ChunkCount(int32_t StreamID) const
{
  return StreamID < 0 || StreamID > 99 ? 0 : OutStreams[size_t(StreamID)].ChunkCount;
}

void TAVIFileWriter::FlushStdIndex(TAVIOutStream& Stream)
{
  // A full super index cannot point at another segment: its chunks stay unindexed by it, and
  // the writer has already raised the overflow.
  if (Stream.SuperIndex->Size / SuperEntrySize >= SuperIndexMaxEntries) {
    Stream.SegmentBytes = 0;
    Stream.StdIndex->SetSize(0);
    return;
  }
  const int64_t p = Handle.Position();
  const uint32_t n = Stream.StdIndex->Size / StdEntrySize;
  const uint32_t duration = Stream.SampleSize != 0 ? Stream.SegmentBytes / Stream.SampleSize : n;
  AddSuperIndexEntry(Stream, uint64_t(p), 32 + StdEntrySize * n, duration);

  uint8_t header[32] = {};
  PutLE32(header, (MakeFourCC("ix00") & 0xFFFF) | ((Stream.ChunkID & 0xFFFF) << 16)); // 'ix' and the stream number
  PutLE32(header + 4, 24 + StdEntrySize * n);
  PutLE16(header + 8, 2); // wLongsPerEntry
  header[10] = 0;         // bIndexSubType
  header[11] = AVI_INDEX_OF_CHUNKS;
  PutLE32(header + 12, n);
  PutLE32(header + 16, Stream.ChunkID);
  PutLE64(header + 20, uint64_t(RiffBase)); // qwBaseOffset
  Handle.Write(header, sizeof(header));
  Handle.Write(Stream.StdIndex->Data, Stream.StdIndex->Size);
  Stream.SegmentBytes = 0;
  Stream.StdIndex->SetSize(0);
}

void TAVIFileWriter::WriteLegacyIndex()
{
  const int64_t p = Handle.Position();
  WriteJunkTo(p + Alignment - p % Alignment);
  WriteChunkHeader(ckIdx1, LegacyIndex.Size);
  Handle.Write(LegacyIndex.Data, LegacyIndex.Size);
  LegacyIndex.Clear();
}

TAVIOutStream& TAVIFileWriter::BeginChunk(int32_t StreamID, uint32_t Size)
{
  if (StreamID < 0 || StreamID > 99 || OutStreams[size_t(StreamID)].ChunkID == 0)
    throw Exception("Not initialized stream id");
  CheckSuperIndexRoom();
  if (Handle.MissingAt() >= 0) // found while the buffer made room
    RequireData();
  if (HeadersOpen)
    CloseHeaders();
  if (NeedNewRiff(Size))
    StartNewRiff();
  return OutStreams[size_t(StreamID)];
}

void TAVIFileWriter::EndChunk(TAVIOutStream& Stream, int64_t P, bool KeyFrame, uint32_t Size)
{
  if (FirstRiff && Idx1Mode()) {
    uint8_t entry[Idx1EntrySize];
    PutLE32(entry, Stream.ChunkID);
    PutLE32(entry + 4, KeyFrame ? AVIIF_KEYFRAME : 0);
    PutLE32(entry + 8, uint32_t(P)); // absolute position of the chunk header
    PutLE32(entry + 12, Size);
    LegacyIndex.Append(entry, sizeof(entry));
  }
  if (OpenDMLMode()) {
    uint8_t entry[StdEntrySize];
    PutLE32(entry, uint32_t(P + 8 - RiffBase));
    PutLE32(entry + 4, KeyFrame ? Size : Size | 0x80000000);
    Stream.StdIndex->Append(entry, sizeof(entry));
    Stream.SegmentBytes += Size;
  }
  ++Stream.ChunkCount;
  Stream.ByteCount += Size;
  Stream.MaxChunkSize = std::max(Stream.MaxChunkSize, Size);
  FUnconfirmed.push_back({P, int32_t(&Stream - OutStreams.data()), Size});
  while (!FUnconfirmed.empty() && Handle.MissingAt() < 0 &&
         FUnconfirmed.front().Position + 8 + int64_t(FUnconfirmed.front().Size) <= Handle.WrittenSize())
    FUnconfirmed.pop_front();
  if (OpenDMLMode() && Stream.StdIndex->Size / StdEntrySize >= StdIndexEntries) {
    RequireData();
    FlushStdIndex(Stream);
    CheckSuperIndexRoom(); // the chunk is counted and indexed: Close finishes the file
  }
}

void TAVIFileWriter::WriteChunk(int32_t StreamID, const void* Data, bool KeyFrame, uint32_t Size)
{
  TAVIOutStream& stream = BeginChunk(StreamID, Size);
  const int64_t p = Handle.Position();
  WriteChunkHeader(stream.ChunkID, Size);
  Handle.Write(Data, Size);
  if (Size & 1)
    Handle.WriteZeros(1);
  EndChunk(stream, p, KeyFrame, Size);
}

void TAVIFileWriter::CopyChunk(int32_t StreamID, const TFile& Source, int64_t DataPos, bool KeyFrame, uint32_t Size)
{
  TAVIOutStream& stream = BeginChunk(StreamID, Size);
  const int64_t p = Handle.Position();
  WriteChunkHeader(stream.ChunkID, Size);
  Handle.AppendFrom(Source, DataPos, Size);
  if (Size & 1)
    Handle.WriteZeros(1);
  EndChunk(stream, p, KeyFrame, Size);
}

void TAVIFileWriter::Flush()
{
  if (Handle.IsOpen())
    RequireData();
}

void TAVIFileWriter::WriteMainHeaders()
{
  uint32_t maxChunk = 0;
  for (const TAVIOutStream& stream : OutStreams)
    if (stream.ChunkID != 0)
      maxChunk = std::max(maxChunk, stream.MaxChunkSize);
  MainHeader.dwSuggestedBufferSize = maxChunk + 1024;

  uint8_t avih[8 + TAVIMainHeader::ByteSize];
  PutLE32(avih, ckAvih);
  PutLE32(avih + 4, TAVIMainHeader::ByteSize);
  MainHeader.ToBytes(avih + 8);
  Handle.WriteAt(HdrlPos + 12, avih, sizeof(avih));
  if (OpenDMLMode()) {
    uint8_t dmlh[12];
    PutLE32(dmlh, ckDmlh);
    PutLE32(dmlh + 4, DmlhDataSize);
    PutLE32(dmlh + 8, ExtHeaderTotalFrames);
    Handle.WriteAt(DmlhPos, dmlh, sizeof(dmlh));
  }
}

void TAVIFileWriter::FinishStreamHeaders()
{
  for (TAVIOutStream& stream : OutStreams) {
    if (stream.ChunkID == 0)
      continue;
    stream.Header.dwLength =
        stream.SampleSize != 0 ? uint32_t(stream.ByteCount / stream.SampleSize) : stream.ChunkCount;
    stream.Header.dwSuggestedBufferSize = stream.MaxChunkSize + 1024;
    uint8_t strh[TAVIStreamHeader::ByteSize];
    stream.Header.ToBytes(strh);
    Handle.WriteAt(stream.HeaderPos, strh, sizeof(strh));
    if (!OpenDMLMode())
      continue;
    uint8_t header[32] = {};
    PutLE32(header, ckIndx);
    PutLE32(header + 4, SuperIndexDataSize);
    PutLE16(header + 8, 4); // wLongsPerEntry
    header[10] = 0;         // bIndexSubType
    header[11] = AVI_INDEX_OF_INDEXES;
    PutLE32(header + 12, stream.SuperIndex->Size / SuperEntrySize);
    PutLE32(header + 16, stream.ChunkID);
    Handle.WriteAt(stream.IndexPos, header, sizeof(header));
    Handle.WriteAt(stream.IndexPos + sizeof(header), stream.SuperIndex->Data, stream.SuperIndex->Size);
    stream.SuperIndex->SetSize(0);
  }
}

void TAVIFileWriter::Close()
{
  if (!Handle.IsOpen())
    return;
  struct TReset { // the writer ends closed even when finishing fails
    TAVIFileWriter& Writer;
    ~TReset()
    {
      Writer.Handle.Discard();
      Writer.ResetStreams();
      Writer.LegacyIndex.Clear();
    }
  } reset{*this};

  // A file without chunks still gets a finished header list and an empty data list.
  if (HeadersOpen)
    CloseHeaders();
  // What a source no longer held is taken back; the file is finished without it.
  const bool complete = ConfirmData();
  CloseRiff();
  if (MainStream != -1) {
    if (FirstRiff)
      MainHeader.dwTotalFrames = OutStreams[size_t(MainStream)].ChunkCount;
    ExtHeaderTotalFrames = OutStreams[size_t(MainStream)].ChunkCount;
  }
  WriteMainHeaders();
  FinishStreamHeaders();
  Handle.Close();
  if (!complete)
    throw EReadSourceError();
}

void TAVIFileWriter::ResetStreams()
{
  FUnconfirmed.clear();
  for (TAVIOutStream& stream : OutStreams)
    stream = TAVIOutStream();
  FStreamsInUse = 0;
}
