#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

// H.264 setup data as MP4, MOV and Matroska keep it: a decoder configuration record (avcC) that
// may hold several sequence and picture parameter sets, each picture naming the ones it uses
// by their ids.

using TNalUnit = std::vector<uint8_t>; // with its header byte, without a start code or length

struct TAvcSetup {
  std::vector<uint8_t> Header; // version, profile, compatibility, level, NAL length size
  std::vector<TNalUnit> Sps, Pps;
  std::vector<uint8_t> Tail; // what the high profiles add after the picture parameter sets

  int LengthSize() const { return (Header[4] & 3) + 1; }
  // The ids its parameter sets take, sequence and picture ones alike.
  std::set<uint32_t> Ids() const;
  std::vector<uint8_t> Bytes() const;
};

// Null when the data are no avcC record or overrun its size.
std::optional<TAvcSetup> ReadAvcSetup(const uint8_t* Data, int Size);
// The id of a sequence or picture parameter set; null for another unit or a damaged one.
std::optional<uint32_t> ParameterSetId(const TNalUnit& Unit);
// The units of data that separate them by start codes, as encoders give them.
std::vector<TNalUnit> StartCodeUnits(const uint8_t* Data, int Size);
// Whether a sample (units after their lengths) holds a slice of an IDR picture, from which
// decoding starts afresh.
bool HoldsIdr(const uint8_t* Data, int Size, int LengthSize);
// The units, each after its length in `LengthSize` bytes, as MP4 samples hold them.
std::vector<uint8_t> LengthPrefixed(const std::vector<TNalUnit>& Units, int LengthSize);
