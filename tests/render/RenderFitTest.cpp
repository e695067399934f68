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

TEST(RenderFit, FitsAnamorphicPicturesByTheirShownShape)
{
  struct TCase {
    int Width, Height;
    double PixelAspect;
    TStretchMode Mode;
    int FrameWidth, FrameHeight;
    TFitRect Source, Target;
  };
  const TCase cases[] = {
      // 720x576 at 16:9 into 4:3: bars above and below, not pillars.
      {720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 720, 576}, {0, 60, 640, 360}},
      // The same into 16:9 fills it.
      {720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO, 1280, 720, {0, 0, 720, 576}, {0, 0, 1280, 720}},
      // 4:3 anamorphic (narrow pixels) into 4:3 fills it too.
      {720, 480, 8.0 / 9, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 720, 480}, {0, 0, 640, 480}},
      // Crop of 16:9 into 4:3 keeps the middle 3/4 of the shown width.
      {720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 640, 480, {90, 0, 540, 576}, {0, 0, 640, 480}},
      // A nonsense aspect counts as square pixels.
      {640, 480, 0, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 640, 480}, {0, 0, 640, 480}},
  };
  for (const TCase& test : cases) {
    const TFit fit =
        FitPicture(test.Width, test.Height, test.FrameWidth, test.FrameHeight, test.Mode, 2, 2, test.PixelAspect);
    SCOPED_TRACE(testing::Message() << test.Width << "x" << test.Height << " at " << test.PixelAspect);
    ExpectRect(fit.Source, test.Source.X, test.Source.Y, test.Source.Width, test.Source.Height);
    ExpectRect(fit.Target, test.Target.X, test.Target.Y, test.Target.Width, test.Target.Height);
  }
}
