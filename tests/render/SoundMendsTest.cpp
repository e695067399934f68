#include "dshow/SoundMends.h"

#include <gtest/gtest.h>

TEST(SoundMends, TellsWhatWasMendedInOneLinePerInput)
{
  TSoundMends inaudible;
  inaudible.Late = 0.04;
  inaudible.Gaps = {{1, 0.02}};
  // The output's last picture, a whole frame at a low rate, outlasts the input's.
  inaudible.Short = 0.049;
  inaudible.Silence = 4.5;
  TSoundMends covered; // sound longer than the picture, but not than its last output frame
  covered.Long = 0.3;
  covered.Cut = 0.01;
  TSoundMends both;
  both.PictureStart = 3725;
  both.Late = 0.25;
  both.SoundEnd = 3729.5;
  both.Short = 0.5;
  both.Silence = 0.52;
  TSoundMends gaps;
  gaps.Gaps = {{2, 0.5}, {4, 0.01}, {6, 0.25}, {8, 0.25}, {10, 0.25}, {12, 0.25}};
  gaps.Overlaps = {{15, 0.2}};
  TSoundMends two;
  two.Gaps = {{2, 0.5}, {4, 0.25}};
  two.PictureEnd = 30;
  two.Long = 1.5;
  two.Cut = 1.48;
  const struct {
    TSoundMends Mends;
    std::string Note;
  } cases[] = {
      {inaudible, ""},
      {covered, ""},
      {both, "clip.avi: the sound starts 0.25 s after the picture; 0.25 s of silence added at 1:02:05.00; the sound "
             "is 0.50 s shorter than the picture; 0.52 s of silence added at 1:02:09.50"},
      {gaps, "clip.avi: 5 gaps in the sound, 1.50 s in all; silence added at 00:02.00, 00:06.00, 00:08.00 and 2 more "
             "places; the sound goes back in time by 0.20 s; 0.20 s of sound left out at 00:15.00"},
      {two, "clip.avi: 2 gaps in the sound, 0.75 s in all; silence added at 00:02.00 and 00:04.00; the sound is "
            "1.50 s longer than the picture; 1.48 s of sound left out at 00:30.00"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(SeamNote("/home/me/films/clip.avi", c.Mends), c.Note);
}
