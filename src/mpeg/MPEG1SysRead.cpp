#include "mpeg/MPEG1SysRead.h"

#include "mpeg/BigEndian.h"

namespace {

constexpr uint8_t PackStartCode = 0xBA;
constexpr uint8_t SystemHeaderStartCode = 0xBB;
constexpr uint8_t PrivateStream2 = 0xBF;
constexpr uint32_t PackHeaderSize = 12; // MPEG-1 packs only

} // namespace

void TMPEG1SystemReader::Open(const std::string& FileName)
{
  Close();
  FUnitPos = 0;
  FUnitSize = 0;
  FFile = TFile::OpenRead(FileName, TShareMode::DenyWrite);
  // The walk passes every byte through the window: a larger one takes fewer system calls, and
  // 64 KiB still fits the processor's cache, so that copying units out of it stays cheap.
  FBuffer = std::make_unique<TFileReadBuffer>(FFile, 65536);
}

void TMPEG1SystemReader::Close()
{
  FBuffer.reset();
  FFile.Close();
}

bool TMPEG1SystemReader::ReadExactly(void* Dest, uint32_t Count, int64_t Position)
{
  return FBuffer->Read(Dest, Count, Position) == int32_t(Count);
}

bool TMPEG1SystemReader::ReadByte(int64_t Position, uint8_t& Value)
{
  return ReadExactly(&Value, 1, Position);
}

bool TMPEG1SystemReader::Next()
{
  int64_t p = FUnitPos + FUnitSize;
  uint8_t code = 0;
  if (!FindStartCode(p, code))
    return false;
  FUnitPos = p - 4;
  switch (code) {
  case PackStartCode:
    return DecodePack(p);
  case SystemHeaderStartCode:
    return DecodeSystemHeader(p);
  default:
    return DecodePacket(p, code);
  }
}

// Only 00 00 01 followed by 0xBA or more starts a unit; the end code and elementary-stream start
// codes between units are passed over. Any run of zeros may precede the prefix: padding to a
// sector boundary leaves such runs before a pack, and an odd-length run must not hide it.
bool TMPEG1SystemReader::FindStartCode(int64_t& Position, uint8_t& Code)
{
  uint32_t zeros = 0;
  uint8_t b = 0;
  for (int64_t p = Position;; ++p) {
    if (!ReadByte(p, b))
      return false;
    if (b == 0x00) {
      ++zeros;
      continue;
    }
    if (b == 0x01 && zeros >= 2) {
      if (!ReadByte(p + 1, b))
        return false;
      if (b >= PackStartCode) {
        Position = p + 2;
        Code = b;
        return true;
      }
    }
    zeros = 0; // a byte after 00 00 01 below 0xBA is looked at again as a possible first zero
  }
}

bool TMPEG1SystemReader::ReadTimeStamp(int64_t Position, int64_t& Value)
{
  uint8_t bytes[5];
  if (!ReadExactly(bytes, 5, Position))
    return false;
  Value = int64_t((bytes[0] & 0x0F) >> 1) << 30 | int64_t(GetBE16(bytes + 1) >> 1) << 15 | GetBE16(bytes + 3) >> 1;
  return true;
}

bool TMPEG1SystemReader::DecodePack(int64_t Position)
{
  FUnitKind = ukPack;
  uint8_t rate[3];
  if (!ReadTimeStamp(Position, FSCR) || !ReadExactly(rate, 3, Position + 5))
    return false;
  FMuxRate = (uint32_t(rate[0] & 0x7F) << 16 | uint32_t(rate[1]) << 8 | rate[2]) >> 1;
  FUnitSize = PackHeaderSize;
  return true;
}

bool TMPEG1SystemReader::DecodeSystemHeader(int64_t Position)
{
  FUnitKind = ukSystemHeader;
  uint8_t length[2];
  if (!ReadExactly(length, 2, Position))
    return false;
  FUnitSize = GetBE16(length) + 6u;
  return true;
}

bool TMPEG1SystemReader::DecodePacket(int64_t Position, uint8_t StreamID)
{
  FUnitKind = ukPacket;
  FPacket = TMPEGPacketInfo{};
  FPacket.StreamID = StreamID;
  uint8_t length[2];
  if (!ReadExactly(length, 2, Position))
    return false;
  FUnitSize = GetBE16(length) + 6u;
  if (StreamID == PrivateStream2)
    return true;

  // A header that claims more bytes than its packet holds is malformed: the packet is kept as
  // a unit but has no data, so that no byte of the units after it is taken for its data.
  const int64_t end = FUnitPos + FUnitSize;
  const auto malformed = [this, StreamID] {
    FPacket = TMPEGPacketInfo{};
    FPacket.StreamID = StreamID;
    return true;
  };
  int64_t q = Position + 2;
  uint8_t b = 0;
  for (;; ++q) { // stuffing bytes
    if (q >= end)
      return malformed();
    if (!ReadByte(q, b))
      return false;
    if ((b & 0x80) == 0)
      break;
  }
  if ((b & 0xC0) == 0x40) {
    FPacket.HasSTDBuffer = true;
    q += 2;
    if (q >= end)
      return malformed();
    if (!ReadByte(q, b))
      return false;
  }
  switch (b >> 4) {
  case 0x2:
    if (!ReadTimeStamp(q, FPacket.PTS))
      return false;
    FPacket.HasPTS = true;
    q += 5;
    break;
  case 0x3:
    if (!ReadTimeStamp(q, FPacket.PTS) || !ReadTimeStamp(q + 5, FPacket.DTS))
      return false;
    FPacket.HasPTS = true;
    FPacket.HasDTS = true;
    q += 10;
    break;
  default:
    q += 1;
  }
  if (q > end)
    return malformed();
  FPacket.PayloadPos = q;
  FPacket.PayloadSize = uint16_t(end - q);
  return true;
}

bool TMPEG1SystemReader::ReadUnit(void* Dest)
{
  return ReadExactly(Dest, FUnitSize, FUnitPos);
}

bool TMPEG1SystemReader::ReadPayload(void* Dest)
{
  return FPacket.PayloadSize == 0 || ReadExactly(Dest, FPacket.PayloadSize, FPacket.PayloadPos);
}
