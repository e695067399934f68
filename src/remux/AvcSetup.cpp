#include "remux/AvcSetup.h"

#include "platform/NalUnits.h"

namespace {

constexpr uint8_t SpsType = 7;
constexpr uint8_t PpsType = 8;
constexpr size_t HeaderSize = 5;
constexpr size_t MaxSps = 31; // numOfSequenceParameterSets has five bits

uint8_t TypeOf(const TNalUnit& unit)
{
  return unit.empty() ? 0 : unit[0] & 0x1F;
}

bool ReadSized(const uint8_t* data, size_t size, size_t& at, size_t count, std::vector<TNalUnit>& units)
{
  return ForEachSizedUnit(data, size, at, count,
                          [&](const uint8_t* nal, size_t length) { units.emplace_back(nal, nal + length); });
}

void WriteSized(std::vector<uint8_t>& bytes, const std::vector<TNalUnit>& units)
{
  for (const TNalUnit& unit : units) {
    bytes.push_back(uint8_t(unit.size() >> 8));
    bytes.push_back(uint8_t(unit.size()));
    bytes.insert(bytes.end(), unit.begin(), unit.end());
  }
}

} // namespace

std::set<uint32_t> TAvcSetup::Ids() const
{
  std::set<uint32_t> ids;
  for (const auto* units : {&Sps, &Pps})
    for (const TNalUnit& unit : *units)
      if (const auto id = ParameterSetId(unit))
        ids.insert(*id);
  return ids;
}

std::vector<uint8_t> TAvcSetup::Bytes() const
{
  std::vector<uint8_t> bytes(Header);
  bytes.push_back(uint8_t(0xE0 | Sps.size())); // reserved bits, numOfSequenceParameterSets
  WriteSized(bytes, Sps);
  bytes.push_back(uint8_t(Pps.size())); // numOfPictureParameterSets
  WriteSized(bytes, Pps);
  bytes.insert(bytes.end(), Tail.begin(), Tail.end());
  return bytes;
}

std::optional<TAvcSetup> ReadAvcSetup(const uint8_t* Data, int Size)
{
  if (Data == nullptr || Size < int(HeaderSize + 2) || Data[0] != 1) // configurationVersion
    return std::nullopt;
  const size_t size = size_t(Size);
  TAvcSetup setup;
  setup.Header.assign(Data, Data + HeaderSize);
  size_t at = HeaderSize + 1;
  if (!ReadSized(Data, size, at, Data[HeaderSize] & 0x1F, setup.Sps) || at >= size)
    return std::nullopt;
  const size_t pictureSets = Data[at++];
  if (!ReadSized(Data, size, at, pictureSets, setup.Pps))
    return std::nullopt;
  setup.Tail.assign(Data + at, Data + size);
  return setup;
}

std::optional<uint32_t> ParameterSetId(const TNalUnit& Unit)
{
  const uint8_t type = TypeOf(Unit);
  if (type != SpsType && type != PpsType)
    return std::nullopt;
  TNalBits bits(Unit.data() + 1, Unit.size() - 1);
  if (type == SpsType)
    bits.U(24); // profile_idc, constraint flags, level_idc
  const uint32_t id = bits.Ue(); // seq_parameter_set_id or pic_parameter_set_id
  if (bits.Failed() || id > (type == SpsType ? MaxSps : 255u))
    return std::nullopt;
  return id;
}

std::vector<TNalUnit> StartCodeUnits(const uint8_t* Data, int Size)
{
  std::vector<TNalUnit> units;
  ForEachStartCodeUnit(Data, Size > 0 ? size_t(Size) : 0, [&](const uint8_t* nal, size_t length) {
    if (length > 0)
      units.emplace_back(nal, nal + length);
  });
  return units;
}

bool HoldsIdr(const uint8_t* Data, int Size, int LengthSize)
{
  constexpr uint8_t IdrSliceType = 5;
  const size_t size = Size > 0 ? size_t(Size) : 0;
  for (size_t at = 0; at + size_t(LengthSize) < size;) {
    size_t length = 0;
    for (int i = 0; i < LengthSize; ++i)
      length = length << 8 | Data[at + size_t(i)];
    at += size_t(LengthSize);
    if (length == 0 || length > size - at)
      return false;
    if ((Data[at] & 0x1F) == IdrSliceType)
      return true;
    at += length;
  }
  return false;
}

std::vector<uint8_t> LengthPrefixed(const std::vector<TNalUnit>& Units, int LengthSize)
{
  std::vector<uint8_t> bytes;
  for (const TNalUnit& unit : Units) {
    for (int shift = 8 * (LengthSize - 1); shift >= 0; shift -= 8)
      bytes.push_back(uint8_t(unit.size() >> shift));
    bytes.insert(bytes.end(), unit.begin(), unit.end());
  }
  return bytes;
}
