#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderTimeline.h"

// Makes output frames of one size and pixel format (the encoder's) from decoded pictures of any
// size and format, scaling and converting in one step.
class TPictureFitter {
public:
  TPictureFitter(int Width, int Height, AVPixelFormat Format);

  // A new frame holding Source fitted to the output frame by Mode, black around it.
  TFramePtr Fit(const AVFrame* Source, TStretchMode Mode);

private:
  TFramePtr NewFrame(bool Black);

  int FWidth;
  int FHeight;
  AVPixelFormat FFormat;
  int FAlignX;
  int FAlignY;
  int FPixelSteps[4] = {};
  TSwsPtr FSws;
};
