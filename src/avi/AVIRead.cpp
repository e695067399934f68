#include "avi/AVIRead.h"

#include "avi/FileBufs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t IndexWindowSize = 8192;
constexpr uint32_t EntryRecordSize = 8 + 4 + 1 + 8; // Offset, Size, KeyFrame, StreamPos
constexpr uint32_t OdmlHeaderSize = 32;
constexpr uint32_t OdmlChunkHeaderSize = 24; // the index header without its 8-byte chunk header
constexpr uint32_t SuperEntrySize = 16;
constexpr uint32_t StdEntrySize = 8;
constexpr uint32_t Idx1EntrySize = 16;

// The stream number that a chunk id such as '0Adc' names, or -1: two upper-case hexadecimal
// digits, as the stream prefixes are written.
int PrefixStream(uint32_t ckid)
{
  auto digit = [](uint8_t c) {
    if (c >= '0' && c <= '9')
      return c - '0';
    if (c >= 'A' && c <= 'F')
      return c - 'A' + 10;
    return -1;
  };
  const int high = digit(uint8_t(ckid));
  const int low = digit(uint8_t(ckid >> 8));
  return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Field indexes (two offsets per frame) and entries of another size than the kind's own would be
// read as something they are not.
void CheckIndexLayout(const std::string& Message, const uint8_t* Header, uint32_t EntrySize)
{
  const uint16_t longsPerEntry = GetLE16(Header + 8);
  const uint8_t subType = Header[10];
  const std::string type = std::to_string(Header[11]);
  if (subType != 0)
    throw EAVIReadError(Message + type + ", sub-type " + std::to_string(subType));
  if (longsPerEntry * 4u != EntrySize)
    throw EAVIReadError(Message + type + ", " + std::to_string(longsPerEntry) + " longs per entry");
}

} // namespace

// ---- TAVIStream ----

TAVIStream::TAVIStream(TAVIFileReader& Reader, int64_t ListPos, uint32_t ListSize)
    : ListPos(ListPos), ListSize(ListSize), Reader(Reader)
{
  Entries.Delta = 1048576;
}

void TAVIStream::LoadHeaders()
{
  Reader.ReadChunkList(ListPos, ListSize);
  const TChunkInfo* strh = Reader.FindChunk(ckStrh, 0);
  if (strh == nullptr)
    throw EAVIReadError("The stream header is not found");
  // A shorter header (48 bytes lack the frame rectangle) must not take the bytes after it;
  // what it lacks reads as zero.
  uint8_t bytes[TAVIStreamHeader::ByteSize] = {};
  Reader.ReadAt(strh->DataPos, bytes, std::min<uint32_t>(strh->Size, sizeof(bytes)));
  Header = TAVIStreamHeader::FromBytes(bytes);

  const TChunkInfo* strf = Reader.FindChunk(ckStrf, 0);
  if (strf == nullptr)
    throw EAVIReadError("The stream format is not found");
  // A format cut off by the end of the file keeps what is there; its size is never trusted
  // beyond the file.
  const uint32_t formatSize =
      uint32_t(std::min<int64_t>(strf->Size, std::max<int64_t>(0, Reader.FFileSize - strf->DataPos)));
  Format.assign(formatSize, 0);
  Reader.ReadAt(strf->DataPos, Format.data(), formatSize);

  if (const TChunkInfo* indx = Reader.FindChunk(ckIndx, 0)) {
    IndexPos = indx->DataPos - 8;
    IndexSize = indx->Size;
    Reader.HasOpenDMLIndex = true;
  } else {
    IndexPos = -1;
  }
  TotalBytes = 0;

  // Timing divides by both; such a stream cannot be placed in time.
  if (Header.dwScale == 0 || Header.dwRate == 0)
    throw EAVIReadError("The stream has a scale or rate of 0");

  if (Header.fccType == streamAuds && Header.dwSampleSize == 0 &&
      double(Header.dwRate) / double(Header.dwScale) > 500 && Format.size() >= wfxBlockAlignOffset + 2)
    Header.dwSampleSize = GetLE16(Format.data() + wfxBlockAlignOffset);

  if (Header.fccType == streamVids) {
    Width = Format.size() >= bmiWidthOffset + 4 ? int32_t(GetLE32(Format.data() + bmiWidthOffset)) : 0;
    Height = Format.size() >= bmiHeightOffset + 4 ? int32_t(GetLE32(Format.data() + bmiHeightOffset)) : 0;
    if (Width == 0)
      Width = Header.rcFrameRight - Header.rcFrameLeft;
    if (Height == 0)
      Height = Header.rcFrameBottom - Header.rcFrameTop;
  }
}

