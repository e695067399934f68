#include "remux/SkipSamples.h"

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include <new>

namespace {

constexpr size_t SideDataSize = 10; // start and end, 32 bits each, then two reason bytes

} // namespace

TSkipSamples SkipSamplesOf(const AVPacket* Packet)
{
  size_t size = 0;
  const uint8_t* data = av_packet_get_side_data(Packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
  if (data == nullptr || size < SideDataSize)
    return {};
  return {AV_RL32(data), AV_RL32(data + 4)};
}

void SetSkipSamples(AVPacket* Packet, TSkipSamples Skip)
{
  uint8_t* data = av_packet_new_side_data(Packet, AV_PKT_DATA_SKIP_SAMPLES, SideDataSize);
  if (data == nullptr)
    throw std::bad_alloc();
  AV_WL32(data, uint32_t(Skip.Start));
  AV_WL32(data + 4, uint32_t(Skip.End));
  data[8] = data[9] = 0;
}
