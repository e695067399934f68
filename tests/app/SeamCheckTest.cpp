#include "support/SeamCheck.h"

#include <gtest/gtest.h>

#include <cmath>

// The sync tests of every road trust these clips and this measure: a clip played by itself must
// measure in sync, whatever is done to its sound.
TEST(SeamCheck, ClipsMeasureInSyncOnTheirOwn)
{
  struct TCase {
    std::string Name;
    TSeamClipRecipe Recipe;
    size_t Beeps;
  };
  TSeamClipRecipe plain;
  TSeamClipRecipe shortSound = plain;
  shortSound.AudioSeconds = 1.5;
  shortSound.FlashTimes = {0, 1.8};
  TSeamClipRecipe late = plain;
  late.Format = "matroska";
  late.AudioDelay = 0.3;
  late.FlashTimes = {0, 1.2};
  TSeamClipRecipe hole = late;
  hole.AudioDelay = 0;
  hole.Seconds = 3;
  hole.HoleAt = 1;
  hole.HoleLength = 0.5;
  hole.FlashTimes = {0, 2};
  const TCase cases[] = {{"plain.avi", plain, 1}, {"short.avi", shortSound, 1}, {"late.mkv", late, 1},
                         {"hole.mkv", hole, 2}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto seams = MeasureSeams(MakeSeamClip(c.Name, c.Recipe));
    ASSERT_EQ(seams.size(), c.Recipe.FlashTimes.size());
    size_t beeps = 0;
    for (size_t i = 0; i < seams.size(); ++i) {
      EXPECT_NEAR(seams[i].FlashTime, c.Recipe.FlashTimes[i], 0.001);
      if (!std::isnan(seams[i].Offset)) {
        EXPECT_NEAR(seams[i].Offset, 0, 0.001);
        ++beeps;
      }
    }
    EXPECT_EQ(beeps, c.Beeps);
  }
}
