#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

struct TOutputContainer;

// The FFmpeg encoders the join dialog lists: those that really open here, for the AVI lists only
// those the AVI muxer carries.

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

// An entry without a moniker and name separates the encoders that suit a container from the rest.
struct TCompressorEntry {
  std::string FriendlyName; // for example "MPEG-4 part 2 (mpeg4)" or "H.264 (libx264)"
  TCompressorMonikerPtr Moniker;
};

// The AVI lists: the encoders AVI carries, in a stable order.
std::vector<TCompressorEntry> ListCompressorCategory(bool Audio);
// The lists for an output container: for AVI the lists above; otherwise first the encoders that
// suit it, under short names, then a separator and every other encoder.
std::vector<TCompressorEntry> ListCompressorsFor(bool Audio, const TOutputContainer& Container);
// The first encoder whose display name or short name is Name, or none.
TCompressorMonikerPtr FindCompressor(bool Audio, const std::string& Name);
// The encoder a new output of the container gets, when it is installed; null for none.
TCompressorMonikerPtr DefaultEncoderFor(bool Audio, const TOutputContainer& Container);
// The sample rate a join gives the sound encoder: 44100 Hz where it takes it, else its highest
// (Opus takes only 48000 Hz and lower rates).
int JoinSampleRate(const struct AVCodec* Codec);
// Why the container cannot carry what the encoder makes ("MP4 files cannot carry ..."); empty
// when it can. An empty EncoderName stands for uncompressed video or sound.
std::string CarryProblem(const TOutputContainer& Container, bool Audio, const std::string& EncoderName);
