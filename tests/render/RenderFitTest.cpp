#include "dshow/RenderFit.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const TFitRect& rect, int x, int y, int width, int height)
{
  EXPECT_EQ(rect.X, x);
  EXPECT_EQ(rect.Y, y);
  EXPECT_EQ(rect.Width, width);
  EXPECT_EQ(rect.Height, height);
}

} // namespace

TEST(RenderFit, LetterboxKeepsTheAspectRatioAndCentresOnAlignedBars)
{
  const TFit wide = FitPicture(1280, 720, 320, 240, RESIZEF_PRESERVEASPECTRATIO, 2, 2);
  ExpectRect(wide.Source, 0, 0, 1280, 720);
  ExpectRect(wide.Target, 0, 30, 320, 180);
  // 4:3 into 16:9: pillars left and right.
  const TFit tall = FitPicture(640, 480, 640, 360, RESIZEF_PRESERVEASPECTRATIO, 2, 2);
  ExpectRect(tall.Target, 80, 0, 480, 360);
  // 352x288 into 320x240 scales to 293x240: the odd width is rounded to whole chroma samples.
  const TFit odd = FitPicture(352, 288, 320, 240, RESIZEF_PRESERVEASPECTRATIO, 2, 2);
  EXPECT_EQ(odd.Target.Width % 2, 0);
  EXPECT_EQ(odd.Target.X % 2, 0);
  EXPECT_NEAR(odd.Target.X * 2 + odd.Target.Width, 320, 2);
}

TEST(RenderFit, CropCoversTheFrameFromTheMiddleOfTheSource)
{
  const TFit fit = FitPicture(1280, 720, 320, 240, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 2, 2);
  ExpectRect(fit.Source, 160, 0, 960, 720);
  ExpectRect(fit.Target, 0, 0, 320, 240);
}

TEST(RenderFit, NoResizeCutsLargePicturesAndCentresSmallOnes)
{
  const TFit large = FitPicture(352, 288, 320, 240, RESIZEF_CROP, 2, 2);
  ExpectRect(large.Source, 16, 24, 320, 240);
  ExpectRect(large.Target, 0, 0, 320, 240);
  const TFit small = FitPicture(160, 120, 320, 240, RESIZEF_CROP, 2, 2);
  ExpectRect(small.Source, 0, 0, 160, 120);
  ExpectRect(small.Target, 80, 60, 160, 120);
}

TEST(RenderFit, StretchFillsTheFrameWithTheWholeSource)
{
  const TFit fit = FitPicture(352, 288, 320, 240, RESIZEF_STRETCH, 2, 2);
  ExpectRect(fit.Source, 0, 0, 352, 288);
  ExpectRect(fit.Target, 0, 0, 320, 240);
}
