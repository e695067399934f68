#include "support/PacketProbe.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

// `reelweld-cli join` writes the container the output's name asks for.
namespace {

std::string Output(const std::string& arguments)
{
  return RunCommand(arguments).Output;
}

// Three unlike inputs of 0.4 s each: AVI 640x480 with sound, MPEG-1 352x288 at 29.97 fps
// with sound, H.264 1280x720 at 30 fps without.
std::vector<std::string> UnlikeInputs()
{
  return {
      MakeMedia("box-a4.avi", "-f lavfi -i testsrc=size=640x480:rate=25:duration=0.4 -f lavfi -i sine=duration=0.4 "
                              "-c:v mpeg4 -c:a mp2 -ar 44100 -ac 2"),
      MakeMedia("box-b4.mpg", "-f lavfi -i testsrc=size=352x288:rate=30000/1001:duration=0.4 -f lavfi "
                              "-i sine=frequency=660:duration=0.4 -c:v mpeg1video -c:a mp2 -ar 44100 -f mpeg"),
      MakeMedia("box-c4.mp4", "-f lavfi -i testsrc2=size=1280x720:rate=30:duration=0.4 -c:v libx264 -preset ultrafast "
                              "-pix_fmt yuv420p"),
  };
}

TCommandResult Join(const std::string& output, const std::string& options, const std::vector<std::string>& files)
{
  return RunCliJoin("--recompress " + options, output, files);
}

} // namespace

TEST(CliContainers, WritesEachContainerWithItsUsualEncoders)
{
  struct TCase {
    std::string Name;
    std::string Options;
    std::string Codecs;  // video then audio, as ffprobe names them
    std::string Colours; // pix_fmt,color_range,color_space,color_transfer,color_primaries
  };
  const TCase cases[] = {
      {"out.mp4", "--size 1280x720 --fps 25", "h264\naac\n", "yuv420p,tv,bt709,bt709,bt709\n"},
      {"out.mov", "--size 320x240 --fps 25 --preset ultrafast", "h264\naac\n",
       "yuv420p,tv,smpte170m,unknown,unknown\n"},
      {"out.mkv", "--size 320x240 --fps 25 --vcodec libx265 --acodec libopus --quality 30", "hevc\nopus\n",
       "yuv420p,tv,smpte170m,unknown,unknown\n"},
      {"out.webm", "--size 320x240 --fps 25", "vp9\nopus\n", "yuv420p,tv,smpte170m,unknown,unknown\n"},
  };
  TTempDir dir;
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    const std::string out = dir.File(test.Name);
    const auto result = Join(out, test.Options, UnlikeInputs());
    ASSERT_EQ(result.ExitCode, 0) << result.Errors;
    EXPECT_TRUE(DecodesCleanly(out));
    EXPECT_EQ(ProbeEntries(out, "stream=codec_name"), test.Codecs);
    EXPECT_EQ(
        ProbeEntries(out, "stream=pix_fmt,color_range,color_space,color_transfer,color_primaries -select_streams v"),
        test.Colours);
    // 0.4 + 12/29.97 + 0.4 s: 31 pictures start within it at 25 fps; the sound lasts as long.
    EXPECT_EQ(ProbeEntries(out, "stream=nb_read_frames -count_frames -select_streams v"), "31\n");
    EXPECT_NEAR(std::stod(ProbeEntries(out, "format=duration")), 1.24, 0.03);
  }
  // An MP4 name without encoders given is H.264 at CRF 20, "medium", with AAC at 192 kbit/s:
  // x264 writes its settings into the stream.
  const std::vector<uint8_t> bytes = ReadWholeFile(dir.File("out.mp4"));
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("crf=20.0"), std::string::npos);
  EXPECT_NE(text.find("subme=7"), std::string::npos); // medium's
  EXPECT_EQ(ProbeEntries(dir.File("out.mp4"), "stream=channels -select_streams a"), "2\n");
}

TEST(CliContainers, KeepsTheShapeAndTheFullColourOfTheSource)
{
  // 720x576 shown at 16:9, colour for every pixel: white, with no bars of its own.
  const std::string wide = MakeMedia("anamorphic.mkv", "-f lavfi -i color=white:size=720x576:rate=25:duration=0.2 "
                                                       "-vf setsar=64/45 -c:v libx264 -preset ultrafast "
                                                       "-pix_fmt yuv444p");
  TTempDir dir;
  const std::string out = dir.File("boxed.mkv");
  const auto result = Join(out, "--size 640x480 --fps 25 --resize letterbox", {wide});
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  EXPECT_EQ(ProbeEntries(out, "stream=pix_fmt -select_streams v"), "yuv444p\n");
  const std::string picture =
      Output("ffmpeg -nostdin -v error -i " + ShellQuote(out) + " -frames:v 1 -f rawvideo -pix_fmt gray -");
  ASSERT_EQ(picture.size(), 640u * 480u);
  auto luma = [&](int x, int y) { return int(uint8_t(picture[size_t(y) * 640 + x])); };
  // 16:9 in 4:3: 640x360 between bars of 60 rows; read as square pixels it would have had
  // pillars of 20 columns and no bars.
  for (const int y : {5, 55, 424, 474})
    EXPECT_LT(luma(320, y), 30) << "row " << y;
  for (const auto& [x, y] : {std::pair{5, 240}, {634, 240}, {320, 70}, {320, 410}})
    EXPECT_GT(luma(x, y), 220) << x << "," << y;
}

TEST(CliContainers, RefusesWhatCannotBeWrittenBeforeTouchingTheOutput)
{
  struct TCase {
    std::string Name;
    std::string Options;
    std::string Error;
  };
  const TCase cases[] = {
      {"keep.mp4", "--vcodec wmv2", "Join fails: MP4 files cannot carry Windows Media Video 8 (wmv2)\n"},
      {"keep.webm", "--acodec aac", "Join fails: WebM files cannot carry AAC (aac)\n"},
      {"keep.mp4", "--vcodec mpeg4 --acodec No-compressing", "Join fails: MP4 files cannot carry uncompressed sound\n"},
      {"keep.mkv", "--size 321x240", "Join fails: libx264 cannot encode a frame width of 321: it must be even\n"},
      {"keep.mkv", "--vcodec mpeg1video --fps 7",
       "Join fails: mpeg1video cannot encode this output: MPEG-1/2 does not support 7/1 fps\n"},
      {"keep.mp4", "--quality 52", "Join fails: '52' is not a quality of libx264; it takes 0 to 51\n"},
      {"keep.avi", "--vcodec mpeg4 --preset fast", "Join fails: mpeg4 has no preset setting\n"},
      {"keep.mp4", "--vopt no_such_setting=1", "Join fails: libx264 has no setting named no_such_setting\n"},
  };
  TTempDir dir;
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name + " " + test.Options);
    const std::string out = dir.File(test.Name);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteWholeFile(out, old);
    const auto result = Join(out, "-y " + test.Options, {MediaSmallAvi()});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Errors, test.Error);
    EXPECT_EQ(ReadWholeFile(out), old);
  }
}
