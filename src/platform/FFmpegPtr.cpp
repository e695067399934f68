#include "platform/FFmpegPtr.h"

#include <new>

TFramePtr NewFrame()
{
  TFramePtr frame(av_frame_alloc());
  if (!frame)
    throw std::bad_alloc();
  return frame;
}

TPacketPtr NewPacket()
{
  TPacketPtr packet(av_packet_alloc());
  if (!packet)
    throw std::bad_alloc();
  return packet;
}
