#include "dshow/RenderAudio.h"

#include "dshow/DSErrors.h"
#include "dshow/RenderSource.h"
#include "platform/SeamText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Time stamps of sound may wander a hundredth of a second from where the sound before them ends
// without a gap or an overlap being mended: rounding in containers with coarse clocks.
constexpr int StampToleranceDivisor = 100;

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
                          Encoder->sample_rate, &input, AVSampleFormat(Input->format), Input->sample_rate, 0,
                          nullptr);
  av_channel_layout_uninit(&input);
  TSwrPtr owner(resampler);
  CheckDSError(result < 0 ? result : swr_init(resampler));
  return owner;
}

} // namespace

TAudioRenderer::TAudioRenderer(const TTimeline& Timeline, AVRational FrameRate, TRenderOutput& Output,
                               TSourcePlaces& Places, const std::atomic<bool>& Stopping)
    : FTimeline(Timeline), FFrameRate(FrameRate), FOutput(Output), FPlaces(Places),
      FEncoder(Output.Encoder(AudioGroup)), FStopping(Stopping), FFrameSize(Output.AudioFrameSize())
{
  const bool planar = av_sample_fmt_is_planar(FEncoder->sample_fmt);
  FPlanes = planar ? FEncoder->ch_layout.nb_channels : 1;
  FSampleBytes = av_get_bytes_per_sample(FEncoder->sample_fmt) * (planar ? 1 : FEncoder->ch_layout.nb_channels);
  // The encoder puts samples of its own in front. Where the output cannot tell a player to skip
  // them, as many of the first samples make way for them, so that the sound is heard with its
  // picture; elsewhere the player skips them, and dropping samples too would put the sound early.
  FPriming = Output.StartsAtZero() ? std::max(FEncoder->initial_padding, 0) : 0;
  FFifo.reset(av_audio_fifo_alloc(FEncoder->sample_fmt, FEncoder->ch_layout.nb_channels, FFrameSize));
  if (!FFifo)
    throw std::bad_alloc();
}

int64_t TAudioRenderer::SampleOf(int64_t Frame) const
{
  return av_rescale_rnd(Frame, int64_t(FEncoder->sample_rate) * FFrameRate.den, FFrameRate.num, AV_ROUND_UP);
}

int64_t TAudioRenderer::FrameOf(int64_t Sample) const
{
  return av_rescale_rnd(Sample, FFrameRate.num, int64_t(FEncoder->sample_rate) * FFrameRate.den, AV_ROUND_UP);
}

