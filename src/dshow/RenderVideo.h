#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderPlaces.h"
#include "dshow/RenderQueue.h"
#include "dshow/RenderScale.h"
#include "dshow/RenderTimeline.h"

#include <atomic>

using TFrameQueue = TRenderQueue<TFramePtr>;

// Produces the video group: the sources back to back, each from its start to the end of its
// last picture (where decoding ends, whatever the timeline estimated), one output frame per tick
// of the output rate showing the picture of that time (pictures repeated or dropped to match the
// rate; a hole holds the last picture), fitted by the source's stretch mode, in the encoder's
// pixel format. Tells `Places` where each source lies.
class TVideoRenderer {
public:
  TVideoRenderer(const TTimeline& Timeline, AVRational FrameRate, AVPixelFormat Format, TFrameQueue& Frames,
                 TSourcePlaces& Places, const std::atomic<bool>& Stopping);

  // Fills the queue and closes it; returns early when stopping. Raises on failure.
  void Run();

private:
  // Returns the length of the source's pictures in its own time.
  double RenderSource(const TTimelineSrc& Source);
  bool Push(TFramePtr Frame);
  double TimeOf(int64_t Frame) const;

  const TTimeline& FTimeline;
  AVRational FFrameRate;
  TPictureFitter FFitter;
  TFrameQueue& FFrames;
  TSourcePlaces& FPlaces;
  const std::atomic<bool>& FStopping;
  int64_t FNext = 0; // the next output frame
};
