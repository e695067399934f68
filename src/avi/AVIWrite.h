#pragma once

#include "avi/AVIFormat.h"
#include "avi/FileWriteBuf.h"
#include "avi/MemBuf.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

// Per-stream state of the writer; ChunkID 0 means the id is not declared.
struct TAVIOutStream {
  uint32_t ChunkID = 0;
  uint32_t SampleSize = 0;
  uint32_t ChunkCount = 0;
  int64_t ByteCount = 0;
  int64_t HeaderPos = 0; // of the 'strh' data
  int64_t IndexPos = 0;  // of the 'indx' chunk header
  uint32_t SegmentBytes = 0;
  uint32_t MaxChunkSize = 0;
  std::unique_ptr<TMemoryBuf> SuperIndex; // OpenDML modes only
  std::unique_ptr<TMemoryBuf> StdIndex;   // OpenDML modes only
  TAVIStreamHeader Header;                // as written, finished by Close
};

// Writes one RIFF AVI file: the declared streams' headers, then the data chunks in the order
// given, indexed by 'idx1', by OpenDML indexes, or both.
class TAVIFileWriter {
public:
  TAVIFileWriter();
  TAVIFileWriter(const TAVIFileWriter&) = delete;
  TAVIFileWriter& operator=(const TAVIFileWriter&) = delete;

  void StartFile(const std::string& FileName);
  void AddStream(int32_t StreamID, const TAVIStreamHeader& StreamHeader, uint32_t FormatSize, const uint8_t* Format);
  void WriteChunk(int32_t StreamID, const void* Data, bool KeyFrame, uint32_t Size);
  // As WriteChunk, with the Size data bytes found at DataPos of Source. Source must stay open
  // until the next Flush or Close.
  void CopyChunk(int32_t StreamID, const TFile& Source, int64_t DataPos, bool KeyFrame, uint32_t Size);
  // Writes out everything pending, so that the sources of copied chunks may be closed.
  void Flush();
  // Data chunks of the stream written so far.
  uint32_t ChunkCount(int32_t StreamID) const;
  // Finishes the file; does nothing when none is open. The file is closed also on failure.
  void Close();

  // 1: 'idx1' only; 2: OpenDML indexes only; 3: both. Set before StartFile.
  uint8_t IndexMode = 3;
  // Entries of a standard index chunk before it is written out; fewer only to reach the super
  // index's limit in tests.
  uint32_t StdIndexEntries = 8000;

private:
  bool OpenDMLMode() const { return IndexMode == 2 || IndexMode == 3; }
  bool Idx1Mode() const { return IndexMode == 1 || IndexMode == 3; }
  void WriteChunkHeader(uint32_t Id, uint32_t Size);
  TAVIOutStream& BeginChunk(int32_t StreamID, uint32_t Size);
  void EndChunk(TAVIOutStream& Stream, int64_t P, bool KeyFrame, uint32_t Size);
  int64_t BeginList(uint32_t Id, uint32_t Type);
  void PatchSize(int64_t P);
  void WriteJunkTo(int64_t Target);
  void CloseHeaders();
  bool NeedNewRiff(uint32_t Size) const;
  // Completes the current RIFF list: its indexes and its sizes.
  void CloseRiff();
  void StartNewRiff();
  void FlushStdIndexes();
  void FlushStdIndex(TAVIOutStream& Stream);
  void AddSuperIndexEntry(TAVIOutStream& Stream, uint64_t Offset, uint32_t Size, uint32_t Duration);
  // Raises "ODML index overflow" when a stream's super index has no room left.
  void CheckSuperIndexRoom() const;
  void WriteLegacyIndex();
  void WriteMainHeaders();
  void FinishStreamHeaders();
  void ResetStreams();
  // Writes out the pending copies; when a source no longer held all of a chunk's bytes, takes
  // back that chunk and every later one (their bytes and index entries) and returns false.
  bool ConfirmData();
  // ConfirmData, raising EReadSourceError when something was taken back.
  void RequireData();

  // A chunk whose copied bytes may still prove missing.
  struct TRecentChunk {
    int64_t Position;
    int32_t StreamID;
    uint32_t Size;
  };
  std::deque<TRecentChunk> FUnconfirmed;

  TFileWriteBuffer Handle;
  int64_t RiffPos = 0;
  int64_t HdrlPos = 0;
  int64_t MoviPos = 0;
  int64_t DmlhPos = 0;
  TAVIMainHeader MainHeader;
  uint32_t ExtHeaderTotalFrames = 0; // the rest of 'dmlh' is zero
  bool HeadersOpen = false;
  int32_t MainStream = -1;
  bool FirstRiff = true;
  int64_t RiffBase = 0;
  std::array<TAVIOutStream, 100> OutStreams;
  size_t FStreamsInUse = 0; // the ids of the streams declared lie below it
  TMemoryBuf LegacyIndex;
};

// Text padded with blanks to four characters, as a FourCC.
uint32_t StringToFourCC(const std::string& Text);
