#include "mpeg/MPEG1SysRead.h"

#include "avi/FileWriteBuf.h"
#include "mpeg/BigEndian.h"
#include "platform/Exceptions.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint8_t PackStartCode = 0xBA;
constexpr uint8_t SystemHeaderStartCode = 0xBB;
constexpr uint8_t PrivateStream2 = 0xBF;
constexpr uint32_t MPEG1PackHeaderSize = 12;
constexpr uint32_t MPEG2PackHeaderSize = 14; // and up to 7 stuffing bytes

int64_t DecodeTimeStamp(const uint8_t* bytes)
{
  return int64_t((bytes[0] & 0x0F) >> 1) << 30 | int64_t(GetBE16(bytes + 1) >> 1) << 15 | GetBE16(bytes + 3) >> 1;
}

} // namespace

void TMPEG1SystemReader::Open(const std::string& FileName, uint32_t WindowSize)
{
  Close();
  FUnitPos = 0;
  FUnitSize = 0;
  FFile = TFile::OpenRead(FileName, TShareMode::DenyWrite);
  FFileSize = FFile.Size();
  if (FFileSize < 0)
    throw Exception("Unable to receive file size");
  FWindowSize = std::max(WindowSize, MinWindowSize);
  FWindow = std::make_unique_for_overwrite<uint8_t[]>(FWindowSize); // filled before any use
  FWindowPos = 0;
  FWindowLen = 0;
}

void TMPEG1SystemReader::Close()
{
  FWindow.reset();
  FWindowLen = 0;
  FFile.Close();
}

void TMPEG1SystemReader::SeekTo(int64_t Position)
{
  FUnitPos = Position;
  FUnitSize = 0;
}

uint8_t* TMPEG1SystemReader::MoveWindow(int64_t Position, uint32_t Count)
{
  if (Position < 0 || Position + Count > FFileSize)
    return nullptr;
  if (OnWindowMove)
    OnWindowMove();
  // Aligned reads; a unit is far smaller than the window, so it always fits behind the start.
  FWindowPos = Position & ~int64_t(4095);
  const uint32_t length = uint32_t(std::min<int64_t>(FWindowSize, FFileSize - FWindowPos));
  FWindowLen = 0;
  if (FFile.Seek(FWindowPos, TSeekOrigin::Begin) < 0 || FFile.Read(FWindow.get(), length) != int64_t(length))
    throw EReadSourceError(); // the file shrank, or its disk failed
  FWindowLen = length;
  return FWindow.get() + (Position - FWindowPos);
}

bool TMPEG1SystemReader::ReadExactly(void* Dest, uint32_t Count, int64_t Position)
{
  const uint8_t* bytes = Map(Position, Count);
  if (bytes == nullptr)
    return false;
  std::memcpy(Dest, bytes, Count);
  return true;
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
  for (int64_t p = Position;; ++p) {
    const uint8_t* b = Map(p, 1);
    if (b == nullptr)
      return false;
    if (*b == 0x00) {
      ++zeros;
      continue;
    }
    if (*b == 0x01 && zeros >= 2) {
      const uint8_t* c = Map(p + 1, 1);
      if (c == nullptr)
        return false;
      if (*c >= PackStartCode) {
        Position = p + 2;
        Code = *c;
        return true;
      }
    }
    zeros = 0; // a byte after 00 00 01 below 0xBA is looked at again as a possible first zero
  }
}

bool TMPEG1SystemReader::ReadTimeStamp(int64_t Position, int64_t& Value)
{
  const uint8_t* bytes = Map(Position, 5);
  if (bytes == nullptr)
    return false;
  Value = DecodeTimeStamp(bytes);
  return true;
}

