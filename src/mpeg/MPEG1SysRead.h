#pragma once

#include "avi/FileBufs.h"
#include "platform/FileIO.h"

#include <cstdint>
#include <memory>
#include <string>

enum TMPEGUnitKind { ukPack = 0, ukSystemHeader = 1, ukPacket = 2 };

// The decoded header of one packet, handed whole to the time-stamp correction.
struct TMPEGPacketInfo {
  uint8_t StreamID = 0;
  int64_t PayloadPos = 0;
  uint16_t PayloadSize = 0;
  bool HasPTS = false;
  int64_t PTS = 0; // 33 bits of a 90 kHz clock
  bool HasDTS = false;
  int64_t DTS = 0;
  bool HasSTDBuffer = false; // present; its value is not kept
};

// Walks an MPEG-1 system stream one unit (pack header, system header or packet) at a time. It
// decodes only what joining needs and never looks inside the packet data.
class TMPEG1SystemReader {
public:
  TMPEG1SystemReader() = default;
  TMPEG1SystemReader(const TMPEG1SystemReader&) = delete;
  TMPEG1SystemReader& operator=(const TMPEG1SystemReader&) = delete;
  ~TMPEG1SystemReader() { Close(); }

  // Raises the system error when the file cannot be opened.
  void Open(const std::string& FileName);
  void Close();

  // Advances to the next unit; false at the end of the data or on a header cut off by it.
  bool Next();
  // Copy the current unit (UnitSize bytes) or the packet's data (PayloadSize bytes); false when
  // the file holds fewer bytes than that.
  bool ReadUnit(void* Dest);
  bool ReadPayload(void* Dest);
  // Decodes the 5-byte time stamp field at Position; false when it cannot be read.
  bool ReadTimeStamp(int64_t Position, int64_t& Value);

  TMPEGUnitKind UnitKind() const { return FUnitKind; }
  int64_t UnitPos() const { return FUnitPos; }
  uint32_t UnitSize() const { return FUnitSize; }
  int64_t SCR() const { return FSCR; }
  uint32_t MuxRate() const { return FMuxRate; }
  const TMPEGPacketInfo& Packet() const { return FPacket; }

private:
  bool ReadByte(int64_t Position, uint8_t& Value);
  bool ReadExactly(void* Dest, uint32_t Count, int64_t Position);
  bool FindStartCode(int64_t& Position, uint8_t& Code);
  bool DecodePack(int64_t Position);
  bool DecodeSystemHeader(int64_t Position);
  bool DecodePacket(int64_t Position, uint8_t StreamID);

  TFile FFile;
  std::unique_ptr<TFileReadBuffer> FBuffer;
  TMPEGUnitKind FUnitKind = ukPack;
  int64_t FUnitPos = 0;
  uint32_t FUnitSize = 0;
  int64_t FSCR = 0;
  uint32_t FMuxRate = 0;
  TMPEGPacketInfo FPacket;
};
