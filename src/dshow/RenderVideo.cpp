#include "dshow/RenderVideo.h"

#include "dshow/DSErrors.h"
#include "dshow/RenderSource.h"

namespace {

// A picture counts from its own time on; the tolerance absorbs rounding of the time stamps.
constexpr double TimeTolerance = 1e-6;

} // namespace

TVideoRenderer::TVideoRenderer(const TTimeline& Timeline, AVRational FrameRate, AVPixelFormat Format,
                               TFrameQueue& Frames, const std::atomic<bool>& Stopping)
    : FTimeline(Timeline), FFrameRate(FrameRate), FFitter(Timeline.FrameWidth, Timeline.FrameHeight, Format),
      FFrames(Frames), FStopping(Stopping)
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
  ++FNext;
  return true;
}

void TVideoRenderer::Run()
{
  TQueueCloser<TFramePtr> closer{FFrames};
  const double rate = av_q2d(FFrameRate);
  for (const TTimelineSrc& source : FTimeline.VideoTrack.Sources) {
    while (FNext < UnitAt(source.Start, rate))
      if (!Push(FFitter.Black()))
        return;
    RenderSource(source, UnitAt(source.Stop, rate));
  }
  const int64_t total = UnitAt(FTimeline.GetDuration(), rate);
  while (FNext < total)
    if (!Push(FFitter.Black()))
      return;
}

void TVideoRenderer::RenderSource(const TTimelineSrc& Source, int64_t End)
{
  if (FNext >= End || FStopping)
    return;
  TSourceDecoder decoder(&FStopping);
  const int opened = decoder.Open(Source.MediaName, AVMEDIA_TYPE_VIDEO);
  if (FStopping)
    return;
  CheckDSError(opened);
  TFramePtr shown; // the picture of the current time
  TFramePtr coming = NewFrame();
  double comingTime = 0;
  bool haveComing = decoder.Next(coming.get(), comingTime);
  TFramePtr fitted; // `shown` fitted to the frame, given again while it stays
  while (FNext < End) {
    const double mediaTime = TimeOf(FNext) - Source.Start + Source.MediaStart;
    bool changed = false;
    // The first picture also stands for the time before it.
    while (haveComing && (!shown || comingTime <= mediaTime + TimeTolerance)) {
      shown = std::move(coming);
      coming = NewFrame();
      haveComing = decoder.Next(coming.get(), comingTime);
      changed = true;
    }
    if (changed || !fitted)
      fitted = shown ? FFitter.Fit(shown.get(), Source.StretchMode) : FFitter.Black();
    TFramePtr copy(av_frame_clone(fitted.get()));
    if (!copy)
      throw std::bad_alloc();
    if (!Push(std::move(copy)))
      return;
  }
}
