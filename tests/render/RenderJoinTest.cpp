#include "dshow/DSJoin.h"
#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "support/JoinEngine.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

// One entry of ffprobe's description of the first stream of a kind ("v" or "a"), or of the file.
std::string Probe(const std::string& file, const std::string& stream, const std::string& entry)
{
  const std::string what = stream.empty() ? "-show_entries format=" + entry
                                          : "-select_streams " + stream + ":0 -show_entries stream=" + entry;
  std::string out = RunCommand("ffprobe -v error " + what + " -of csv=p=0 " + ShellQuote(file)).Output;
  while (!out.empty() && (out.back() == '\n' || out.back() == ','))
    out.pop_back();
  return out;
}

// The first picture as RGB24 bytes.
std::string FirstPicture(const std::string& file)
{
  return RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -frames:v 1 -f rawvideo -pix_fmt rgb24 -")
      .Output;
}

// The sound from `from` seconds on, as 16-bit stereo samples at 44100 Hz.
std::vector<int16_t> Sound(const std::string& file, double from = 0)
{
  const std::string bytes = RunCommand("ffmpeg -nostdin -v error -ss " + std::to_string(from) + " -i " +
                                       ShellQuote(file) + " -map 0:a -f s16le -ac 2 -ar 44100 -")
                                .Output;
  std::vector<int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  return samples;
}

int Loudest(const std::vector<int16_t>& samples, size_t from = 0, size_t to = SIZE_MAX)
{
  int loudest = 0;
  for (size_t i = from; i < std::min(to, samples.size()); ++i)
    loudest = std::max(loudest, std::abs(int(samples[i])));
  return loudest;
}

// 1 s of 32x16 white with green outer quarters and a red bar at the top middle, uncompressed:
// every stretch mode looks different, and so does a picture upside down.
std::string StripedSource()
{
  return MakeMedia("striped.avi", "-f lavfi -i color=white:size=32x16:rate=25:duration=1,"
                                  "drawbox=x=0:y=0:w=8:h=16:color=green:t=fill,"
                                  "drawbox=x=24:y=0:w=8:h=16:color=green:t=fill,"
                                  "drawbox=x=8:y=0:w=16:h=4:color=red:t=fill -c:v rawvideo -pix_fmt bgr24");
}

std::string SmallClip()
{
  return MakeMedia("small.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=2 -f lavfi -i sine=duration=2 "
                                "-c:v mpeg4 -q:v 5 -c:a pcm_s16le");
}

enum TColour { Black, White, Green, Red };

::testing::AssertionResult PixelIs(const std::string& picture, int width, int x, int y, TColour colour)
{
  const size_t at = (size_t(y) * width + x) * 3;
  if (at + 2 >= picture.size())
    return ::testing::AssertionFailure() << "no pixel " << x << "," << y;
  const int r = uint8_t(picture[at]), g = uint8_t(picture[at + 1]), b = uint8_t(picture[at + 2]);
  const int expected[4][3] = {{0, 0, 0}, {255, 255, 255}, {0, 128, 0}, {255, 0, 0}};
  const int* want = expected[colour];
  if (std::abs(r - want[0]) > 40 || std::abs(g - want[1]) > 40 || std::abs(b - want[2]) > 40)
    return ::testing::AssertionFailure() << "pixel " << x << "," << y << " is " << r << "," << g << "," << b;
  return ::testing::AssertionSuccess();
}

} // namespace

