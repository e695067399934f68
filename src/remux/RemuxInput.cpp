#include "remux/RemuxInput.h"

#include "platform/Exceptions.h"
#include "platform/FileIO.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

namespace {

// Packets read to find where the sound starts; interleaved files hold one within the first few.
constexpr int StartScanPackets = 2000;

struct TPacketFree {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

} // namespace

std::string FFmpegErrorText(int Code)
{
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(Code, text, sizeof text);
  return text;
}

TRemuxInput::TRemuxInput(const std::string& FileName) : FFileName(FileName)
{
  CheckRegularFile(FileName);
  // Only files: a name must not reach a network address or a device.
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", "file", 0);
  int result = avformat_open_input(&FContext, ("file:" + FileName).c_str(), nullptr, &options);
  av_dict_free(&options);
  if (result >= 0)
    result = avformat_find_stream_info(FContext, nullptr);
  if (result < 0) {
    avformat_close_input(&FContext);
    throw Exception("Unable to open " + FileName + " (" + FFmpegErrorText(result) + ")");
  }
  VideoIndex = FirstVideoTrack(FContext);
  AudioIndex = FirstAudioStream(FContext);
  Format = CopyFormatOf(FContext, FileName);
  FileSize = FContext->pb != nullptr ? avio_size(FContext->pb) : 0;
}

TRemuxInput::~TRemuxInput()
{
  avformat_close_input(&FContext);
}

void TRemuxInput::MeasureStarts(int64_t& VideoStart, int64_t& AudioLead)
{
  const AVStream* video = FContext->streams[VideoIndex];
  std::unique_ptr<AVPacket, TPacketFree> packet(av_packet_alloc());
  int64_t firstVideo = AV_NOPTS_VALUE;
  int64_t firstAudio = AV_NOPTS_VALUE;
  for (int i = 0; i < StartScanPackets && (firstAudio == AV_NOPTS_VALUE || firstVideo == AV_NOPTS_VALUE); ++i) {
    if (!ReadPacket(packet.get()))
      break;
    const AVStream* stream = FContext->streams[packet->stream_index];
    if (packet->pts != AV_NOPTS_VALUE) {
      const int64_t pts = av_rescale_q(packet->pts, stream->time_base, AV_TIME_BASE_Q);
      if (packet->stream_index == VideoIndex && firstVideo == AV_NOPTS_VALUE)
        firstVideo = pts;
      if (packet->stream_index == AudioIndex && firstAudio == AV_NOPTS_VALUE)
        firstAudio = pts;
    }
    av_packet_unref(packet.get());
  }
  // FFmpeg's start time is the earliest picture shown, which with reordered frames need not be
  // the first packet's.
  VideoStart = video->start_time != AV_NOPTS_VALUE ? av_rescale_q(video->start_time, video->time_base, AV_TIME_BASE_Q)
               : firstVideo != AV_NOPTS_VALUE     ? firstVideo
                                                  : 0;
  AudioLead = firstAudio != AV_NOPTS_VALUE ? firstAudio - VideoStart : 0;
}

bool TRemuxInput::ReadPacket(AVPacket* Packet)
{
  const int result = av_read_frame(FContext, Packet);
  if (result == AVERROR_EOF)
    return false;
  if (result < 0)
    throw Exception("Unable to read " + FFileName + " (" + FFmpegErrorText(result) + ")");
  return true;
}

int64_t TRemuxInput::Position() const
{
  return FContext->pb != nullptr ? avio_tell(FContext->pb) : 0;
}

int64_t TRemuxInput::PacketDuration(const AVPacket* Packet) const
{
  if (Packet->duration > 0)
    return Packet->duration;
  const AVStream* stream = FContext->streams[Packet->stream_index];
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream->codecpar->sample_rate > 0 &&
      stream->codecpar->frame_size > 0)
    return av_rescale_q(stream->codecpar->frame_size, AVRational{1, stream->codecpar->sample_rate}, stream->time_base);
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  if (rate.num > 0 && rate.den > 0)
    return av_rescale_q(1, av_inv_q(rate), stream->time_base);
  return 0;
}
