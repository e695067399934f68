#include "support/PacketProbe.h"
#include "support/TestSupport.h"
#include "core/SaveProjectCls.h"

#include <gtest/gtest.h>

#include <filesystem>

// `reelweld-cli join` takes the desktop program's decisions for the files it is given.
namespace {

std::string SilentAvi10()
{
  return MakeMedia("cli-silent10.avi", "-f lavfi -i testsrc=size=160x120:rate=10:duration=1 -c:v mpeg4");
}

std::string Mp4At15()
{
  return MakeMedia("cli-mp4-15.mp4", "-f lavfi -i testsrc=size=176x144:rate=15:duration=1 -f lavfi -i "
                                     "sine=duration=1 -c:v mpeg4 -c:a aac -shortest");
}

// Grain that changes every frame: its size follows the quantiser closely.
std::string NoisyAvi()
{
  return MakeMedia("cli-noisy.avi", "-f lavfi -i testsrc2=size=160x120:rate=10:duration=1 -vf "
                                    "noise=alls=30:allf=t+u -c:v mpeg4 -q:v 2");
}

class CliJoin : public testing::Test {
protected:
  TCommandResult Join(const std::string& options, const std::vector<std::string>& files)
  {
    return RunCliJoin(options, Output, files);
  }

  // codec,width,height,rate of the output's video.
  std::string Video() const
  {
    return ProbeEntries(Output, "stream=codec_name,width,height,r_frame_rate -select_streams v:0");
  }

  // The bit rate of the output's first video ("v") or audio ("a") stream, as ffprobe reads it.
  int64_t BitRate(const std::string& kind) const
  {
    return std::stoll(ProbeEntries(Output, "stream=bit_rate -select_streams " + kind + ":0"));
  }

  TTempDir Dir;
  std::string Output = Dir.File("out.avi");
};

} // namespace