TEST(RecompressingJoin, JoinsThreeFormatsBackToBackWithSilenceWhereASourceHasNoSound)
{
  TTempDir dir;
  TDSReelwelder joiner;
  joiner.Files = {
      // Not MP3: its encoder delay makes ffmpeg start the video with an empty frame.
      MakeMedia("ten.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=10 -f lavfi -i sine=duration=10 "
                           "-c:v mpeg4 -q:v 10 -c:a mp2 -ar 44100 -ac 2"),
      MakeMedia("five.mpg", "-f lavfi -i testsrc=size=352x288:rate=30000/1001:duration=5 -f lavfi "
                            "-i sine=frequency=660:duration=5 -c:v mpeg1video -q:v 10 -c:a mp2 -ar 44100 -f mpeg"),
      MakeMedia("twenty.mp4", "-f lavfi -i testsrc=size=1280x720:rate=30:duration=20 -c:v libx264 -preset ultrafast "
                              "-pix_fmt yuv420p"),
  };
  joiner.OutputFileName = dir.File("joined.avi");
  joiner.FrameRate = 25;
  joiner.VideoCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"mpeg4", false, {}});
  joiner.AudioCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"libmp3lame", true, {}});
  std::vector<double> reports;
  joiner.OnProgress = [&](void* sender, double progress, bool& cancel) {
    EXPECT_EQ(sender, &joiner);
    EXPECT_FALSE(cancel);
    reports.push_back(progress);
  };
  joiner.Execute();

  const std::string out = joiner.OutputFileName;
  EXPECT_TRUE(DecodesCleanly(out));
  EXPECT_EQ(Probe(out, "v", "codec_name,width,height"), "mpeg4,320,240");
  EXPECT_EQ(Probe(out, "a", "codec_name,sample_rate,channels"), "mp3,44100,2");
  EXPECT_NEAR(CountFrames(out, "v"), 875, 1);
  const std::vector<int16_t> sound = Sound(out);
  EXPECT_NEAR(double(sound.size()) / 2 / 44100, 35, 0.1);
  EXPECT_GT(Loudest(sound, 0, 2 * 44100 * 9), 1000);
  EXPECT_GT(Loudest(sound, 2 * 44100 * 10.1, 2 * 44100 * 14.9), 1000);
  EXPECT_EQ(Loudest(sound, 2 * 44100 * 15.1), 0);
  // Reports rise within 0..100; a 300 ms wait gives several for a join of seconds.
  ASSERT_FALSE(reports.empty());
  for (size_t i = 0; i < reports.size(); ++i) {
    EXPECT_GE(reports[i], i > 0 ? reports[i - 1] : 0);
    EXPECT_LE(reports[i], 100);
  }
  EXPECT_EQ(reports.back(), 100) << "a finished join shows all of it done";
}

TEST(RecompressingJoin, FitsPicturesByEachResizeMethodIntoUncompressedAvi)
{
  struct TCase {
    TResizeMethod Method;
    std::vector<std::tuple<int, int, TColour>> Pixels; // in a 64x64 frame
  };
  const TCase cases[] = {
      // 2:1 scaled to 64x32, centred between black bars.
      {rmLetterbox, {{32, 8, Black}, {32, 56, Black}, {4, 32, Green}, {32, 19, Red}, {32, 40, White}, {60, 32, Green}}},
      // Scaled to 128x64; the green quarters fall outside.
      {rmCrop, {{4, 32, White}, {60, 32, White}, {4, 4, Red}, {60, 4, Red}, {32, 62, White}}},
      {rmStretch, {{4, 4, Green}, {60, 60, Green}, {32, 4, Red}, {32, 62, White}}},
      // Unscaled 32x16 at 16,24.
      {rmNoResize,
       {{8, 32, Black},
        {20, 32, Green},
        {32, 25, Red},
        {32, 34, White},
        {44, 32, Green},
        {56, 32, Black},
        {32, 16, Black}}},
  };
  TTempDir dir;
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Method);
    const std::string out = dir.File("fitted.mpg"); // AVI all the same
    RunJoinEngine<TDSReelwelder>({StripedSource()}, out, [&](TDSReelwelder& joiner) {
      joiner.FrameWidth = 64;
      joiner.FrameHeight = 64;
      joiner.FrameRate = 25;
      joiner.ResizeMethod = c.Method;
    });
    EXPECT_EQ(Probe(out, "", "format_name"), "avi");
    EXPECT_EQ(Probe(out, "v", "codec_name,pix_fmt"), "rawvideo,bgr24");
    EXPECT_EQ(Probe(out, "a", "codec_name,sample_rate,channels"), "pcm_s16le,44100,2");
    EXPECT_TRUE(DecodesCleanly(out));
    const std::string picture = FirstPicture(out);
    for (const auto& [x, y, colour] : c.Pixels)
      EXPECT_TRUE(PixelIs(picture, 64, x, y, colour));
  }
}

