#pragma once

#include "dshow/RenderFFmpeg.h"
#include "dshow/RenderTimeline.h"

// The YUV matrix of output pictures of this height: BT.709 for HD, BT.601 below.
AVColorSpace OutputColourMatrix(int Height);

// Makes output frames of one size and pixel format (the encoder's) from decoded pictures of any
// size and format, scaling and converting in one step: each picture shown at its own aspect
// ratio, its colours read with its own matrix and range and written with the output's.
class TPictureFitter {
public:
  TPictureFitter(int Width, int Height, AVPixelFormat Format);

  // A new frame holding Source fitted to the output frame by Mode, black around it.
  TFramePtr Fit(const AVFrame* Source, TStretchMode Mode);

private:
  TFramePtr NewFrame(bool Black);

  // What the scaler was made for.
  struct TScaling {
    int Width, Height, Format, TargetWidth, TargetHeight, Matrix;
    bool FullRange;
    bool operator==(const TScaling&) const = default;
  };

  int FWidth;
  int FHeight;
  AVPixelFormat FFormat;
  int FAlignX;
  int FAlignY;
  int FPixelSteps[4] = {};
  TSwsPtr FSws;
  TScaling FScaling{};
};