uint64_t TAVIStream::AddEntry(uint32_t Size, bool KeyFrame, uint64_t Offset)
{
  uint8_t record[EntryRecordSize];
  std::memcpy(record, &Offset, 8);
  std::memcpy(record + 8, &Size, 4);
  record[12] = KeyFrame ? 1 : 0;
  std::memcpy(record + 13, &TotalBytes, 8);
  Entries.Append(record, sizeof(record));
  TotalBytes += Size;
  return TotalBytes;
}

uint32_t TAVIStream::EntryCount() const
{
  return Entries.Size / EntryRecordSize;
}

bool TAVIStream::GetEntry(uint32_t Index, TAVIIndexEntry& Entry) const
{
  if (Index >= EntryCount())
    return false;
  const uint8_t* record = Entries.Data + size_t(Index) * EntryRecordSize;
  std::memcpy(&Entry.Offset, record, 8);
  std::memcpy(&Entry.Size, record + 8, 4);
  Entry.KeyFrame = record[12] != 0;
  std::memcpy(&Entry.StreamPos, record + 13, 8);
  return true;
}

bool TAVIStream::ReadChunk(uint32_t Index, void* Dest)
{
  TAVIIndexEntry entry;
  if (!GetEntry(Index, entry) || !Reader.InFile(entry.Offset, entry.Size))
    return false;
  return Reader.Handle.Seek(int64_t(entry.Offset), TSeekOrigin::Begin) >= 0 &&
         int64_t(Reader.Handle.Read(Dest, entry.Size)) == int64_t(entry.Size);
}

int64_t TAVIStream::EntryStreamPos(uint32_t Index) const
{
  TAVIIndexEntry entry;
  return GetEntry(Index, entry) ? int64_t(entry.StreamPos) : -1;
}

double TAVIStream::EntryTime(uint32_t Index) const
{
  TAVIIndexEntry entry;
  if (!GetEntry(Index, entry))
    return -1;
  const double units = Header.dwSampleSize == 0 ? double(Index) : double(entry.StreamPos) / Header.dwSampleSize;
  return units / Header.dwRate * Header.dwScale;
}

void TAVIStream::ReadSuperIndex()
{
  TFileReadBuffer buffer(Reader.Handle, IndexWindowSize);
  uint8_t header[OdmlHeaderSize];
  if (buffer.Read(header, sizeof(header), IndexPos) != int32_t(sizeof(header)))
    return;
  const uint8_t indexType = header[11];
  if (indexType == AVI_INDEX_OF_CHUNKS) {
    ReadStandardIndex(buffer, IndexPos);
    return;
  }
  if (indexType != AVI_INDEX_OF_INDEXES)
    throw EAVIReadError("Unsupported type of super index: " + std::to_string(indexType));
  CheckIndexLayout("Unsupported type of super index: ", header, SuperEntrySize);
  // Entries beyond the 'indx' chunk are not part of it.
  const uint32_t room = IndexSize > OdmlChunkHeaderSize ? (IndexSize - OdmlChunkHeaderSize) / SuperEntrySize : 0;
  const uint32_t count = std::min(GetLE32(header + 12), room);
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t entry[SuperEntrySize];
    if (buffer.Read(entry, sizeof(entry), IndexPos + OdmlHeaderSize + int64_t(SuperEntrySize) * k) !=
        int32_t(sizeof(entry)))
      break;
    const uint64_t offset = GetLE64(entry);
    if (offset >= uint64_t(Reader.FFileSize))
      continue; // reads there would come back empty
    ReadStandardIndex(buffer, int64_t(offset));
  }
}

void TAVIStream::ReadStandardIndex(TFileReadBuffer& Buffer, int64_t Position)
{
  uint8_t header[OdmlHeaderSize];
  if (Buffer.Read(header, sizeof(header), Position) != int32_t(sizeof(header)))
    return;
  const uint8_t indexType = header[11];
  if (indexType != AVI_INDEX_OF_CHUNKS)
    throw EAVIReadError("Unsupported type of chunk index: " + std::to_string(indexType));
  CheckIndexLayout("Unsupported type of chunk index: ", header, StdEntrySize);
  // Entries beyond the chunk's own size belong to whatever follows it.
  const uint32_t chunkSize = GetLE32(header + 4);
  const uint32_t room = chunkSize > OdmlChunkHeaderSize ? (chunkSize - OdmlChunkHeaderSize) / StdEntrySize : 0;
  const uint32_t count = std::min(GetLE32(header + 12), room);
  const uint64_t baseOffset = GetLE64(header + 20);
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t entry[StdEntrySize];
    if (Buffer.Read(entry, sizeof(entry), Position + OdmlHeaderSize + int64_t(StdEntrySize) * k) !=
        int32_t(sizeof(entry)))
      break;
    const uint32_t sizeField = GetLE32(entry + 4);
    const uint32_t size = sizeField & 0x7FFFFFFF;
    const uint64_t offset = baseOffset + GetLE32(entry);
    if (!Reader.AdmitEntry(size, offset))
      break;
    AddEntry(size, (sizeField & 0x80000000) == 0, offset);
  }
}

