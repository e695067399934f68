#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>

// Owners for FFmpeg's objects, so that no path leaks one. Every user of FFmpeg takes them from here.

struct TInputFormatCloser {
  void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct TOutputFormatCloser {
  void operator()(AVFormatContext* p) const
  {
    if (p->pb != nullptr && !(p->oformat->flags & AVFMT_NOFILE))
      avio_closep(&p->pb);
    avformat_free_context(p);
  }
};
struct TCodecContextFreer {
  void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct TFrameFreer {
  void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct TPacketFreer {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct TSwsFreer {
  void operator()(SwsContext* p) const { sws_freeContext(p); }
};
struct TSwrFreer {
  void operator()(SwrContext* p) const { swr_free(&p); }
};
struct TAudioFifoFreer {
  void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

using TInputFormatPtr = std::unique_ptr<AVFormatContext, TInputFormatCloser>;
using TOutputFormatPtr = std::unique_ptr<AVFormatContext, TOutputFormatCloser>;
using TCodecContextPtr = std::unique_ptr<AVCodecContext, TCodecContextFreer>;
using TFramePtr = std::unique_ptr<AVFrame, TFrameFreer>;
using TPacketPtr = std::unique_ptr<AVPacket, TPacketFreer>;
using TSwsPtr = std::unique_ptr<SwsContext, TSwsFreer>;
using TSwrPtr = std::unique_ptr<SwrContext, TSwrFreer>;
using TAudioFifoPtr = std::unique_ptr<AVAudioFifo, TAudioFifoFreer>;

// Allocation failures of FFmpeg surface as std::bad_alloc, like every other allocation.
TFramePtr NewFrame();
TPacketPtr NewPacket();
