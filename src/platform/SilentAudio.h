#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <string>
#include <vector>

// Silence in the coding of a copied sound stream, so that a gap at a seam can be filled without
// touching the sound around it: zeros for PCM, and for compressed sound frames made by FFmpeg's
// encoder for the format at the stream's sample rate, channels and bit rate, checked to carry
// the same header fields as the stream's own frames.
class TSilentAudio {
public:
  // Format: the stream's WAVEFORMATEX. Sample: one chunk of the stream's own data, whose frame
  // header the made frames must match.
  TSilentAudio(const std::vector<uint8_t>& Format, const std::vector<uint8_t>& Sample);

  // Whether a stream of this format is sampled without compression, so that it may be cut at
  // any sample.
  static bool IsPcm(const std::vector<uint8_t>& Format);

  // Whether silence of this format could be made; Reason says why not.
  bool Available() const { return !FFrame.empty(); }
  const std::string& Reason() const { return FReason; }
  // One piece of silence that stands alone as a chunk: a frame of the encoder, or for PCM one
  // sample of every channel.
  const std::vector<uint8_t>& Frame() const { return FFrame; }
  // PCM silence may be cut and joined at any sample; compressed frames only whole.
  bool Divisible() const { return FDivisible; }
  // Samples (per channel) that one Frame plays, and their rate.
  uint32_t FrameSamples() const { return FFrameSamples; }
  uint32_t SampleRate() const { return FSampleRate; }

private:
  void MakeEncoded(const std::vector<uint8_t>& Format, const std::vector<uint8_t>& Sample);

  std::vector<uint8_t> FFrame;
  std::string FReason;
  bool FDivisible = false;
  uint32_t FFrameSamples = 0;
  uint32_t FSampleRate = 0;
};

// Whether the codec is plain PCM: fixed-size samples without headers, cut and joined anywhere.
bool IsPlainPcm(AVCodecID Codec);
// The byte that codes silence in plain PCM: unsigned 8-bit samples are centred on 128, the
// logarithmic ones on their own zero codes, every other PCM on zero.
uint8_t PcmSilenceByte(AVCodecID Codec);
