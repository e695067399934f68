#include "dshow/RenderSource.h"

#include <algorithm>
#include <cmath>

namespace {

// In frames: how far a picture's time stamp may lie from where the picture before it ends.
constexpr double MaxPictureJitter = 1.1;
// In seconds: a leap forward longer than this, to beyond the described length, is a break.
constexpr double MaxLeap = 3;
// The longest a picture lasts when its time stamps do not say otherwise.
constexpr double MaxPictureSeconds = 1;

} // namespace

int TSourceDecoder::Open(const std::string& FileName, AVMediaType Type)
{
  FFileName = FileName;
  int result = FInput.Open(FileName);
  if (result < 0)
    return result;
  AVFormatContext* format = FInput.Context();
  const int index = BestStream(format, Type);
  if (index < 0)
    return index;
  FStream = format->streams[index];
  const AVCodec* decoder = avcodec_find_decoder(FStream->codecpar->codec_id);
  if (decoder == nullptr)
    return AVERROR_DECODER_NOT_FOUND;
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
      CheckAVError(result, FFileName);
    // Any other failure is a damaged frame; the decoder resynchronises on the next packets.
    if (result != AVERROR(EAGAIN) && FDraining)
      return false;
    if (!Feed())
      return false;
  }
  const bool audio = FCodec->codec_type == AVMEDIA_TYPE_AUDIO;
  const AVRational rate = audio ? AVRational{0, 1} : av_guess_frame_rate(FInput.Context(), FStream, Frame);
  // A damaged rate of next to nothing would make each picture last minutes; a picture's own
  // time stamp still places it, however far apart they are.
  const double duration = audio          ? double(Frame->nb_samples) / Frame->sample_rate
                          : rate.num > 0 ? std::min(av_q2d(av_inv_q(rate)), MaxPictureSeconds)
                                         : 0.04;
  if (Frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    const double stamp = double(Frame->best_effort_timestamp - FStartTime) * av_q2d(FStream->time_base);
    // Pictures follow on where their stamps wander by about a frame, which they do where a stamp
    // comes from a reordering decoder's decoding time or a raw stream's guess; a larger step is
    // a real hole or jump.
    const bool leap = Length > 0 && stamp > FNextSeconds + MaxLeap && stamp > Length + MaxLeap;
    if (!leap && (audio || std::abs(stamp - FNextSeconds) > MaxPictureJitter * duration))
      FNextSeconds = stamp;
  }
  Seconds = FNextSeconds;
  FNextSeconds += duration;
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
    CheckAVError(result, FFileName);
    const bool ours = FPacket->stream_index == FStream->index;
    if (ours && avcodec_send_packet(FCodec.get(), FPacket.get()) == AVERROR(ENOMEM))
      CheckAVError(AVERROR(ENOMEM), FFileName);
    av_packet_unref(FPacket.get());
    if (ours)
      return true;
  }
}
