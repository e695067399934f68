#include "dshow/RenderFFmpeg.h"

#include "dshow/DSErrors.h"
#include "platform/Exceptions.h"

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

void CheckAVError(int Code)
{
  if (Code >= 0)
    return;
  if (Code == AVERROR(ENOMEM))
    throw std::bad_alloc();
  // FFmpeg's own codes are tags far below any errno.
  if (Code > -4096)
    RaiseOSError(-Code);
  CheckDSError(Code);
}
