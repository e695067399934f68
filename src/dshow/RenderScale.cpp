#include "dshow/RenderScale.h"

#include "dshow/DSErrors.h"
#include "dshow/RenderFit.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

namespace {

bool IsFullRange(AVPixelFormat Format)
{
  switch (Format) {
  case AV_PIX_FMT_YUVJ411P:
  case AV_PIX_FMT_YUVJ420P:
  case AV_PIX_FMT_YUVJ422P:
  case AV_PIX_FMT_YUVJ440P:
  case AV_PIX_FMT_YUVJ444P:
    return true;
  default:
    return false;
  }
}

// Sources that do not say: HD pictures are BT.709, smaller ones BT.601.
int SourceMatrix(const AVFrame* Source)
{
  if (Source->colorspace != AVCOL_SPC_UNSPECIFIED && Source->colorspace != AVCOL_SPC_RGB &&
      Source->colorspace != AVCOL_SPC_RESERVED)
    return Source->colorspace;
  return OutputColourMatrix(Source->height);
}

bool IsFullRange(const AVFrame* Picture)
{
  return Picture->color_range == AVCOL_RANGE_JPEG || IsFullRange(AVPixelFormat(Picture->format));
}

} // namespace

AVColorSpace OutputColourMatrix(int Height)
{
  return Height >= 720 ? AVCOL_SPC_BT709 : AVCOL_SPC_SMPTE170M;
}

TPictureFitter::TPictureFitter(int Width, int Height, AVPixelFormat Format)
    : FWidth(Width), FHeight(Height), FFormat(Format)
{
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(Format);
  FAlignX = 1 << desc->log2_chroma_w;
  FAlignY = 1 << desc->log2_chroma_h;
  av_image_fill_max_pixsteps(FPixelSteps, nullptr, desc);
}

TFramePtr TPictureFitter::NewFrame(bool Black)
{
  TFramePtr frame = ::NewFrame();
  frame->width = FWidth;
  frame->height = FHeight;
  frame->format = FFormat;
  CheckAVError(av_frame_get_buffer(frame.get(), 0));
  if (Black) {
    ptrdiff_t linesizes[4];
    for (int i = 0; i < 4; ++i)
      linesizes[i] = frame->linesize[i];
    av_image_fill_black(frame->data, linesizes, FFormat, IsFullRange(FFormat) ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG,
                        FWidth, FHeight);
  }
  return frame;
}

TFramePtr TPictureFitter::Fit(const AVFrame* Source, TStretchMode Mode)
{
  const double pixelAspect = Source->sample_aspect_ratio.num > 0 ? av_q2d(Source->sample_aspect_ratio) : 1;
  const TFit fit = FitPicture(Source->width, Source->height, FWidth, FHeight, Mode, FAlignX, FAlignY, pixelAspect);
  const bool covers = fit.Target.Width == FWidth && fit.Target.Height == FHeight;
  TFramePtr out = NewFrame(!covers);

  // A view of the part of the source that is shown.
  TFramePtr view = ::NewFrame();
  CheckAVError(av_frame_ref(view.get(), Source));
  view->crop_left = fit.Source.X;
  view->crop_top = fit.Source.Y;
  view->crop_right = Source->width - fit.Source.X - fit.Source.Width;
  view->crop_bottom = Source->height - fit.Source.Y - fit.Source.Height;
  CheckAVError(av_frame_apply_cropping(view.get(), AV_FRAME_CROP_UNALIGNED));

  // A new scaler only when the pictures or their colours change: setting the colours rebuilds
  // the scaler's tables.
  const TScaling scaling{view->width,       view->height,         view->format,       fit.Target.Width,
                         fit.Target.Height, SourceMatrix(Source), IsFullRange(Source)};
  if (!FSws || scaling != FScaling) {
    FSws.reset(sws_getCachedContext(FSws.release(), view->width, view->height, AVPixelFormat(view->format),
                                    fit.Target.Width, fit.Target.Height, FFormat, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr));
    if (!FSws)
      CheckDSError(AVERROR(EINVAL));
    // RGB output has no matrix; what the scaler cannot convert it leaves as it was.
    sws_setColorspaceDetails(FSws.get(), sws_getCoefficients(scaling.Matrix), scaling.FullRange,
                             sws_getCoefficients(OutputColourMatrix(FHeight)), IsFullRange(FFormat), 0, 1 << 16,
                             1 << 16);
    FScaling = scaling;
  }
  uint8_t* target[4] = {};
  for (int plane = 0; plane < 4 && out->data[plane] != nullptr; ++plane) {
    const bool chroma = plane == 1 || plane == 2;
    const int x = chroma ? fit.Target.X / FAlignX : fit.Target.X;
    const int y = chroma ? fit.Target.Y / FAlignY : fit.Target.Y;
    target[plane] = out->data[plane] + ptrdiff_t(y) * out->linesize[plane] + ptrdiff_t(x) * FPixelSteps[plane];
  }
  sws_scale(FSws.get(), view->data, view->linesize, 0, view->height, target, out->linesize);
  return out;
}
