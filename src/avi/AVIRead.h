#pragma once

#include "avi/AVIFormat.h"
#include "avi/MemBuf.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <queue>
#include <string>
#include <vector>

class TFileReadBuffer;
class TAVIFileReader;

// Malformed AVI input.
class EAVIReadError : public Exception {
public:
  using Exception::Exception;
};

// One chunk of the level walked last.
struct TChunkInfo {
  uint32_t ID = 0;
  uint32_t ListType = 0; // 0 unless ID is 'LIST'
  int64_t DataPos = 0;   // for a 'LIST', just after its list type
  uint32_t Size = 0;     // as stored; for a 'LIST' it counts the list type too
};

// One data chunk of a stream.
struct TAVIIndexEntry {
  uint64_t Offset = 0; // position of the chunk's data
  uint32_t Size = 0;
  bool KeyFrame = false;
  uint64_t StreamPos = 0; // bytes of the stream's earlier entries
};

class TAVIStream {
public:
  TAVIStream(TAVIFileReader& Reader, int64_t ListPos, uint32_t ListSize);

  void LoadHeaders();
  // Appends one entry and returns the stream's new TotalBytes.
  uint64_t AddEntry(uint32_t Size, bool KeyFrame, uint64_t Offset);
  uint32_t EntryCount() const;
  bool GetEntry(uint32_t Index, TAVIIndexEntry& Entry) const;
  // Reads the chunk's data into Dest, which holds at least its Size bytes; false on a short read.
  bool ReadChunk(uint32_t Index, void* Dest);
  int64_t EntryStreamPos(uint32_t Index) const;
  // Seconds from the start of the stream; -1 past the last entry.
  double EntryTime(uint32_t Index) const;
  void ReadSuperIndex();
  void ReadStandardIndex(TFileReadBuffer& Buffer, int64_t Position);

  TAVIStreamHeader Header;
  std::vector<uint8_t> Format;
  std::string ChunkPrefix;
  int64_t ListPos;
  uint32_t ListSize;
  int64_t IndexPos = -1;
  uint32_t IndexSize = 0;
  uint64_t TotalBytes = 0;
  TAVIFileReader& Reader;
  TMemoryBuf Entries;
  uint32_t Cursor = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

// The message of a failure about one file, with the file's name after it.
std::string NamedMessage(const std::string& Message, const std::string& FileName);

// Locates the data chunks of every stream of one AVI file through its legacy or OpenDML index.
class TAVIFileReader {
public:
  TAVIFileReader();
  ~TAVIFileReader();
  TAVIFileReader(const TAVIFileReader&) = delete;
  TAVIFileReader& operator=(const TAVIFileReader&) = delete;

  void Open(const std::string& FileName, bool HeadersOnly);
  void Close();
  int StreamCount() const { return int(StreamList.size()); }
  TAVIStream& Streams(int Index) { return *StreamList[size_t(Index)]; }
  uint64_t FileSize();
  void ResetCursors();
  // The earliest entry not handed out yet; StreamIndex -1 when none is left.
  void NextChunk(int& StreamIndex, uint32_t& EntryIndex);
  // Whether Size bytes at Offset lie inside the open file.
  bool InFile(uint64_t Offset, uint64_t Size) const
  {
    return Offset <= uint64_t(FFileSize) && Size <= uint64_t(FFileSize) - Offset;
  }

  TFile Handle;
  std::vector<TChunkInfo> Chunks;
  TAVIMainHeader MainHeader;
  int64_t HdrlPos = 0;
  uint32_t HdrlSize = 0;
  int64_t MoviPos = 0;
  uint32_t MoviSize = 0;
  int64_t Idx1Pos = -1;
  uint32_t Idx1Size = 0;
  std::vector<std::unique_ptr<TAVIStream>> StreamList;
  TAVIStream* VideoStream = nullptr;
  TAVIStream* AudioStream = nullptr;
  bool HasOpenDMLIndex = false;

private:
  friend class TAVIStream;

  // Open's work once the file is open.
  void ReadStructure(bool HeadersOnly);
  void ReadChunkList(int64_t Position, uint32_t Size);
  const TChunkInfo* FindChunk(uint32_t ID, uint32_t ListType) const;
  void ReadHeaders();
  void ReadLegacyIndex();
  int64_t LegacyIndexBase(TFileReadBuffer& Buffer);
  void ReadOpenDMLIndexes();
  // Reads up to Count bytes at Position, zero-filling what lies past the end of the file.
  void ReadAt(int64_t Position, uint8_t* Dest, uint32_t Count);
  // False once the index describes more chunks or bytes than the file can hold: a corrupt
  // index must not make the tables, or the joined output, grow without bound.
  bool AdmitEntry(uint32_t Size, uint64_t Offset);

  // The next entry of every stream that has one, earliest first, lower stream number first at
  // equal times: NextChunk costs no more with thousands of streams than with two.
  std::priority_queue<std::pair<double, int>, std::vector<std::pair<double, int>>, std::greater<>> FHeads;
  int64_t FFileSize = 0;
  uint64_t FAdmittedEntries = 0;
  uint64_t FAdmittedBytes = 0;
};