bool TMPEG1SystemReader::DecodePack(int64_t Position)
{
  FUnitKind = ukPack;
  const uint8_t* b = Map(Position, MPEG2PackHeaderSize - 4);
  if (b != nullptr && (b[0] & 0xC0) == 0x40) { // '01': an MPEG-2 pack
    FSCR = int64_t(b[0] >> 3 & 7) << 30 | int64_t(b[0] & 3) << 28 | int64_t(b[1]) << 20 | int64_t(b[2] >> 3) << 15 |
           int64_t(b[2] & 3) << 13 | int64_t(b[3]) << 5 | b[4] >> 3;
    FMuxRate = uint32_t(b[6]) << 14 | uint32_t(b[7]) << 6 | b[8] >> 2;
    FUnitSize = MPEG2PackHeaderSize + (b[9] & 7);
    return true;
  }
  b = Map(Position, MPEG1PackHeaderSize - 4);
  if (b == nullptr)
    return false;
  FSCR = DecodeTimeStamp(b);
  FMuxRate = (uint32_t(b[5] & 0x7F) << 16 | uint32_t(b[6]) << 8 | b[7]) >> 1;
  FUnitSize = MPEG1PackHeaderSize;
  return true;
}

bool TMPEG1SystemReader::DecodeSystemHeader(int64_t Position)
{
  FUnitKind = ukSystemHeader;
  const uint8_t* length = Map(Position, 2);
  if (length == nullptr)
    return false;
  FUnitSize = GetBE16(length) + 6u;
  return true;
}

bool TMPEG1SystemReader::DecodePacket(int64_t Position, uint8_t StreamID)
{
  FUnitKind = ukPacket;
  FPacket = TMPEGPacketInfo{};
  FPacket.StreamID = StreamID;
  const uint8_t* length = Map(Position, 2);
  if (length == nullptr)
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
  const uint8_t* b = Map(q, 1);
  if (b != nullptr && q < end && (*b & 0xC0) == 0x80) // '10': an MPEG-2 packet header
    return DecodeMPEG2PacketHeader(q, end) || malformed();
  for (;; ++q) { // stuffing bytes
    if (q >= end)
      return malformed();
    if ((b = Map(q, 1)) == nullptr)
      return false;
    if ((*b & 0x80) == 0)
      break;
  }
  if ((*b & 0xC0) == 0x40) {
    FPacket.HasSTDBuffer = true;
    q += 2;
    if (q >= end)
      return malformed();
    if ((b = Map(q, 1)) == nullptr)
      return false;
  }
  switch (*b >> 4) {
  case 0x2:
    if (!ReadTimeStamp(q, FPacket.PTS))
      return false;
    FPacket.HasPTS = true;
    FPacket.PTSPos = q;
    q += 5;
    break;
  case 0x3:
    if (!ReadTimeStamp(q, FPacket.PTS) || !ReadTimeStamp(q + 5, FPacket.DTS))
      return false;
    FPacket.HasPTS = true;
    FPacket.HasDTS = true;
    FPacket.PTSPos = q;
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

// Two flag bytes and the header's length, then the optional fields; the data follows them.
bool TMPEG1SystemReader::DecodeMPEG2PacketHeader(int64_t Position, int64_t End)
{
  const uint8_t* b = Map(Position, 3);
  if (b == nullptr)
    return false;
  const int64_t payload = Position + 3 + b[2];
  const uint8_t flags = b[1] >> 6;
  if (payload > End || (flags == 2 && b[2] < 5) || (flags == 3 && b[2] < 10))
    return false;
  if (flags >= 2) {
    FPacket.HasPTS = ReadTimeStamp(Position + 3, FPacket.PTS);
    FPacket.PTSPos = Position + 3;
  }
  if (flags == 3)
    FPacket.HasDTS = ReadTimeStamp(Position + 8, FPacket.DTS);
  FPacket.PayloadPos = payload;
  FPacket.PayloadSize = uint16_t(End - payload);
  return true;
}

uint8_t* TMPEG1SystemReader::UnitData()
{
  return Map(FUnitPos, FUnitSize);
}

bool TMPEG1SystemReader::ReadUnit(void* Dest)
{
  return ReadExactly(Dest, FUnitSize, FUnitPos);
}

bool TMPEG1SystemReader::ReadPayload(void* Dest)
{
  return FPacket.PayloadSize == 0 || ReadExactly(Dest, FPacket.PayloadSize, FPacket.PayloadPos);
}
