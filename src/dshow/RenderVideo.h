#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderQueue.h"
#include "dshow/RenderScale.h"
#include "dshow/RenderTimeline.h"

#include <atomic>

using TFrameQueue = TRenderQueue<TFramePtr>;

// Produces the video group: one output frame per tick of the output rate, each showing the
// picture of its source at that timeline time (pictures repeated or dropped to match the rate),
// fitted by the source's stretch mode, in the encoder's pixel format. Time with no picture is
// black.
class TVideoRenderer {
public:
  TVideoRenderer(const TTimeline& Timeline, AVRational FrameRate, AVPixelFormat Format, TFrameQueue& Frames,
                 const std::atomic<bool>& Stopping);

  // Fills the queue and closes it; returns early when stopping. Raises on failure.
  void Run();

private:
  void RenderSource(const TTimelineSrc& Source, int64_t End);
  bool Push(TFramePtr Frame);
  double TimeOf(int64_t Frame) const;

  const TTimeline& FTimeline;
  AVRational FFrameRate;
  TPictureFitter FFitter;
  TFrameQueue& FFrames;
  const std::atomic<bool>& FStopping;
  int64_t FNext = 0; // the next output frame
};
