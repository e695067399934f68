#pragma once

#include "platform/ParameterSets.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The readers of single H.264 and HEVC NAL units behind DecodingSetupOf.

// Reads the bits of a NAL unit's payload, emulation prevention bytes taken out. A read past the
// end gives 0 and marks the reader failed, so that a damaged unit is compared byte for byte.
class TNalBits {
public:
  TNalBits(const uint8_t* Data, size_t Size);
  bool Failed() const { return FFailed; }
  void Fail() { FFailed = true; }
  uint32_t U(int Bits);
  uint32_t Ue(); // exp-Golomb
  int32_t Se();
  // A hash of the bits not yet read, which it reads.
  uint64_t Rest();

private:
  std::vector<uint8_t> FBytes;
  size_t FBit = 0;
  bool FFailed = false;
};

// The fields read so far, in order.
struct TSetupList {
  std::vector<TSetupField> Fields;
  void Same(const std::string& Name, int64_t Value) { Fields.push_back({Name, Value, TSetupField::TRule::Same}); }
  void AtMost(const std::string& Name, int64_t Value) { Fields.push_back({Name, Value, TSetupField::TRule::AtMost}); }
  void Bytes(const std::string& Name, const uint8_t* Data, size_t Size)
  {
    Fields.push_back({Name, int64_t(SetupHash(Data, Size)), TSetupField::TRule::Bytes});
  }
  // chroma_format_idc and, for 4:4:4, separate_colour_plane_flag, as H.264 and HEVC code them alike.
  uint32_t ChromaFormat(TNalBits& Bits)
  {
    const uint32_t chroma = Bits.Ue();
    Same("chroma_format_idc", chroma);
    if (chroma == 3)
      Same("separate_colour_plane_flag", Bits.U(1));
    return chroma;
  }
};

using TUnitVisitor = std::function<void(const uint8_t* Nal, size_t Size)>;
bool StartCodeAt(const uint8_t* Data, size_t Size, size_t At);
// The units between start codes, as MPEG-TS and encoders give them.
void ForEachStartCodeUnit(const uint8_t* Data, size_t Size, const TUnitVisitor& Unit);
// `Count` units, each after its 16-bit length, from `At` on, as avcC and hvcC hold them; false
// when they overrun the data.
bool ForEachSizedUnit(const uint8_t* Data, size_t Size, size_t& At, size_t Count, const TUnitVisitor& Unit);

void ReadH264Unit(TSetupList& List, const uint8_t* Nal, size_t Size);
void ReadHevcUnit(TSetupList& List, const uint8_t* Nal, size_t Size);
