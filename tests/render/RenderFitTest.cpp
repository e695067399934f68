#include "dshow/RenderFit.h"

#include <gtest/gtest.h>

namespace {

void ExpectRect(const TFitRect& rect, const TFitRect& expected)
{
  EXPECT_EQ(rect.X, expected.X);
  EXPECT_EQ(rect.Y, expected.Y);
  EXPECT_EQ(rect.Width, expected.Width);
  EXPECT_EQ(rect.Height, expected.Height);
}

} // namespace

TEST(RenderFit, PlacesThePictureByTheModeAndItsShownShape)
{
  struct TCase {
    const char* Name;
    int Width, Height;
    double PixelAspect;
    TStretchMode Mode;
    int FrameWidth, FrameHeight;
    TFitRect Source, Target;
  };
  const TCase cases[] = {
      // Letterbox keeps the aspect ratio and centres on aligned bars.
      {"16:9 into 4:3", 1280, 720, 1, RESIZEF_PRESERVEASPECTRATIO, 320, 240, {0, 0, 1280, 720}, {0, 30, 320, 180}},
      {"4:3 into 16:9: pillars", 640, 480, 1, RESIZEF_PRESERVEASPECTRATIO, 640, 360, {0, 0, 640, 480}, {80, 0, 480, 360}},
      // Crop covers the frame from the middle of the source.
      {"crop", 1280, 720, 1, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 320, 240, {160, 0, 960, 720}, {0, 0, 320, 240}},
      // No resize cuts large pictures and centres small ones.
      {"no resize, large", 352, 288, 1, RESIZEF_CROP, 320, 240, {16, 24, 320, 240}, {0, 0, 320, 240}},
      {"no resize, small", 160, 120, 1, RESIZEF_CROP, 320, 240, {0, 0, 160, 120}, {80, 60, 160, 120}},
      // Stretch fills the frame with the whole source.
      {"stretch", 352, 288, 1, RESIZEF_STRETCH, 320, 240, {0, 0, 352, 288}, {0, 0, 320, 240}},
      // 720x576 at 16:9 into 4:3: bars above and below, not pillars.
      {"anamorphic 16:9 into 4:3", 720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 720, 576},
       {0, 60, 640, 360}},
      {"anamorphic 16:9 into 16:9", 720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO, 1280, 720, {0, 0, 720, 576},
       {0, 0, 1280, 720}},
      // 4:3 anamorphic (narrow pixels) into 4:3 fills it too.
      {"anamorphic 4:3", 720, 480, 8.0 / 9, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 720, 480}, {0, 0, 640, 480}},
      // Crop of 16:9 into 4:3 keeps the middle 3/4 of the shown width.
      {"anamorphic crop", 720, 576, 64.0 / 45, RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, 640, 480, {90, 0, 540, 576},
       {0, 0, 640, 480}},
      {"nonsense aspect: square pixels", 640, 480, 0, RESIZEF_PRESERVEASPECTRATIO, 640, 480, {0, 0, 640, 480},
       {0, 0, 640, 480}},
  };
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    const TFit fit =
        FitPicture(test.Width, test.Height, test.FrameWidth, test.FrameHeight, test.Mode, 2, 2, test.PixelAspect);
    ExpectRect(fit.Source, test.Source);
    ExpectRect(fit.Target, test.Target);
  }
  // 352x288 into 320x240 scales to 293x240: the odd width is rounded to whole chroma samples.
  const TFit odd = FitPicture(352, 288, 320, 240, RESIZEF_PRESERVEASPECTRATIO, 2, 2);
  EXPECT_EQ(odd.Target.Width % 2, 0);
  EXPECT_EQ(odd.Target.X % 2, 0);
  EXPECT_NEAR(odd.Target.X * 2 + odd.Target.Width, 320, 2);
}
