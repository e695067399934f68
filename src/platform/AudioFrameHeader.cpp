#include "platform/AudioFrameHeader.h"

namespace {

// kbit/s by bitrate index: MPEG-1 layers I, II, III, then MPEG-2 and 2.5 layer I, and II/III.
constexpr uint16_t BitRates[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}};
constexpr uint32_t SampleRates[3] = {44100, 48000, 32000};
// kbit/s by half the AC-3 frmsizecod.
constexpr uint16_t AC3BitRates[19] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 448, 512, 576, 640};

} // namespace

TMPEGAudioFrame ReadMPEGAudioFrame(const uint8_t* Header)
{
  const uint32_t h = uint32_t(Header[0]) << 24 | uint32_t(Header[1]) << 16 | uint32_t(Header[2]) << 8 | Header[3];
  const uint32_t version = h >> 19 & 3, layer = h >> 17 & 3, rateIndex = h >> 12 & 15, sampleIndex = h >> 10 & 3;
  if ((h >> 21) != 0x7FF || version == 1 || layer == 0 || rateIndex == 0 || rateIndex == 15 || sampleIndex == 3)
    return {}; // no sync, a reserved value, or a free bit rate, whose frames have no size here
  const bool mpeg1 = version == 3;
  TMPEGAudioFrame frame;
  frame.SampleRate = SampleRates[sampleIndex] >> (mpeg1 ? 0 : version == 2 ? 1 : 2);
  const uint32_t bitRate = BitRates[mpeg1 ? 3 - layer : layer == 3 ? 3 : 4][rateIndex] * 1000u;
  const uint32_t padding = h >> 9 & 1;
  if (layer == 3) { // layer I: slots of 4 bytes
    frame.Size = (12 * bitRate / frame.SampleRate + padding) * 4;
    frame.Samples = 384;
  } else {
    const bool half = layer == 1 && !mpeg1; // layer III of MPEG-2 and 2.5
    frame.Size = (half ? 72 : 144) * bitRate / frame.SampleRate + padding;
    frame.Samples = half ? 576 : 1152;
  }
  return frame;
}

uint32_t ReadAC3FrameSize(const uint8_t* Header)
{
  if (Header[0] != 0x0B || Header[1] != 0x77)
    return 0;
  const uint32_t fscod = Header[4] >> 6, frmsizecod = Header[4] & 0x3F;
  if (fscod == 3 || frmsizecod / 2 >= 19)
    return 0;
  const uint32_t kbps = AC3BitRates[frmsizecod / 2];
  // 1536 samples a frame, in 16-bit words; at 44.1 kHz the odd codes add a word to keep the rate.
  switch (fscod) {
  case 0: // 48 kHz
    return kbps * 4;
  case 1: // 44.1 kHz
    return (kbps * 1536000 / (44100 * 16) + (frmsizecod & 1)) * 2;
  default: // 32 kHz
    return kbps * 6;
  }
}
