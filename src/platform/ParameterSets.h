#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What a decoder reads of H.264 or HEVC setup data (avcC, hvcC, or parameter sets with start
// codes), field by field, without what it does not look at: the timing, HRD and other hints of
// the VUI (and of HEVC's VPS), which encoders fill in from the frame rate and rate control, and
// supplemental enhancement information. Files whose fields agree decode alike with either's.
struct TSetupField {
  enum class TRule {
    Same,   // must be equal
    AtMost, // a limit the first file declares: a later file may need less
    Bytes,  // the hash of a unit compared whole; Value is no number to show
  };
  std::string Name;
  int64_t Value = 0;
  TRule Rule = TRule::Same;
};

// FNV-1a of setup bytes compared whole.
uint64_t SetupHash(const uint8_t* Data, size_t Size);

// Empty when the codec is neither H.264 nor HEVC or the data cannot be read, so that the bytes are compared.
std::vector<TSetupField> DecodingSetupOf(int CodecId, const uint8_t* Data, int Size);