TEST_F(CliJoin, CopiesWhatTheDialogWouldTickAndRecompressesTheRest)
{
  auto result = Join("", {MediaSmallAvi(), MediaSmallAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(Video(), "mpeg4,160,120,10/1\n");
  EXPECT_EQ(CountFrames(Output, "v"), 20);
  EXPECT_GT(CountFrames(Output, "a"), 0);

  // Another format, or a file without sound (the box would not be ticked, as sound would be lost):
  // recompressed at the stock size and the first frame-rate item, 10.00.
  for (const std::string& second : {Mp4At15(), SilentAvi10()}) {
    SCOPED_TRACE(second);
    result = Join("-y", {MediaSmallAvi(), second});
    ASSERT_EQ(result.ExitCode, 0) << result.Errors;
    EXPECT_EQ(Video(), "rawvideo,320,240,10/1\n");
    EXPECT_TRUE(DecodesCleanly(Output));
  }
}

TEST_F(CliJoin, CopyWithoutSoundFollowsTheJoinCommandsFlag)
{
  auto result = Join("--copy", {MediaSmallAvi(), SilentAvi10()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(Video(), "mpeg4,160,120,10/1\n");
  EXPECT_EQ(CountFrames(Output, "a"), -1);
  EXPECT_NE(result.Errors.find("joined without sound"), std::string::npos) << result.Errors;

  // What the dialog cannot tick, the command line does not do either.
  Output = Dir.File("never.avi");
  result = Join("--copy", {MediaSmallAvi(), Mp4At15()});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, "Join fails: Unable to join files of different formats without recompression: " +
                               std::filesystem::path(Mp4At15()).filename().string() + " is MP4:MPEG4 176x144 15 fps; the first file is " +
                               "AVI:FMP4 160x120 10 fps\n");
  EXPECT_FALSE(RunCommand("test -e " + ShellQuote(Output)).ExitCode == 0);

  // MP4 files copied under an AVI name: the file is an MP4 all the same, and the user is told; a
  // name without an extension asks for no container at all.
  for (const auto& [name, note] : {std::pair{"named.avi", "\nnamed.avi is written as MP4, the first file's container: "
                                                          "the one its name asks"},
                                   {"unnamed", "\nunnamed is written as MP4, the first file's container\n"}}) {
    Output = Dir.File(name);
    result = Join("--copy", {Mp4At15(), Mp4At15()});
    EXPECT_EQ(result.ExitCode, 0) << result.Errors;
    EXPECT_NE(result.Errors.find(note), std::string::npos) << result.Errors;
  }
  Output = Dir.File("never.avi");

  // Files that no copy road takes: the driver's own reason.
  const std::string mpeg2 = MakeMedia("program.vob", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                                                     "-c:v mpeg2video -f vob");
  result = Join("--copy", {mpeg2, mpeg2});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, "Join fails: Unable to join MPEG2 files without recompression\n");
}

TEST_F(CliJoin, OptimalSettingsComeFirstAndOptionsOverrideThem)
{
  auto result = Join("--optimal --recompress", {Mp4At15(), MediaSmallAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  const std::string video = Video();
  EXPECT_NE(video.find(",160,120,10/1"), std::string::npos) << video;

  result = Join("-y --optimal --size 96x64 --fps 12.5 --vcodec mpeg4", {Mp4At15(), MediaSmallAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(Video(), "mpeg4,96,64,25/2\n");
}

TEST_F(CliJoin, TakesTheFilesOfAProject)
{
  const std::string project = Dir.File("p.qrw");
  TProjectSettings settings;
  settings.SetFiles({MediaSmallAvi(), MediaSmallAvi()});
  settings.SaveToFile(project);
  auto result = Join("--project " + ShellQuote(project), {});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(CountFrames(Output, "v"), 20);

  settings.SetFiles({});
  settings.SaveToFile(project);
  result = Join("-y --project " + ShellQuote(project), {});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, "Join fails: The project holds no files\n");

  result = Join("-y", {MediaSmallAvi(), Dir.File("missing.avi")});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors.rfind("Join fails: Unable to add file " + Dir.File("missing.avi") + ": ", 0), 0u)
      << result.Errors;
}

TEST_F(CliJoin, PassesEncoderSettingsToTheChosenCompressors)
{
  // A fixed quantiser, fine (2) against coarse (31), as the dialog's quality bounds set it.
  const std::string fixed = "--recompress --size 160x120 --fps 10 --vcodec mpeg4 ";
  auto result = Join(fixed + "--vopt qmin=2 --vopt qmax=2", {NoisyAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  const int64_t fine = BitRate("v");
  result = Join("-y " + fixed + "--vopt qmin=31 --vopt qmax=31", {NoisyAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_LT(BitRate("v") * 10, fine);
  // The same through the encoder's fixed quantiser, in lambda units (118 per step).
  result = Join("-y " + fixed + "--vopt flags=+qscale --vopt global_quality=3658", {NoisyAvi()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_LT(BitRate("v") * 10, fine);

  // The audio encoder's own bit rate.
  result = Join("-y --recompress --vcodec mpeg4 --acodec libmp3lame --aopt b=64k", {MediaAviMpeg4Mp3()});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(BitRate("a"), 64000);

  // A name the encoder does not know fails the join as the desktop program's would.
  result = Join("-y --recompress --vcodec mpeg4 --vopt no_such_setting=1", {MediaSmallAvi()});
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors.find("Join fails: "), 0u) << result.Errors;
  EXPECT_EQ(Join("-y --recompress --acodec libmp3lame --aopt no_such_setting=1", {MediaSmallAvi()}).ExitCode, 1);
}

TEST_F(CliJoin, TakesNamesThatBeginWithADashAfterTwoDashes)
{
  WriteWholeFile(Dir.File("-clip.avi"), ReadWholeFile(MediaSmallAvi()));
  const std::string inDir = "cd " + ShellQuote(Dir.File("")) + " && " + ShellQuote(CliPath());
  const auto join = RunCommand(inDir + " join --copy -o joined.avi -- -clip.avi -clip.avi");
  EXPECT_EQ(join.ExitCode, 0) << join.Errors;
  EXPECT_EQ(CountFrames(Dir.File("joined.avi"), "v"), 20);
  EXPECT_EQ(RunCommand(inDir + " probe --json -- -clip.avi").ExitCode, 0);
  const auto save = RunCommand(inDir + " project save -- p.qrw -clip.avi");
  EXPECT_EQ(save.ExitCode, 0) << save.Errors;
}