TEST(RecompressingJoin, CancelFromTheCallbackStopsAtOnceAndLeavesAPlayableFile)
{
  TTempDir dir;
  TDSReelwelder joiner;
  joiner.Files = {MakeMedia("long.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=30 -c:v mpeg4 -q:v 10")};
  joiner.OutputFileName = dir.File("cancelled.avi");
  int calls = 0;
  joiner.OnProgress = [&](void*, double, bool& cancel) {
    ++calls;
    cancel = true;
  };
  joiner.Execute();
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(DecodesCleanly(joiner.OutputFileName));
  const int64_t frames = CountFrames(joiner.OutputFileName, "v");
  EXPECT_GE(frames, 0);
  EXPECT_LT(frames, 30 * 24);
}

TEST(RecompressingJoin, TakesOnlyTheVideoLengthOfEachInput)
{
  TTempDir dir;
  const std::string out = dir.File("short.avi");
  RunJoinEngine<TDSReelwelder>(
      {MakeMedia("sound-only.wav", "-f lavfi -i sine=duration=2 -c:a pcm_s16le"),
       MakeMedia("long-sound.avi", "-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i sine=duration=3 "
                                   "-c:v mpeg4 -c:a pcm_s16le")},
      out, [](TDSReelwelder& joiner) {
        joiner.FrameWidth = 64;
        joiner.FrameHeight = 48;
        joiner.FrameRate = 25;
      });
  EXPECT_EQ(CountFrames(out, "v"), 25);
  const std::vector<int16_t> sound = Sound(out);
  EXPECT_NEAR(double(sound.size()) / 2, 44100, 2048);
  EXPECT_GT(Loudest(sound), 1000);
}

TEST(RecompressingJoin, SkipsDamagedPicturesAndKeepsTheInputsLength)
{
  TTempDir dir;
  const std::string damaged = dir.File("damaged.avi");
  std::vector<uint8_t> bytes = ReadWholeFile(SmallClip());
  ASSERT_GT(bytes.size(), 40000u);
  for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 4000; ++i)
    bytes[i] = uint8_t(i * 7);
  WriteWholeFile(damaged, bytes);
  const std::string out = dir.File("mended.avi");
  RunJoinEngine<TDSReelwelder>({damaged, SmallClip()}, out, [](TDSReelwelder& joiner) {
    joiner.FrameRate = 25;
    joiner.VideoCompressor = std::make_shared<TCompressorFilter>(TCompressorFilter{"mpeg4", false, {}});
  });
  EXPECT_TRUE(DecodesCleanly(out));
  EXPECT_NEAR(CountFrames(out, "v"), 100, 1);
}

TEST(RecompressingJoin, RefusesBadInputBeforeTouchingTheOutput)
{
  TTempDir dir;
  const std::string junk = dir.File("junk.avi");
  WriteWholeFile(junk, std::vector<uint8_t>(5000, 0x5A));
  const std::string existing = dir.File("existing.avi");
  WriteWholeFile(existing, {'k', 'e', 'e', 'p'});
  const auto join = [&](const std::vector<std::string>& files, int width, double rate) {
    return ErrorOf([&] {
      RunJoinEngine<TDSReelwelder>(files, existing, [&](TDSReelwelder& joiner) {
        joiner.FrameWidth = width;
        joiner.FrameRate = rate;
      });
    });
  };
  EXPECT_EQ(join({SmallClip(), junk}, 320, 25).rfind("DirectShow Error: ", 0), 0u);
  EXPECT_EQ(join({SmallClip()}, 0, 25), "Invalid frame size: 0 x 240");
  EXPECT_EQ(join({SmallClip()}, 320, 0).rfind("Invalid frame rate: ", 0), 0u);
  EXPECT_EQ(join({SmallClip(), existing}, 320, 25).rfind("DirectShow Error: ", 0), 0u);
  EXPECT_EQ(ReadWholeFile(existing), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
}

TEST(RecompressingJoin, CommandLineChoosesEncodersByNameAndRefusesUnknownOnes)
{
  TTempDir dir;
  const std::string out = dir.File("cli.avi");
  const std::string common = "--recompress --size 160x120 --fps 12.5 --resize crop ";
  auto result = RunCliJoin(common + "--vcodec mpeg4 --acodec libmp3lame", out, {SmallClip()});
  EXPECT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(Probe(out, "v", "codec_name,width,height"), "mpeg4,160,120");
  EXPECT_EQ(Probe(out, "a", "codec_name"), "mp3");
  EXPECT_NEAR(CountFrames(out, "v"), 25, 1);
  EXPECT_TRUE(DecodesCleanly(out));

  const std::string other = dir.File("other.avi");
  result = RunCliJoin(common + "--vcodec nosuch", other, {SmallClip()});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_NE(result.Errors.find("Join fails: No video compressor is named \"nosuch\""), std::string::npos);
  EXPECT_FALSE(FileExists(other));
}

TEST(RecompressingJoin, ReportsAFailedWriteInsteadOfEndingAsIfComplete)
{
  try {
    RunJoinEngine<TDSReelwelder>({SmallClip()}, "/dev/full");
    FAIL() << "a join into a full disk ended normally";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, ENOSPC);
  }
}

