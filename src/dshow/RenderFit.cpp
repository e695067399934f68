#include "dshow/RenderFit.h"

#include <algorithm>
#include <cmath>

namespace {

// A span of `Size` units centred in `Frame` units, rounded down to `Align`.
void Centre(int Size, int Frame, int Align, int& Offset, int& Span)
{
  if (Size >= Frame) {
    Offset = 0;
    Span = Frame;
    return;
  }
  Span = std::min(Frame, std::max(Align, Size - Size % Align));
  Offset = (Frame - Span) / 2;
  Offset -= Offset % Align;
}

int Scaled(double Size, double Factor)
{
  return std::max(1, int(std::lround(Size * Factor)));
}

} // namespace

TFit FitPicture(int SourceWidth, int SourceHeight, int FrameWidth, int FrameHeight, TStretchMode Mode, int AlignX,
                int AlignY, double PixelAspect)
{
  TFit fit;
  fit.Source = {0, 0, SourceWidth, SourceHeight};
  fit.Target = {0, 0, FrameWidth, FrameHeight};
  // The width the picture is meant to be shown at, in square pixels.
  const double shownWidth = SourceWidth * (PixelAspect > 0 && std::isfinite(PixelAspect) ? PixelAspect : 1);
  const double scaleX = FrameWidth / shownWidth;
  const double scaleY = double(FrameHeight) / SourceHeight;
  switch (Mode) {
  case RESIZEF_STRETCH:
    break;
  case RESIZEF_PRESERVEASPECTRATIO: {
    const double scale = std::min(scaleX, scaleY);
    Centre(Scaled(shownWidth, scale), FrameWidth, AlignX, fit.Target.X, fit.Target.Width);
    Centre(Scaled(SourceHeight, scale), FrameHeight, AlignY, fit.Target.Y, fit.Target.Height);
    break;
  }
  case RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX: {
    // The part of the source that, scaled, covers the frame exactly.
    const double scale = std::max(scaleX, scaleY);
    fit.Source.Width = std::min(SourceWidth, Scaled(FrameWidth, SourceWidth / shownWidth / scale));
    fit.Source.Height = std::min(SourceHeight, Scaled(FrameHeight, 1 / scale));
    fit.Source.X = (SourceWidth - fit.Source.Width) / 2;
    fit.Source.Y = (SourceHeight - fit.Source.Height) / 2;
    break;
  }
  case RESIZEF_CROP:
    Centre(SourceWidth, FrameWidth, AlignX, fit.Target.X, fit.Target.Width);
    Centre(SourceHeight, FrameHeight, AlignY, fit.Target.Y, fit.Target.Height);
    fit.Source.Width = std::min(SourceWidth, fit.Target.Width);
    fit.Source.Height = std::min(SourceHeight, fit.Target.Height);
    fit.Source.X = (SourceWidth - fit.Source.Width) / 2;
    fit.Source.Y = (SourceHeight - fit.Source.Height) / 2;
    break;
  }
  return fit;
}
