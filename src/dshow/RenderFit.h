#pragma once

#include "dshow/RenderTimeline.h"

struct TFitRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};

// Which part of a source picture goes where in the output frame.
struct TFit {
  TFitRect Source;
  TFitRect Target; // the rest of the frame is black
};

// Fits a SourceWidth x SourceHeight picture to a FrameWidth x FrameHeight frame of square pixels
// by `Mode`, undistorted and centred where the mode keeps the aspect ratio. PixelAspect is the
// width of a source pixel over its height (anamorphic DVD and DV pictures have wide or narrow
// ones). Target positions and sizes smaller than the frame are multiples of AlignX and AlignY,
// so that subsampled chroma planes start on whole samples.
TFit FitPicture(int SourceWidth, int SourceHeight, int FrameWidth, int FrameHeight, TStretchMode Mode, int AlignX,
                int AlignY, double PixelAspect = 1);
