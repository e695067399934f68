#include "dshow/RenderVideo.h"

#include "dshow/DSErrors.h"
#include "dshow/RenderSource.h"

namespace {

// A picture counts from its own time on; the tolerance absorbs rounding of the time stamps.
constexpr double TimeTolerance = 1e-6;

} // namespace

TVideoRenderer::TVideoRenderer(const TTimeline& Timeline, AVRational FrameRate, AVPixelFormat Format,
                               TFrameQueue& Frames, TSourcePlaces& Places, const std::atomic<bool>& Stopping)
    : FTimeline(Timeline), FFrameRate(FrameRate), FFitter(Timeline.FrameWidth, Timeline.FrameHeight, Format),
      FFrames(Frames), FPlaces(Places), FStopping(Stopping)
{
}

double TVideoRenderer::TimeOf(int64_t Frame) const
{
  return double(Frame) * FFrameRate.den / FFrameRate.num;
}

bool TVideoRenderer::Push(TFramePtr Frame)
{
  if (FStopping || !FFrames.Push(std::move(Frame)))
    return false;
  FPlaces.Reach(++FNext);
  return true;
}

void TVideoRenderer::Run()
{
  TQueueCloser<TFramePtr> closer{FFrames};
  const std::vector<TTimelineSrc>& sources = FTimeline.VideoTrack.Sources;
  for (size_t i = 0; i < sources.size() && !FStopping; ++i) {
    FPlaces.Begin(i, FNext);
    FPlaces.Length(i, RenderSource(sources[i]));
  }
  FPlaces.Begin(sources.size(), FNext);
}

double TVideoRenderer::RenderSource(const TTimelineSrc& Source)
{
  TSourceDecoder decoder(&FStopping);
  decoder.Length = Source.Stop - Source.Start;
  const int opened = decoder.Open(Source.MediaName, AVMEDIA_TYPE_VIDEO);
  // A file without pictures takes no time.
  if (FStopping || opened == AVERROR_STREAM_NOT_FOUND)
    return 0;
  CheckAVError(opened, Source.MediaName);
  const double start = TimeOf(FNext);
  TFramePtr shown; // the picture of the current time
  TFramePtr coming = NewFrame();
  double comingTime = 0;
  bool haveComing = decoder.Next(coming.get(), comingTime);
  TFramePtr fitted; // `shown` fitted to the frame, given again while it stays
  for (;;) {
    const double mediaTime = TimeOf(FNext) - start + Source.MediaStart;
    bool changed = false;
    // The first picture also stands for the time before it.
    while (haveComing && (!shown || comingTime <= mediaTime + TimeTolerance)) {
      shown = std::move(coming);
      coming = NewFrame();
      haveComing = decoder.Next(coming.get(), comingTime);
      changed = true;
    }
    // The source ends with its last picture's time.
    if (!shown || (!haveComing && mediaTime >= decoder.End() - TimeTolerance))
      return decoder.End() - Source.MediaStart;
    if (changed)
      fitted = FFitter.Fit(shown.get(), Source.StretchMode);
    TFramePtr copy(av_frame_clone(fitted.get()));
    if (!copy)
      throw std::bad_alloc();
    if (!Push(std::move(copy)))
      return 0;
  }
}
