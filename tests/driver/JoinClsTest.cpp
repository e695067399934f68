#include "core/JoinCls.h"
#include "platform/FileIO.h"
#include "support/PacketProbe.h"
#include "support/ProgressRecorder.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>


namespace {

class JoinDriver : public testing::Test {
protected:
  // Joins with the choices a user leaves alone unless the test sets them.
  void Join(const std::vector<std::string>& files, const std::string& firstType, double firstRate = 25)
  {
    Choices.OutFileName = Output;
    JoinFiles({files, firstType, firstRate, "", {}}, Choices);
  }

  std::string JoinError(const std::vector<std::string>& files, const std::string& firstType)
  {
    return ErrorOf([&] { Join(files, firstType); });
  }

  TTempDir Dir;
  std::string Output = Dir.File("out.avi");
  TJoinChoices Choices;
  TProgressRecorder Recorder;
  TProgressRecorder::TState& Log = *Recorder.State; // what the progress dialogs of one join saw
};

std::string SmallMpeg1()
{
  return MakeMedia("driver-small.mpg", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 -f lavfi -i "
                                       "sine=duration=1 -c:v mpeg1video -c:a mp2 -shortest -f mpeg");
}

// Gray pictures 160 x 120, one byte per pixel, of the given frames of a file.
std::string GrayFrames(const std::string& fileName, int first, int second)
{
  const auto result =
      RunCommand("ffmpeg -v error -i " + ShellQuote(fileName) + " -vf 'select=eq(n\\," + std::to_string(first) +
                 ")+eq(n\\," + std::to_string(second) + ")' -fps_mode passthrough -f rawvideo -pix_fmt gray -");
  return result.Output;
}

} // namespace

TEST_F(JoinDriver, EachCopyRoadJoinsEveryFileAndKeepsOnlyVideoWhenTheSoundIsDropped)
{
  const struct {
    std::string Type, Input, Extension;
    int64_t Frames;
  } roads[] = {{"AVI", MediaSmallAvi(), ".avi", 20}, {"MPEG1", SmallMpeg1(), ".mpeg", 50}};
  Choices.JoinWORecomp = true;
  for (const auto& road : roads) {
    SCOPED_TRACE(road.Type);
    Choices.DropAudio = false;
    Output = Dir.File("out" + road.Extension);
    Join({road.Input, road.Input}, road.Type);
    EXPECT_TRUE(DecodesCleanly(Output));
    EXPECT_EQ(CountFrames(Output, "v"), road.Frames);
    EXPECT_GT(CountFrames(Output, "a"), 0);

    Choices.DropAudio = true;
    Output = Dir.File("video" + road.Extension);
    Join({road.Input, road.Input}, road.Type);
    EXPECT_EQ(CountFrames(Output, "v"), road.Frames);
    EXPECT_EQ(CountFrames(Output, "a"), -1);
  }
}

TEST_F(JoinDriver, OnlyTheFirstFileChoosesTheRoadWithoutRecompression)
{
  Choices.JoinWORecomp = true;
  // The AVI engine runs and refuses the MPEG file itself.
  const std::string aviError = JoinError({MediaSmallAvi(), SmallMpeg1()}, "AVI");
  EXPECT_FALSE(aviError.empty());
  EXPECT_EQ(aviError.find("Unable to join"), std::string::npos);

  Log.DialogsMade = 0;
  EXPECT_EQ(JoinError({SmallMpeg1(), SmallMpeg1()}, "MPEG2"), "Unable to join MPEG2 files without recompression");
  EXPECT_FALSE(FileExists(Dir.File("never.avi")));
  Output = Dir.File("never.avi");
  EXPECT_EQ(JoinError({MediaSmallAvi()}, "DirectShow"), "Unable to join DirectShow files without recompression");
  EXPECT_FALSE(FileExists(Output));
  EXPECT_EQ(Log.DialogsMade, 0);
}

TEST_F(JoinDriver, RecompressionRunsUnderTheDriversOwnProgressDialog)
{
  Choices.FrameWidth = 96;
  Choices.FrameHeight = 64;
  Choices.FrameRateText = " 12,50 ";
  Choices.DecimalSeparator = ',';
  Join({MediaSmallAvi(), SmallMpeg1()}, "AVI");
  EXPECT_TRUE(DecodesCleanly(Output));
  EXPECT_EQ(ProbeEntries(Output, "stream=width,height,r_frame_rate -select_streams v:0"), "96,64,25/2\n");
  EXPECT_NEAR(double(CountFrames(Output, "v")), 25, 2);
  EXPECT_EQ(Log.DialogsMade, 1);
  EXPECT_EQ(Log.DialogsAlive, 0);
  EXPECT_EQ(Log.Caption, "Joining...");
  EXPECT_EQ(Log.Text, "The selected files are being joined. Please wait...");
  EXPECT_TRUE(Log.Shown);
}

