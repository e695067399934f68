#include "dshow/RenderSource.h"

int TSourceDecoder::Open(const std::string& FileName, AVMediaType Type)
{
  int result = FInput.Open(FileName);
  if (result < 0)
    return result;
  AVFormatContext* format = FInput.Context();
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(format, Type, -1, -1, &decoder, 0);
  if (index < 0)
    return index;
  FStream = format->streams[index];
  for (unsigned i = 0; i < format->nb_streams; ++i)
    if (int(i) != index)
      format->streams[i]->discard = AVDISCARD_ALL;
  FCodec.reset(avcodec_alloc_context3(decoder));
  if (!FCodec)
    return AVERROR(ENOMEM);
  if ((result = avcodec_parameters_to_context(FCodec.get(), FStream->codecpar)) < 0)
    return result;
  FCodec->pkt_timebase = FStream->time_base;
  FCodec->thread_count = 0; // as many as the machine has
  if ((result = avcodec_open2(FCodec.get(), decoder, nullptr)) < 0)
    return result;
  if (format->start_time != AV_NOPTS_VALUE)
    FStartTime = av_rescale_q(format->start_time, AV_TIME_BASE_Q, FStream->time_base);
  FPacket = NewPacket();
  return 0;
}

bool TSourceDecoder::Next(AVFrame* Frame, double& Seconds)
{
  for (;;) {
    const int result = avcodec_receive_frame(FCodec.get(), Frame);
    if (result >= 0)
      break;
    if (result == AVERROR(ENOMEM))
      throw std::bad_alloc();
    // Any other failure is a damaged frame; the decoder resynchronises on the next packets.
    if (result != AVERROR(EAGAIN) && FDraining)
      return false;
    if (!Feed())
      return false;
  }
  if (Frame->best_effort_timestamp != AV_NOPTS_VALUE)
    FNextSeconds = double(Frame->best_effort_timestamp - FStartTime) * av_q2d(FStream->time_base);
  Seconds = FNextSeconds;
  if (FCodec->codec_type == AVMEDIA_TYPE_AUDIO) {
    FNextSeconds += double(Frame->nb_samples) / Frame->sample_rate;
  } else {
    const AVRational rate = av_guess_frame_rate(FInput.Context(), FStream, Frame);
    FNextSeconds += rate.num > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
  }
  return true;
}

// Gives the decoder its next packet, or the end of the stream; false when it has had both.
bool TSourceDecoder::Feed()
{
  if (FDraining)
    return false;
  for (;;) {
    const int result = FInput.ReadFrame(FPacket.get());
    if (result == AVERROR_EOF || result == AVERROR_INVALIDDATA || (result == AVERROR_EXIT && FInput.Stopped())) {
      FDraining = true;
      avcodec_send_packet(FCodec.get(), nullptr);
      return true;
    }
    CheckAVError(result);
    const bool ours = FPacket->stream_index == FStream->index;
    if (ours && avcodec_send_packet(FCodec.get(), FPacket.get()) == AVERROR(ENOMEM))
      throw std::bad_alloc();
    av_packet_unref(FPacket.get());
    if (ours)
      return true;
  }
}
