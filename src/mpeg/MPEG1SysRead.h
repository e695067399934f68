#pragma once

#include "platform/FileIO.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TMPEGUnitKind { ukPack = 0, ukSystemHeader = 1, ukPacket = 2 };

// The decoded header of one packet, handed whole to the time-stamp correction.
// The first video stream's ID, the one a join follows; sound streams are 0xC0 to 0xDF.
constexpr uint8_t VideoStream0 = 0xE0;
inline bool IsSoundStream(uint8_t StreamID)
{
  return (StreamID & 0xE0) == 0xC0;
}

struct TMPEGPacketInfo {
  uint8_t StreamID = 0;
  int64_t PayloadPos = 0;
  uint16_t PayloadSize = 0;
  bool HasPTS = false;
  int64_t PTS = 0; // 33 bits of a 90 kHz clock
  bool HasDTS = false;
  int64_t DTS = 0;
  bool HasSTDBuffer = false; // present; its value is not kept
  int64_t PTSPos = 0;        // the 5-byte PTS field, the DTS field right after it; 0 without
};

// Walks an MPEG system stream one unit (pack header, system header or packet) at a time. It
// decodes only what joining and describing need and never looks inside the packet data. MPEG-1
// packs and packets are read, and MPEG-2 ones as far as their clocks.
class TMPEG1SystemReader {
public:
  TMPEG1SystemReader() = default;
  TMPEG1SystemReader(const TMPEG1SystemReader&) = delete;
  TMPEG1SystemReader& operator=(const TMPEG1SystemReader&) = delete;
  ~TMPEG1SystemReader() { Close(); }

  // Raises the system error when the file cannot be opened. The window holds WindowSize bytes
  // of the file; it is at least MinWindowSize, so that any unit fits in it.
  static constexpr uint32_t MinWindowSize = 1 << 17;
  void Open(const std::string& FileName, uint32_t WindowSize = 1 << 20);
  void Close();
  // The next search for a unit starts at Position.
  void SeekTo(int64_t Position);

  // Advances to the next unit; false at the end of the data or on a header cut off by it.
  bool Next();
  // Copy the current unit (UnitSize bytes) or the packet's data (PayloadSize bytes); false when
  // the file holds fewer bytes than that.
  bool ReadUnit(void* Dest);
  bool ReadPayload(void* Dest);
  // Decodes the 5-byte time stamp field at Position; false when it cannot be read.
  bool ReadTimeStamp(int64_t Position, int64_t& Value);

  // The current unit's bytes inside the read window, so that they can be written (or their
  // clocks changed) without a copy; null when the file holds fewer. Valid until the window moves.
  uint8_t* UnitData();
  // Called just before the window takes other bytes, so that the owner can use up its pointers.
  std::function<void()> OnWindowMove;

  TMPEGUnitKind UnitKind() const { return FUnitKind; }
  int64_t UnitPos() const { return FUnitPos; }
  uint32_t UnitSize() const { return FUnitSize; }
  int64_t SCR() const { return FSCR; }
  uint32_t MuxRate() const { return FMuxRate; }
  const TMPEGPacketInfo& Packet() const { return FPacket; }
  int64_t FileSize() const { return FFileSize; }

private:
  // Count bytes at Position, in the window; null when the file ends before them. Inline, as it is
  // asked for a few bytes at a time, nearly always of the window as it stands.
  uint8_t* Map(int64_t Position, uint32_t Count)
  {
    if (Position >= FWindowPos && Position + Count <= FWindowPos + FWindowLen)
      return FWindow.get() + (Position - FWindowPos);
    return MoveWindow(Position, Count);
  }
  uint8_t* MoveWindow(int64_t Position, uint32_t Count);
  bool ReadExactly(void* Dest, uint32_t Count, int64_t Position);
  bool FindStartCode(int64_t& Position, uint8_t& Code);
  bool DecodePack(int64_t Position);
  bool DecodeSystemHeader(int64_t Position);
  bool DecodePacket(int64_t Position, uint8_t StreamID);
  bool DecodeMPEG2PacketHeader(int64_t Position, int64_t End);

  TFile FFile;
  std::unique_ptr<uint8_t[]> FWindow;
  int64_t FWindowPos = 0;
  uint32_t FWindowLen = 0;
  uint32_t FWindowSize = 0;
  int64_t FFileSize = 0;
  TMPEGUnitKind FUnitKind = ukPack;
  int64_t FUnitPos = 0;
  uint32_t FUnitSize = 0;
  int64_t FSCR = 0;
  uint32_t FMuxRate = 0;
  TMPEGPacketInfo FPacket;
};