void TAudioRenderer::Run()
{
  for (const TTimelineSrc& source : FTimeline.AudioTrack.Sources) {
    if (FStopping)
      break;
    RenderSource(source);
  }
  const int64_t end = FPlaces.Start(FTimeline.VideoTrack.Sources.size());
  if (end >= 0)
    Append(nullptr, SampleOf(end) - FPosition);
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

void TAudioRenderer::RenderSource(const TTimelineSrc& Source)
{
  const int64_t startFrame = FPlaces.Start(Source.Clip);
  if (startFrame < 0)
    return;
  const int64_t begin = SampleOf(startFrame);
  // Silence where an input without sound had its picture.
  Append(nullptr, begin - FPosition);
  // An input without pictures takes no time, and none of its sound; the user hears of the loss.
  const TSourcePlaces::TReach reach = FPlaces.Reach(Source.Clip, startFrame);
  const bool pictureless = reach.Ended && reach.Frame <= startFrame;
  TSourceDecoder decoder(&FStopping);
  decoder.Length = Source.Stop - Source.Start;
  const int opened = decoder.Open(Source.MediaName, AVMEDIA_TYPE_AUDIO);
  if (pictureless && opened >= 0 && !FStopping)
    FNotes.push_back(SeamNoteText(Source.MediaName, {"there is no picture; the sound is left out"}));
  if (pictureless || FStopping)
    return;
  CheckAVError(opened, Source.MediaName);
  TSoundMends mends;
  mends.PictureStart = Seconds(begin);
  TFramePtr decoded = NewFrame();
  TFramePtr converted = NewFrame();
  TFramePtr input = NewFrame(); // the format the resampler was made for
  TSwrPtr resampler;
  bool first = true;
  bool open = true; // the picture has not ended yet
  double seconds = 0;
  // Resamples `Count` samples (none: what the resampler still holds) and places them.
  const auto convert = [&](const AVFrame* Frame, int64_t At) {
    const int count = Frame != nullptr ? Frame->nb_samples : 0;
    const int capacity = swr_get_out_samples(resampler.get(), count);
    if (capacity <= 0)
      return;
    if (converted->nb_samples < capacity) {
      av_frame_unref(converted.get());
      converted->format = FEncoder->sample_fmt;
      converted->nb_samples = capacity;
      CheckAVError(av_channel_layout_copy(&converted->ch_layout, &FEncoder->ch_layout));
      CheckAVError(av_frame_get_buffer(converted.get(), 0));
    }
    const int made = swr_convert(resampler.get(), converted->extended_data, capacity,
                                 Frame != nullptr ? const_cast<const uint8_t**>(Frame->extended_data) : nullptr, count);
    CheckDSError(std::min(made, 0));
    open = Place(Source, At, converted->extended_data, made, first, mends);
    first = false;
  };
  while (open && !FStopping && decoder.Next(decoded.get(), seconds)) {
    // A stream may change its format midway; the resampler must never read planes it lacks.
    if (!resampler || decoded->format != input->format || decoded->sample_rate != input->sample_rate ||
        av_channel_layout_compare(&decoded->ch_layout, &input->ch_layout) != 0) {
      if (resampler)
        convert(nullptr, FPosition);
      resampler = NewResampler(decoded.get(), FEncoder);
      input->format = decoded->format;
      input->sample_rate = decoded->sample_rate;
      CheckAVError(av_channel_layout_copy(&input->ch_layout, &decoded->ch_layout));
    }
    // Where the next resampled sample belongs: this frame's time less what the resampler holds.
    const int64_t place = begin + std::llround((seconds - Source.MediaStart) * FEncoder->sample_rate) -
                          swr_get_delay(resampler.get(), FEncoder->sample_rate);
    if (open)
      convert(decoded.get(), place);
    av_frame_unref(decoded.get());
  }
  if (open && resampler)
    convert(nullptr, FPosition);
  if (FStopping)
    return;
  // Sound that runs past the picture is left out; sound that ends before it is followed by
  // silence.
  const TSourcePlaces::TReach picture = FPlaces.Reach(Source.Clip, std::numeric_limits<int64_t>::max());
  if (FStopping)
    return;
  const int64_t end = SampleOf(picture.Frame);
  mends.PictureEnd = Seconds(end);
  if (open) {
    mends.SoundEnd = Seconds(FPosition);
    mends.Silence = Seconds(std::max<int64_t>(end - FPosition, 0));
    Emit(Source.Clip, nullptr, end - FPosition);
  } else {
    // Reading on to the sound's end only tells by how much it was too long.
    while (!FStopping && decoder.Next(decoded.get(), seconds))
      av_frame_unref(decoded.get());
    mends.Cut = std::max(Seconds(begin) + decoder.End() - Source.MediaStart - mends.PictureEnd, 0.0);
  }
  FSoundLengths[Source.Clip] = decoder.End() - Source.MediaStart;
  const double excess = decoder.End() - Source.MediaStart - picture.Seconds;
  mends.Short = std::max(-excess, 0.0);
  mends.Long = std::max(excess, 0.0);
  const std::string note = SeamNote(Source.MediaName, mends);
  if (!note.empty())
    FNotes.push_back(note);
}

bool TAudioRenderer::Place(const TTimelineSrc& Source, int64_t At, uint8_t* const* Samples, int64_t Count, bool First,
                           TSoundMends& Mends)
{
  const int64_t offset = At - FPosition;
  int64_t skip = 0;
  if (offset > 0 && (First || offset > FEncoder->sample_rate / StampToleranceDivisor)) {
    // A late start or a hole: silence until the sound's time.
    if (First)
      Mends.Late = Seconds(offset);
    else
      Mends.Gaps.push_back({Seconds(FPosition), Seconds(offset)});
    if (!Emit(Source.Clip, nullptr, offset))
      return false;
  } else if (offset < 0 && (First || -offset > FEncoder->sample_rate / StampToleranceDivisor)) {
    // Sound from before the picture's start, or sound whose stamps go back: left out.
    skip = std::min(-offset, Count);
    // Blocks dropped one after the other are one overlap.
    if (!First && !Mends.Overlaps.empty() && Mends.Overlaps.back().At == Seconds(FPosition))
      Mends.Overlaps.back().Length += Seconds(skip);
    else if (!First)
      Mends.Overlaps.push_back({Seconds(FPosition), Seconds(skip)});
  }
  if (skip >= Count)
    return true;
  uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
  for (int i = 0; i < FPlanes; ++i)
    planes[i] = Samples[i] + skip * FSampleBytes;
  return Emit(Source.Clip, planes, Count - skip);
}

bool TAudioRenderer::Emit(size_t Clip, uint8_t* const* Samples, int64_t Count)
{
  uint8_t* planes[AV_NUM_DATA_POINTERS] = {};
  for (int i = 0; Samples != nullptr && i < FPlanes; ++i)
    planes[i] = Samples[i];
  while (Count > 0) {
    const TSourcePlaces::TReach picture = FPlaces.Reach(Clip, FrameOf(FPosition + Count) - 1);
    const int64_t room = std::min(Count, SampleOf(picture.Frame) - FPosition);
    if (room > 0) {
      Append(Samples != nullptr ? planes : nullptr, room);
      Count -= room;
      for (int i = 0; Samples != nullptr && i < FPlanes; ++i)
        planes[i] += room * FSampleBytes;
    }
    if (Count > 0 && (picture.Ended || FStopping))
      return false;
  }
  return !FStopping;
}

void TAudioRenderer::Append(uint8_t* const* Samples, int64_t Count)
{
  const int64_t primed = std::min(FPriming, std::max<int64_t>(Count, 0));
  FPriming -= primed;
  FPosition += primed;
  Count -= primed;
  if (Count <= 0)
    return;
  if (Samples != nullptr) {
    uint8_t* rest[AV_NUM_DATA_POINTERS] = {};
    for (int i = 0; i < FPlanes; ++i)
      rest[i] = Samples[i] + primed * FSampleBytes;
    Samples = rest;
    // A decoded block: never more than one resampler output.
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
  frame->sample_rate = FEncoder->sample_rate;
  CheckAVError(av_channel_layout_copy(&frame->ch_layout, &FEncoder->ch_layout));
  CheckAVError(av_frame_get_buffer(frame.get(), 0));
  av_audio_fifo_read(FFifo.get(), reinterpret_cast<void**>(frame->data), Count);
  frame->pts = FSent;
  FSent += Count;
  FOutput.Encode(AudioGroup, frame.get());
}