TEST(RecompressingJoin, FollowsASoundFormatChangeMidway)
{
  // Two transport streams back to back: stereo 48000 Hz sound, then mono 22050 Hz.
  const auto part = [](const std::string& name, const std::string& sound, const std::string& offset) {
    return ReadWholeFile(
        MakeMedia(name, "-f lavfi -i testsrc=size=64x48:rate=25:duration=1 -f lavfi -i sine=duration=1:" + sound +
                            " -c:v mpeg2video -c:a mp2 -output_ts_offset " + offset + " -f mpegts"));
  };
  std::vector<uint8_t> bytes = part("stereo.ts", "sample_rate=48000 -ac 2", "0");
  const std::vector<uint8_t> second = part("mono.ts", "sample_rate=22050 -ac 1", "1");
  bytes.insert(bytes.end(), second.begin(), second.end());
  TTempDir dir;
  WriteWholeFile(dir.File("changing.ts"), bytes);
  RunJoinEngine<TDSReelwelder>({dir.File("changing.ts")}, dir.File("changing.avi"), [](TDSReelwelder& joiner) {
    joiner.FrameWidth = 64;
    joiner.FrameHeight = 48;
  });
  const std::vector<int16_t> sound = Sound(dir.File("changing.avi"));
  EXPECT_NEAR(double(sound.size()) / 2 / 44100, 1.96, 0.05);
  EXPECT_GT(Loudest(sound, 0, 2 * 44100 * 0.9), 1000);
  EXPECT_GT(Loudest(sound, 2 * 44100 * 1.1), 1000);
}

TEST(RecompressingJoin, EndsAtAnyFrameRateTheDialogAccepts)
{
  TTempDir dir;
  const std::string clip =
      MakeMedia("ten-seconds.avi", "-f lavfi -i testsrc=size=64x48:rate=25:duration=10 -f lavfi -i sine=duration=10 "
                                   "-c:v mpeg4 -c:a pcm_s16le");
  const struct {
    const char* Rate;
    int Frames;
  } cases[] = {{"0.2", 2}, {"0.5", 5}, {"120", 1200}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Rate);
    const std::string out = dir.File(std::string("rate") + c.Rate + ".avi");
    // The time-out only guards the test run against a hang.
    const TCommandResult result =
        RunCommand("timeout 120 " + ShellQuote(CliPath()) + " join --recompress --size 64x48 --fps " + c.Rate +
                   " --vcodec mpeg4 --acodec libmp3lame -o " + ShellQuote(out) + " " + ShellQuote(clip));
    ASSERT_EQ(result.ExitCode, 0) << result.Errors;
    EXPECT_EQ(CountFrames(out, "v"), c.Frames);
    EXPECT_NEAR(double(Sound(out).size()) / 2 / 44100, 10, 0.1);
    EXPECT_TRUE(DecodesCleanly(out));
  }
}
