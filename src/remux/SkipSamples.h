#pragma once

extern "C" {
#include <libavcodec/packet.h>
}

#include <cstdint>

// The samples a packet's sound leaves out, at its start (priming) and at its end (padding), as
// FFmpeg's demuxers mark them and its muxers write them (Matroska's discard padding).
struct TSkipSamples {
  int64_t Start = 0;
  int64_t End = 0;
};

TSkipSamples SkipSamplesOf(const AVPacket* Packet);
void SetSkipSamples(AVPacket* Packet, TSkipSamples Skip);