TEST_F(JoinDriver, CancelKeepsThePartialOutputAndIsNoFailure)
{
  // Long enough to be reported on before it ends.
  const std::string longAvi = MakeMedia("driver-long.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=60 "
                                                           "-c:v mpeg4 -q:v 5");
  Log.CancelAt = 1;
  Choices.FrameWidth = 64;
  Choices.FrameHeight = 48;
  Choices.FrameRateText = "25.00";
  EXPECT_NO_THROW(Join({longAvi}, "AVI"));
  EXPECT_GE(Log.Reports.size(), 1u);
  EXPECT_EQ(Log.DialogsAlive, 0);
  EXPECT_TRUE(DecodesCleanly(Output));
  EXPECT_LT(CountFrames(Output, "v"), 1500);
}

TEST_F(JoinDriver, RefusesFrameRateTextsThatAreNoRateBeforeWritingAnything)
{
  for (const auto& [text, message] : std::vector<std::pair<std::string, std::string>>{
           {"abc", "'abc' is not a valid floating point value"},
           {"", "'' is not a valid floating point value"},
           {"25.00", "'25.00' is not a valid floating point value"}, // the separator is ","
           {"0,00", "'0,00' is not a valid frame rate"},
           {"-5", "'-5' is not a valid frame rate"},
       }) {
    Choices.FrameRateText = text;
    Choices.DecimalSeparator = ',';
    EXPECT_EQ(JoinError({MediaSmallAvi()}, "AVI"), message);
    EXPECT_FALSE(FileExists(Output));
    EXPECT_EQ(Log.DialogsAlive, 0);
  }
  EXPECT_DOUBLE_EQ(FrameRateFromText("29.97", '.'), 29.97);
}

TEST_F(JoinDriver, NeverWritesTheOutputOverAnInput)
{
  const std::string input = Dir.File("in.avi");
  RunCommand("cp " + ShellQuote(MediaSmallAvi()) + " " + ShellQuote(input));
  const auto before = ReadWholeFile(input);
  Output = Dir.Path() + "/./in.avi";
  for (const bool copy : {true, false}) {
    Choices.JoinWORecomp = copy;
    Choices.FrameRateText = "25.00";
    EXPECT_EQ(JoinError({MediaSmallAvi(), input}, "AVI"), "The output file is one of the input files");
  }
  EXPECT_EQ(ReadWholeFile(input), before);
}

// The dialog lists Letterbox, Crop, Stretch, No resize; each must reach the engine as itself.
TEST_F(JoinDriver, ResizeIndexChoosesTheMethodTheDialogShows)
{
  // A wide white picture with a black left edge, then a small white one.
  const std::string wide = MakeMedia("driver-wide.avi", "-f lavfi -i color=white:size=320x120:rate=10:duration=1 "
                                                        "-vf drawbox=x=0:y=0:w=40:h=120:color=black:t=fill -c:v mpeg4 "
                                                        "-q:v 2");
  const std::string small = MakeMedia("driver-tiny.avi", "-f lavfi -i color=white:size=80x60:rate=10:duration=1 "
                                                         "-c:v mpeg4 -q:v 2");
  Choices.FrameWidth = 160;
  Choices.FrameHeight = 120;
  Choices.FrameRateText = "10.00";
  // Top left and top right of the wide picture, top left of the small one: black (B) or white (W).
  const std::vector<std::pair<int, std::string>> expected = {{0, "BBW"}, {1, "WWW"},  {2, "BWW"},
                                                             {3, "WWB"}, {-1, "BBW"}, {7, "BBW"}};
  for (const auto& [index, signature] : expected) {
    Choices.ResizeIndex = index;
    Output = Dir.File("resize" + std::to_string(index + 1) + ".avi");
    Join({wide, small}, "AVI");
    const std::string pixels = GrayFrames(Output, 5, 15);
    ASSERT_EQ(pixels.size(), 2u * 160 * 120) << index;
    auto shade = [&](size_t frame, int x, int y) {
      return static_cast<unsigned char>(pixels[frame * 160 * 120 + y * 160 + x]) > 128 ? 'W' : 'B';
    };
    EXPECT_EQ(std::string() + shade(0, 4, 4) + shade(0, 155, 4) + shade(1, 4, 4), signature) << index;
  }
}
