#include "remux/RemuxInput.h"

#include "platform/Exceptions.h"
#include "platform/MediaOutput.h"
#include "platform/StreamFacts.h"
#include "remux/SoundSeam.h"

#include <algorithm>

namespace {

// Packets read to find where the sound starts; interleaved files hold one within the first few.
constexpr int StartScanPackets = 2000;

} // namespace

TRemuxInput::TRemuxInput(const std::string& FileName, bool Probe) : FFileName(FileName)
{
  const int result = FInput.Open(FileName, Probe);
  if (result < 0)
    throw Exception("Unable to open " + FileName + " (" + FFmpegErrorText(result) + ")");
  AVFormatContext* context = Context();
  // A file cut short ends in a packet that lost its tail; copied, it would be a decode error in
  // the middle of the output.
  context->flags |= AVFMT_FLAG_DISCARD_CORRUPT;
  VideoIndex = FirstVideoTrack(context);
  AudioIndex = FirstAudioStream(context);
  FileSize = context->pb != nullptr ? avio_size(context->pb) : 0;
}

int64_t TRemuxInput::MeasureStarts(int64_t& VideoStart, std::vector<int64_t>& AudioLeads, THiddenStart Hidden,
                                   std::vector<int64_t>* ShownLeads)
{
  const AVStream* video = Context()->streams[VideoIndex];
  TPacketPtr packet = NewPacket();
  int64_t firstVideo = AV_NOPTS_VALUE;
  std::vector<int64_t> firstAudio(Context()->nb_streams, AV_NOPTS_VALUE);
  std::vector<int64_t> firstShownAudio(Context()->nb_streams, AV_NOPTS_VALUE); // not hidden by its edit list
  size_t soundStreams = 0;
  for (unsigned i = 0; i < Context()->nb_streams; ++i)
    soundStreams += Context()->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO ? 1 : 0;
  size_t soundFound = 0;
  for (int i = 0; i < StartScanPackets && (soundFound < 2 * soundStreams || firstVideo == AV_NOPTS_VALUE); ++i) {
    if (!ReadPacket(packet.get()))
      break;
    const AVStream* stream = Context()->streams[packet->stream_index];
    if (packet->pts != AV_NOPTS_VALUE) {
      const int64_t pts = av_rescale_q(packet->pts, stream->time_base, AV_TIME_BASE_Q);
      if (packet->stream_index == VideoIndex && firstVideo == AV_NOPTS_VALUE)
        firstVideo = pts;
      if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && firstAudio[packet->stream_index] == AV_NOPTS_VALUE) {
        firstAudio[packet->stream_index] = pts;
        ++soundFound;
      }
      if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !(packet->flags & AV_PKT_FLAG_DISCARD) &&
          firstShownAudio[packet->stream_index] == AV_NOPTS_VALUE) {
        firstShownAudio[packet->stream_index] = pts;
        ++soundFound;
      }
    }
    av_packet_unref(packet.get());
  }
  // FFmpeg's start time is the earliest picture shown, which with reordered frames need not be
  // the first packet's.
  VideoStart = video->start_time != AV_NOPTS_VALUE ? av_rescale_q(video->start_time, video->time_base, AV_TIME_BASE_Q)
               : firstVideo != AV_NOPTS_VALUE     ? firstVideo
                                                  : 0;
  const int64_t hidden = firstVideo != AV_NOPTS_VALUE ? std::max<int64_t>(0, VideoStart - firstVideo) : 0;
  auto leads = [&](const std::vector<int64_t>& first, int64_t start) {
    std::vector<int64_t> lead(first.size(), 0);
    for (size_t i = 0; i < first.size(); ++i)
      if (first[i] != AV_NOPTS_VALUE)
        lead[i] = first[i] + TSoundSeam::PrimingUs(Context()->streams[i]->codecpar) - start;
    return lead;
  };
  if (Hidden == THiddenStart::Shown)
    VideoStart -= hidden;
  // Cut away, the hidden pictures take their sound with them: it starts where its edit list does.
  AudioLeads = leads(Hidden == THiddenStart::Cut && hidden > 0 ? firstShownAudio : firstAudio, VideoStart);
  if (ShownLeads != nullptr)
    *ShownLeads = leads(firstAudio, Hidden == THiddenStart::Shown ? VideoStart : VideoStart - hidden);
  return hidden;
}

bool TRemuxInput::ReadPacket(AVPacket* Packet)
{
  const int result = FInput.ReadFrame(Packet);
  if (result == AVERROR_EOF)
    return false;
  if (result < 0)
    throw Exception("Unable to read " + FFileName + " (" + FFmpegErrorText(result) + ")");
  return true;
}

int64_t TRemuxInput::Position() const
{
  return Context()->pb != nullptr ? avio_tell(Context()->pb) : 0;
}

int64_t TRemuxInput::PacketDuration(const AVPacket* Packet) const
{
  if (Packet->duration > 0)
    return Packet->duration;
  const AVStream* stream = Context()->streams[Packet->stream_index];
  if (stream->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && stream->codecpar->sample_rate > 0 &&
      stream->codecpar->frame_size > 0)
    return av_rescale_q(stream->codecpar->frame_size, AVRational{1, stream->codecpar->sample_rate}, stream->time_base);
  // A file that leaves out frames where the picture stays (as screen recorders do) averages fewer
  // frames a second than it is timed at; each frame lasts one of the latter.
  const AVRational average = stream->avg_frame_rate, timed = stream->r_frame_rate;
  const bool leavesOut = average.num > 0 && timed.num > 0 && av_cmp_q(timed, average) > 0 &&
                         av_cmp_q(timed, av_mul_q(average, AVRational{2, 1})) < 0;
  const AVRational rate = average.num > 0 && !leavesOut ? average : timed;
  if (rate.num > 0 && rate.den > 0)
    return av_rescale_q(1, av_inv_q(rate), stream->time_base);
  return 0;
}
