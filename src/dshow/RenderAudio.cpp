#include "dshow/RenderAudio.h"

#include "dshow/DSErrors.h"
#include "dshow/RenderSource.h"

#include <algorithm>
#include <cmath>

namespace {

TSwrPtr NewResampler(const AVFrame* Input, const AVCodecContext* Encoder)
{
  AVChannelLayout input{};
  if (Input->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
    av_channel_layout_default(&input, Input->ch_layout.nb_channels);
  else
    CheckAVError(av_channel_layout_copy(&input, &Input->ch_layout));
  SwrContext* resampler = nullptr;
  const int result =
      swr_alloc_set_opts2(&resampler, const_cast<AVChannelLayout*>(&Encoder->ch_layout), Encoder->sample_fmt,
                          OutputSampleRate, &input, AVSampleFormat(Input->format), Input->sample_rate, 0, nullptr);
  av_channel_layout_uninit(&input);
  TSwrPtr owner(resampler);
  CheckDSError(result < 0 ? result : swr_init(resampler));
  return owner;
}

} // namespace

TAudioRenderer::TAudioRenderer(const TTimeline& Timeline, TRenderOutput& Output, const std::atomic<bool>& Stopping)
    : FTimeline(Timeline), FOutput(Output), FEncoder(Output.Encoder(AudioGroup)), FStopping(Stopping),
      FFrameSize(Output.AudioFrameSize())
{
  FFifo.reset(av_audio_fifo_alloc(FEncoder->sample_fmt, FEncoder->ch_layout.nb_channels, FFrameSize));
  if (!FFifo)
    throw std::bad_alloc();
}

void TAudioRenderer::Run()
{
  for (const TTimelineSrc& source : FTimeline.AudioTrack.Sources) {
    Append(nullptr, UnitAt(source.Start, OutputSampleRate) - FPosition);
    RenderSource(source, UnitAt(source.Stop, OutputSampleRate));
  }
  Append(nullptr, UnitAt(FTimeline.GetDuration(), OutputSampleRate) - FPosition);
  if (FStopping)
    av_audio_fifo_reset(FFifo.get());
  const int rest = av_audio_fifo_size(FFifo.get());
  if (rest > 0) {
    const int flags = FEncoder->codec->capabilities;
    const bool anySize = flags & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    if (!anySize)
      Append(nullptr, FFrameSize - rest);
    else
      EncodeFrame(rest);
  }
  FOutput.EndGroup(AudioGroup);
}

void TAudioRenderer::RenderSource(const TTimelineSrc& Source, int64_t End)
{
  if (FPosition >= End || FStopping)
    return;
  TSourceDecoder decoder(&FStopping);
  const int opened = decoder.Open(Source.MediaName, AVMEDIA_TYPE_AUDIO);
  if (FStopping)
    return;
  CheckDSError(opened);
  TFramePtr decoded = NewFrame();
  TFramePtr converted = NewFrame();
  TFramePtr input = NewFrame(); // the format the resampler was made for
  TSwrPtr resampler;
  const int64_t begin = FPosition;
  bool first = true;
  int64_t skip = 0; // samples that lie before the source's start
  double seconds = 0;
  while (FPosition < End && !FStopping && decoder.Next(decoded.get(), seconds)) {
    if (first) {
      // The first samples go where their time stamp puts them; later ones follow on, so that
      // jitter in the stamps does not break the sound.
      first = false;
      const int64_t place = begin + std::llround((seconds - Source.MediaStart) * OutputSampleRate);
      if (place > FPosition)
        Append(nullptr, std::min(place, End) - FPosition);
      else
        skip = FPosition - place;
    }
    // A stream may change its format midway; the resampler must never read planes it lacks.
    if (!resampler || decoded->format != input->format || decoded->sample_rate != input->sample_rate ||
        av_channel_layout_compare(&decoded->ch_layout, &input->ch_layout) != 0) {
      resampler = NewResampler(decoded.get(), FEncoder);
      input->format = decoded->format;
      input->sample_rate = decoded->sample_rate;
      CheckAVError(av_channel_layout_copy(&input->ch_layout, &decoded->ch_layout));
    }
    const int capacity = swr_get_out_samples(resampler.get(), decoded->nb_samples);
    if (converted->nb_samples < capacity) {
      av_frame_unref(converted.get());
      converted->format = FEncoder->sample_fmt;
      converted->nb_samples = capacity;
      CheckAVError(av_channel_layout_copy(&converted->ch_layout, &FEncoder->ch_layout));
      CheckAVError(av_frame_get_buffer(converted.get(), 0));
    }
    const int count = swr_convert(resampler.get(), converted->extended_data, capacity,
                                  const_cast<const uint8_t**>(decoded->extended_data), decoded->nb_samples);
    CheckDSError(std::min(count, 0));
    av_frame_unref(decoded.get());
    const int64_t dropped = std::min<int64_t>(skip, count);
    skip -= dropped;
    uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
    const int channels = FEncoder->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(FEncoder->sample_fmt);
    const int64_t offset = dropped * av_get_bytes_per_sample(FEncoder->sample_fmt) * (planar ? 1 : channels);
    for (int i = 0; i < (planar ? channels : 1); ++i)
      planes[i] = converted->extended_data[i] + offset;
    Append(planes, std::min(count - dropped, End - FPosition));
  }
}

void TAudioRenderer::Append(uint8_t* const* Samples, int64_t Count)
{
  if (Count <= 0)
    return;
  if (Samples != nullptr) {
    // A decoded block: never more than one decoder frame.
    if (av_audio_fifo_write(FFifo.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(Samples)), int(Count)) < Count)
      throw std::bad_alloc();
    FPosition += Count;
    EncodeWholeFrames();
    return;
  }
  TFramePtr silence = NewFrame();
  silence->format = FEncoder->sample_fmt;
  silence->nb_samples = FFrameSize;
  CheckAVError(av_channel_layout_copy(&silence->ch_layout, &FEncoder->ch_layout));
  CheckAVError(av_frame_get_buffer(silence.get(), 0));
  av_samples_set_silence(silence->extended_data, 0, FFrameSize, FEncoder->ch_layout.nb_channels, FEncoder->sample_fmt);
  while (Count > 0 && !FStopping) {
    const int chunk = int(std::min<int64_t>(Count, FFrameSize));
    if (av_audio_fifo_write(FFifo.get(), reinterpret_cast<void**>(silence->extended_data), chunk) < chunk)
      throw std::bad_alloc();
    FPosition += chunk;
    Count -= chunk;
    EncodeWholeFrames();
  }
}

void TAudioRenderer::EncodeWholeFrames()
{
  while (av_audio_fifo_size(FFifo.get()) >= FFrameSize && !FStopping)
    EncodeFrame(FFrameSize);
}

void TAudioRenderer::EncodeFrame(int Count)
{
  TFramePtr frame = NewFrame();
  frame->format = FEncoder->sample_fmt;
  frame->nb_samples = Count;
  frame->sample_rate = OutputSampleRate;
  CheckAVError(av_channel_layout_copy(&frame->ch_layout, &FEncoder->ch_layout));
  CheckAVError(av_frame_get_buffer(frame.get(), 0));
  av_audio_fifo_read(FFifo.get(), reinterpret_cast<void**>(frame->data), Count);
  frame->pts = FSent;
  FSent += Count;
  FOutput.Encode(AudioGroup, frame.get());
}
