#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

// The encoders a join can use: the FFmpeg encoders that the AVI muxer can carry and that really
// open on this machine.

// One encoder object, made from a moniker. The options dialog fills Options with the encoder's
// own settings (AVOption names and values as text); the recompressing join opens the encoder
// by EncoderName with them.
struct TCompressorFilter {
  std::string EncoderName; // FFmpeg's short name, for example "mpeg4"
  bool Audio = false;
  std::map<std::string, std::string> Options;
};
using TCompressorFilterPtr = std::shared_ptr<TCompressorFilter>;

// The handle of one listed encoder; each BindToObject makes a new filter.
class TCompressorMoniker {
public:
  TCompressorMoniker(std::string EncoderName, bool Audio) : EncoderName(std::move(EncoderName)), Audio(Audio) {}
  TCompressorFilterPtr BindToObject() const;

  std::string EncoderName;
  bool Audio;
};
using TCompressorMonikerPtr = std::shared_ptr<const TCompressorMoniker>;

struct TCompressorEntry {
  std::string FriendlyName; // for example "MPEG-4 part 2 (mpeg4)"
  TCompressorMonikerPtr Moniker;
};

// The category's members in a stable order.
std::vector<TCompressorEntry> ListCompressorCategory(bool Audio);
// The first member of the category whose display name or short name is Name, or none.
TCompressorMonikerPtr FindCompressor(bool Audio, const std::string& Name);
