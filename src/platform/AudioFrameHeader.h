#pragma once

#include <cstdint>

// One MPEG audio frame (layers I to III; MPEG-1, 2 and 2.5) as its 4-byte header tells it.
struct TMPEGAudioFrame {
  uint32_t Size = 0; // bytes; 0 when the header is none
  uint32_t Samples = 0;
  uint32_t SampleRate = 0;
};
TMPEGAudioFrame ReadMPEGAudioFrame(const uint8_t* Header);

// The bytes of the AC-3 frame whose 5-byte sync information starts at Header; 0 when it is none.
uint32_t ReadAC3FrameSize(const uint8_t* Header);