// ---- TAVIFileReader ----

TAVIFileReader::TAVIFileReader() = default;

TAVIFileReader::~TAVIFileReader()
{
  Close();
}

void TAVIFileReader::Close()
{
  FHeads = {};
  VideoStream = nullptr;
  AudioStream = nullptr;
  StreamList.clear();
  Handle.Close();
}

uint64_t TAVIFileReader::FileSize()
{
  const int64_t size = Handle.Size();
  if (size < 0)
    RaiseLastOSError();
  return uint64_t(size);
}

void TAVIFileReader::ReadAt(int64_t Position, uint8_t* Dest, uint32_t Count)
{
  if (Count == 0)
    return;
  std::memset(Dest, 0, Count);
  if (Position < 0 || Position >= FFileSize)
    return;
  if (Handle.Seek(Position, TSeekOrigin::Begin) < 0 || Handle.Read(Dest, Count) < 0)
    RaiseLastOSError();
}

void TAVIFileReader::ReadChunkList(int64_t Position, uint32_t Size)
{
  Chunks.clear();
  // A list that claims more than the file holds ends with the file.
  const int64_t end = std::min(Position + int64_t(Size) - 4, FFileSize);
  TFileReadBuffer buffer(Handle, IndexWindowSize);
  int64_t pos = Position;
  while (pos < end) {
    uint8_t header[8];
    if (buffer.Read(header, sizeof(header), pos) != int32_t(sizeof(header)))
      break;
    TChunkInfo chunk;
    chunk.ID = GetLE32(header);
    chunk.Size = GetLE32(header + 4);
    const int64_t padded = int64_t(chunk.Size) + (chunk.Size & 1);
    if (chunk.ID == ckLIST) {
      uint8_t type[4];
      if (buffer.Read(type, sizeof(type), pos + 8) != int32_t(sizeof(type)))
        break;
      chunk.ListType = GetLE32(type);
      chunk.DataPos = pos + 12;
      pos = chunk.DataPos - 4 + padded;
    } else {
      chunk.DataPos = pos + 8;
      pos = chunk.DataPos + padded;
    }
    Chunks.push_back(chunk);
  }
}

const TChunkInfo* TAVIFileReader::FindChunk(uint32_t ID, uint32_t ListType) const
{
  for (const TChunkInfo& chunk : Chunks)
    if (chunk.ID == ID && chunk.ListType == ListType)
      return &chunk;
  return nullptr;
}

void TAVIFileReader::Open(const std::string& FileName, bool HeadersOnly)
{
  HasOpenDMLIndex = false;
  Close();
  Handle = TFile::OpenRead(FileName, TShareMode::DenyWrite);
  // The message tells which of the files it concerns.
  try {
    ReadStructure(HeadersOnly);
  } catch (const EAVIReadError& e) {
    throw EAVIReadError(NamedMessage(e.what(), FileName));
  } catch (const EOSError&) {
    throw;
  } catch (const Exception& e) {
    throw Exception(NamedMessage(e.what(), FileName));
  }
}

std::string NamedMessage(const std::string& Message, const std::string& FileName)
{
  return Message + " (" + FileName + ")";
}

void TAVIFileReader::ReadStructure(bool HeadersOnly)
{
  FFileSize = int64_t(FileSize());
  FAdmittedEntries = 0;
  FAdmittedBytes = 0;

  uint8_t head[12];
  if (FFileSize < int64_t(sizeof(head)))
    throw EAVIReadError("The file has unknown format");
  ReadAt(0, head, sizeof(head));
  if (GetLE32(head) != ckRIFF || GetLE32(head + 8) != formAVI)
    throw EAVIReadError("The file has unknown format");

  ReadChunkList(12, GetLE32(head + 4));
  const TChunkInfo* hdrl = FindChunk(ckLIST, listHdrl);
  if (hdrl == nullptr)
    throw EAVIReadError("The header is not found");
  HdrlPos = hdrl->DataPos;
  HdrlSize = hdrl->Size;
  const TChunkInfo* movi = FindChunk(ckLIST, listMovi);
  if (movi == nullptr)
    throw EAVIReadError("The data is not found");
  MoviPos = movi->DataPos;
  MoviSize = movi->Size;
  if (const TChunkInfo* idx1 = FindChunk(ckIdx1, 0)) {
    Idx1Pos = idx1->DataPos;
    Idx1Size = idx1->Size;
  } else {
    Idx1Pos = -1;
    Idx1Size = 0;
  }
  ReadHeaders();
  Chunks.clear();

  if (HeadersOnly)
    return;
  if (HasOpenDMLIndex)
    ReadOpenDMLIndexes();
  else
    ReadLegacyIndex();
  ResetCursors();
}

