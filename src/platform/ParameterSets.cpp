#include "platform/ParameterSets.h"

#include "platform/NalUnits.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace {

using TUnitReader = void (*)(TSetupList&, const uint8_t*, size_t);

bool ReadSizedUnits(TSetupList& list, TUnitReader unit, const uint8_t* data, size_t size, size_t& at, int count)
{
  return ForEachSizedUnit(data, size, at, size_t(count), [&](const uint8_t* nal, size_t length) { unit(list, nal, length); });
}

// avcC: version, profile, compatibility, level, NAL length size, then the SPS and the PPS. The
// header repeats the SPS, but for the length size.
bool ReadAvcC(TSetupList& list, const uint8_t* data, size_t size)
{
  if (size < 7 || data[0] != 1)
    return false;
  list.Same("NAL length size", (data[4] & 3) + 1);
  size_t at = 6;
  if (!ReadSizedUnits(list, ReadH264Unit, data, size, at, data[5] & 0x1F) || at >= size)
    return false;
  const int pictureSets = data[at++];
  return ReadSizedUnits(list, ReadH264Unit, data, size, at, pictureSets);
}

// hvcC: a 22-byte header (which repeats the parameter sets but for the length size, and holds
// an average frame rate), then arrays of units, each of one type.
bool ReadHvcC(TSetupList& list, const uint8_t* data, size_t size)
{
  if (size < 23 || data[0] != 1)
    return false;
  list.Same("NAL length size", (data[21] & 3) + 1);
  size_t at = 23;
  for (int array = 0; array < data[22]; ++array) {
    if (at + 3 > size)
      return false;
    const int count = data[at + 1] << 8 | data[at + 2];
    at += 3;
    if (!ReadSizedUnits(list, ReadHevcUnit, data, size, at, count))
      return false;
  }
  return true;
}

} // namespace

uint64_t SetupHash(const uint8_t* Data, size_t Size)
{
  uint64_t hash = 0xCBF29CE484222325ull;
  for (size_t i = 0; i < Size; ++i)
    hash = (hash ^ Data[i]) * 0x100000001B3ull;
  return hash;
}

std::vector<TSetupField> DecodingSetupOf(int CodecId, const uint8_t* Data, int Size)
{
  const bool hevc = CodecId == AV_CODEC_ID_HEVC;
  if ((CodecId != AV_CODEC_ID_H264 && !hevc) || Data == nullptr || Size <= 0)
    return {};
  TSetupList list;
  const size_t size = size_t(Size);
  if (StartCodeAt(Data, size, 0) || (size >= 4 && Data[0] == 0 && StartCodeAt(Data, size, 1)))
    ForEachStartCodeUnit(Data, size, [&](const uint8_t* nal, size_t length) {
      (hevc ? ReadHevcUnit : ReadH264Unit)(list, nal, length);
    });
  else if (!(hevc ? ReadHvcC(list, Data, size) : ReadAvcC(list, Data, size)))
    return {};
  return list.Fields;
}
