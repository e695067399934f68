#include "dshow/DSJoin.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TJoinOutcome Join(const std::vector<std::string>& files, const std::string& out, double rate = 25)
{
  TDSReelwelder joiner;
  joiner.Files = files;
  joiner.OutputFileName = out;
  joiner.FrameWidth = 160;
  joiner.FrameHeight = 120;
  joiner.FrameRate = rate;
  joiner.VideoCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"mpeg4", false, {}});
  joiner.AudioCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"libmp3lame", true, {}});
  joiner.Execute();
  return joiner.Outcome;
}

// An MPEG program stream whose last packets carry no time stamps, as some writers leave them:
// FFmpeg then estimates it far too short. The stamps become stuffing bytes of the same headers.
std::string WithoutLastStamps(const TTempDir& dir, const std::string& name, const std::string& from)
{
  std::vector<uint8_t> bytes = ReadWholeFile(from);
  for (size_t i = bytes.size() / 2; i + 9 < bytes.size(); ++i) {
    const bool videoPes = bytes[i] == 0 && bytes[i + 1] == 0 && bytes[i + 2] == 1 && (bytes[i + 3] & 0xF0) == 0xE0 &&
                          (bytes[i + 6] & 0xC0) == 0x80;
    if (!videoPes)
      continue;
    const int stamps = bytes[i + 7] >> 6;
    const size_t length = stamps == 3 ? 10 : stamps == 2 ? 5 : 0;
    bytes[i + 7] &= 0x3F;
    std::fill_n(bytes.begin() + long(i) + 9, length, 0xFF);
    i += 8 + bytes[i + 8];
  }
  WriteWholeFile(dir.File(name), bytes);
  return dir.File(name);
}

} // namespace

TEST(RecompressingSeams, EachInputsSoundStaysWithItsPicture)
{
  TSeamClipRecipe plain; // 2 s, a flash and a beep at 0
  TSeamClipRecipe shortSound = plain;
  shortSound.AudioSeconds = 1.5;
  TSeamClipRecipe longSound = plain;
  longSound.AudioSeconds = 2.4;
  TSeamClipRecipe late = plain;
  late.Format = "matroska";
  late.AudioArgs = "-c:a libvorbis";
  late.AudioDelay = 0.3;
  late.AudioSeconds = 1.7;
  late.FlashTimes = {0, 1.2};
  TSeamClipRecipe hole = plain;
  hole.Format = "matroska";
  hole.Seconds = 3;
  hole.HoleAt = 1;
  hole.HoleLength = 0.5; // whole frames of sound: 0.51 s
  hole.FlashTimes = {0, 2};
  // Sound alone takes no time: it is left out, and said so.
  const std::string soundOnly = MakeMedia("seam-sound-only.mka", "-f lavfi -i sine=d=1 -c:a pcm_s16le");
  const std::vector<std::string> files = {
      MakeSeamClip("seam-plain.avi", plain),    MakeSeamClip("seam-short.avi", shortSound),
      MakeSeamClip("seam-long.avi", longSound), MakeSeamClip("seam-late.mkv", late),
      soundOnly,                                MakeSeamClip("seam-hole.mkv", hole),
      MakeSeamClip("seam-plain.avi", plain),
  };
  TTempDir dir;
  const TJoinOutcome outcome = Join(files, dir.File("seams.avi"));

  const std::vector<TSeamOffset> seams = MeasureSeams(dir.File("seams.avi"));
  // Where each flash must be: the inputs back to back, 2 + 2 + 2 + 2 + 3 + 2 s.
  const double flashes[] = {0, 2, 4, 6, 7.2, 8, 10, 11};
  ASSERT_EQ(seams.size(), std::size(flashes));
  for (size_t i = 0; i < seams.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(seams[i].FlashTime, flashes[i], 0.02);
    // The late input's first flash has no beep: its sound starts after it.
    if (flashes[i] == 6)
      EXPECT_TRUE(std::isnan(seams[i].Offset));
    else
      EXPECT_LE(std::abs(seams[i].Offset), 0.045);
  }
  EXPECT_EQ(outcome.FramesWritten, 13 * 25);
  EXPECT_NEAR(outcome.SecondsWritten, 13, 0.001);
  EXPECT_EQ(outcome.SeamNotes,
            (std::vector<std::string>{
                "seam-short.avi: the sound is 0.50 s shorter than the picture; 0.50 s of silence added at 00:03.50",
                "seam-long.avi: the sound is 0.40 s longer than the picture; 0.40 s of sound left out at 00:06.00",
                "seam-late.mkv: the sound starts 0.30 s after the picture; 0.30 s of silence added at 00:06.00",
                "seam-sound-only.mka: there is no picture; the sound is left out",
                "seam-hole.mkv: the sound has a gap of 0.51 s; 0.51 s of silence added at 00:09.00",
            }));
}

TEST(RecompressingSeams, AnInputLastsUntilItsPicturesEndWhateverItsLengthWasEstimated)
{
  TSeamClipRecipe flash;
  flash.Seconds = 1;
  const std::string after = MakeSeamClip("seam-after.avi", flash);
  TTempDir dir;
  const struct {
    const char* What;
    std::string File;
    double Rate;
    int Frames;
  } cases[] = {
      // A static picture at a high nominal bit rate: estimated from its size as a few milliseconds.
      {"MPEG-1 elementary stream",
       MakeMedia("still.m1v", "-f lavfi -i color=gray:size=160x120:rate=25:duration=3 -c:v mpeg1video -b:v 4M"), 25,
       75},
      {"MPEG-2 program stream",
       WithoutLastStamps(dir, "unstamped.mpg",
                         MakeMedia("stamped.mpg", "-f lavfi -i testsrc=size=160x120:rate=24:duration=3 "
                                                  "-c:v mpeg2video -q:v 4 -f vob")),
       24, 72},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.What);
    const std::string out = dir.File("length.avi");
    Join({c.File, after}, out, c.Rate);
    EXPECT_EQ(CountFrames(out, "v"), c.Frames + int(c.Rate));
    // The next input moves to where this one really ends.
    const std::vector<TSeamOffset> seams = MeasureSeams(out);
    ASSERT_EQ(seams.size(), 1u);
    EXPECT_NEAR(seams[0].FlashTime, c.Frames / c.Rate, 0.02);
    EXPECT_LE(std::abs(seams[0].Offset), 0.045);
  }
}

TEST(RecompressingSeams, TheSoundEncodersPrimingIsSkippedOnceInEveryContainer)
{
  // Flashes away from the start, where a decoder's own warm-up would blur the measure.
  TSeamClipRecipe recipe;
  recipe.FlashTimes = {0.4, 1.4};
  const std::string clip = MakeSeamClip("seam-primed.avi", recipe);
  TTempDir dir;
  for (const std::string name : {"primed.avi", "primed.mp4", "primed.mkv"}) {
    SCOPED_TRACE(name);
    Join({clip}, dir.File(name));
    const std::vector<TSeamOffset> seams = MeasureSeams(dir.File(name));
    ASSERT_EQ(seams.size(), 2u);
    // Well within the 26 ms of an MP3 encoder's priming.
    EXPECT_LE(WorstSeamOffset(seams), 0.01);
  }
}