void TAVIFileReader::ReadHeaders()
{
  ReadChunkList(HdrlPos, HdrlSize);
  const TChunkInfo* avih = FindChunk(ckAvih, 0);
  if (avih == nullptr)
    throw EAVIReadError("The main header is not found");
  uint8_t bytes[TAVIMainHeader::ByteSize];
  ReadAt(avih->DataPos, bytes, sizeof(bytes));
  MainHeader = TAVIMainHeader::FromBytes(bytes);

  for (const TChunkInfo& chunk : Chunks)
    if (chunk.ListType == listStrl && chunk.ID == ckLIST)
      StreamList.push_back(std::make_unique<TAVIStream>(*this, chunk.DataPos, chunk.Size));

  for (size_t i = 0; i < StreamList.size(); ++i) {
    TAVIStream& stream = *StreamList[i];
    char prefix[16];
    std::snprintf(prefix, sizeof(prefix), "%02X", unsigned(i));
    stream.ChunkPrefix = prefix;
    stream.LoadHeaders();
    if (stream.Header.IsVideo() && VideoStream == nullptr)
      VideoStream = &stream;
    if (stream.Header.fccType == streamAuds && AudioStream == nullptr)
      AudioStream = &stream;
  }
}

bool TAVIFileReader::AdmitEntry(uint32_t Size, uint64_t Offset)
{
  // Every chunk takes at least its 8-byte header, and chunks do not overlap.
  if (++FAdmittedEntries > uint64_t(FFileSize) / 8)
    return false;
  if (InFile(Offset, Size)) {
    FAdmittedBytes += Size;
    if (FAdmittedBytes > uint64_t(FFileSize))
      return false;
  }
  return true;
}

int64_t TAVIFileReader::LegacyIndexBase(TFileReadBuffer& Buffer)
{
  const int64_t base = MoviPos + 4;
  uint8_t entry[Idx1EntrySize];
  if (Buffer.Read(entry, sizeof(entry), Idx1Pos) != int32_t(sizeof(entry)))
    return base;
  uint8_t header[8];
  if (Buffer.Read(header, sizeof(header), MoviPos - 4 + GetLE32(entry + 8)) == int32_t(sizeof(header)) &&
      GetLE32(header) != GetLE32(entry))
    return 8; // offsets are absolute positions of the chunk headers
  return base;
}

void TAVIFileReader::ReadLegacyIndex()
{
  if (Idx1Pos == -1)
    throw EAVIReadError("The index is not found");
  const uint32_t count = Idx1Size / Idx1EntrySize;
  TFileReadBuffer buffer(Handle, IndexWindowSize);
  const int64_t base = LegacyIndexBase(buffer);
  for (uint32_t k = 0; k < count; ++k) {
    uint8_t entry[Idx1EntrySize];
    if (buffer.Read(entry, sizeof(entry), Idx1Pos + int64_t(Idx1EntrySize) * k) != int32_t(sizeof(entry)))
      break;
    const int stream = PrefixStream(GetLE32(entry));
    if (stream < 0 || stream >= StreamCount())
      continue; // 'rec ' lists, index chunks and the like
    const uint32_t size = GetLE32(entry + 12);
    const uint64_t offset = uint64_t(base) + GetLE32(entry + 8);
    if (!AdmitEntry(size, offset))
      break;
    StreamList[size_t(stream)]->AddEntry(size, (GetLE32(entry + 4) & AVIIF_KEYFRAME) != 0, offset);
  }
}

void TAVIFileReader::ReadOpenDMLIndexes()
{
  for (auto& stream : StreamList)
    if (stream->IndexPos >= 0)
      stream->ReadSuperIndex();
}

void TAVIFileReader::ResetCursors()
{
  FHeads = {};
  for (size_t i = 0; i < StreamList.size(); ++i) {
    StreamList[i]->Cursor = 0;
    if (StreamList[i]->EntryCount() > 0)
      FHeads.emplace(StreamList[i]->EntryTime(0), int(i));
  }
}

void TAVIFileReader::NextChunk(int& StreamIndex, uint32_t& EntryIndex)
{
  StreamIndex = -1;
  if (FHeads.empty())
    return;
  StreamIndex = FHeads.top().second;
  FHeads.pop();
  TAVIStream& stream = *StreamList[size_t(StreamIndex)];
  EntryIndex = stream.Cursor++;
  if (stream.Cursor < stream.EntryCount())
    FHeads.emplace(stream.EntryTime(stream.Cursor), StreamIndex);
}
