#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderOutput.h"
#include "dshow/RenderTimeline.h"

#include <atomic>

// Produces the audio group: each source of the audio track resampled to stereo at the encoder's
// rate (44100 Hz unless it takes only others) in its sample format and cut to its place on the
// timeline, silence where no source plays, encoded in frames of the encoder's size.
class TAudioRenderer {
public:
  TAudioRenderer(const TTimeline& Timeline, TRenderOutput& Output, const std::atomic<bool>& Stopping);

  // Encodes the whole group and drains the encoder; stops early when stopping. Raises on failure.
  void Run();

private:
  void RenderSource(const TTimelineSrc& Source, int64_t End);
  // Adds `Count` samples (null: silence) and encodes every whole frame.
  void Append(uint8_t* const* Samples, int64_t Count);
  void EncodeWholeFrames();
  void EncodeFrame(int Count);

  const TTimeline& FTimeline;
  TRenderOutput& FOutput;
  AVCodecContext* FEncoder;
  const std::atomic<bool>& FStopping;
  int FFrameSize;
  TAudioFifoPtr FFifo;
  int64_t FPosition = 0; // samples appended so far
  int64_t FSent = 0;     // samples given to the encoder
};
