#include "platform/FileIO.h"
#include "support/EncoderCase.h"
#include "support/PacketProbe.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TContainerCase {
  const char* Name;
  const char* Format;    // ffmpeg's muxer, and the extension of the inputs and the output
  const char* VideoArgs;
  const char* AudioArgs;
  const char* Encoder; // an encoder the row needs, or none
  bool Sound = true;   // the inputs' sound differs from clip to clip: short, long and late
  const char* Retag = ""; // metadata given to the clips afterwards, as a phone writes it
  bool WholePackets = true; // PCM is read and written in packets of any length
};

const char* const X264 = "-c:v libx264 -preset veryfast -bf 2 -g 25 -pix_fmt yuv420p";

const TContainerCase ContainerCases[] = {
    {"Mp4H264Aac", "mp4", X264, "-c:a aac", "libx264"},
    {"MovHevcAac", "mov", "-c:v libx265 -preset ultrafast -tag:v hvc1 -x265-params log-level=none", "-c:a aac",
     "libx265"},
    {"WebmVp9Opus", "webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8", "-c:a libopus", "libvpx-vp9"},
    {"MkvAv1Opus", "matroska", "-c:v libsvtav1 -preset 12", "-c:a libopus", "libsvtav1"},
    {"TsH264Aac", "mpegts", X264, "-c:a aac", "libx264"},
    // As cameras write: PCM in MOV plays sample after sample, so its holes must be filled.
    {"MovH264Pcm", "mov", X264, "-c:a pcm_s16le", "libx264", true, "", false},
    {"RotatedPhoneMp4", "mp4", X264, "-c:a aac", "libx264", false,
     "-metadata:s:v:0 rotate=90 -metadata creation_time=2024-05-01T10:00:00Z -metadata:s:a:0 language=fra"},
};

std::string Extension(const TContainerCase& c)
{
  const std::string format = c.Format;
  return format == "matroska" ? "mkv" : format == "mpegts" ? "ts" : format;
}

class RemuxJoinCase : public TEncoderCase<TContainerCase> {};

} // namespace

TEST_P(RemuxJoinCase, CopiesEveryPacketOnOneClockWithSoundAtEverySeam)
{
  const TContainerCase& c = GetParam();
  const std::string ext = Extension(c);
  std::vector<std::string> clips;
  for (int i = 0; i < 3; ++i) {
    TSeamClipRecipe recipe{.Format = c.Format, .VideoArgs = c.VideoArgs, .AudioArgs = c.AudioArgs, .Channels = 1};
    if (c.Sound && i == 0)
      recipe.AudioSeconds = 1.5; // a hole before the next clip
    if (c.Sound && i == 1)
      recipe.AudioSeconds = 2.4; // runs into the next clip
    if (c.Sound && i == 2) {
      // The sound starts late; its beep comes with a later flash.
      recipe.AudioDelay = 0.2;
      recipe.FlashTimes = {0.5};
    }
    const std::string name = std::string(c.Name) + std::to_string(i) + "." + ext;
    clips.push_back(MakeSeamClip(name, recipe));
    if (*c.Retag != '\0')
      clips.back() = MakeMedia("tagged-" + name, "-i " + ShellQuote(clips.back()) + " -map 0 -c copy " + c.Retag);
  }
  TTempDir dir;
  const std::string out = dir.File("joined." + ext);
  // Without --copy: files of one format are joined without recompression by default.
  const auto result = RunCliJoin("", out, clips);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  if (c.Sound) {
    // The mended seams are told: the first clip's sound ends early, the second's runs on.
    const std::string name0 = std::string(c.Name) + "0." + ext + ": the sound is ";
    const std::string name1 = std::string(c.Name) + "1." + ext + ": the sound is ";
    EXPECT_NE(result.Errors.find(name0), std::string::npos) << result.Errors;
    EXPECT_NE(result.Errors.find("shorter than the picture", result.Errors.find(name0)), std::string::npos);
    EXPECT_NE(result.Errors.find(name1), std::string::npos) << result.Errors;
    EXPECT_NE(result.Errors.find("longer than the picture", result.Errors.find(name1)), std::string::npos);
  }

  std::vector<std::string> hashes;
  double length = 0;
  size_t audioPackets = 0;
  for (const std::string& clip : clips) {
    const TProbe own = Probe(clip);
    hashes.insert(hashes.end(), own.VideoHashes.begin(), own.VideoHashes.end());
    length += own.VideoLength;
    audioPackets += own.AudioPackets;
  }
  const TProbe first = Probe(clips[0]);
  const TProbe joined = Probe(out);
  ASSERT_FALSE(hashes.empty());
  EXPECT_EQ(joined.VideoHashes, hashes);
  EXPECT_TRUE(joined.DtsRise);
  EXPECT_NEAR(joined.VideoLength, length, 0.04 + 1e-6);
  // Whole packets of sound go only where a clip's sound runs past the next one's start.
  if (c.WholePackets) {
    EXPECT_LE(joined.AudioPackets, audioPackets);
    EXPECT_GE(joined.AudioPackets + (c.Sound ? 25 : 2), audioPackets);
  }
  EXPECT_TRUE(DecodesCleanly(out));
  EXPECT_EQ(joined.Rotation, first.Rotation);
  if (*c.Retag != '\0') {
    EXPECT_EQ(joined.Rotation, "90");
  }
  EXPECT_EQ(joined.Language, first.Language);
  EXPECT_EQ(joined.CreationTime, first.CreationTime);

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), 3u);
  for (const TSeamOffset& seam : seams)
    EXPECT_LE(std::fabs(seam.Offset), 0.045) << "flash at " << seam.FlashTime;
}

INSTANTIATE_TEST_SUITE_P(Containers, RemuxJoinCase, testing::ValuesIn(ContainerCases),
                         [](const testing::TestParamInfo<TContainerCase>& info) { return std::string(info.param.Name); });

TEST(RemuxJoin, RefusesUnlikeFilesNamingTheFileAndTheDifference)
{
  const std::string base = "-f lavfi -i testsrc=s=160x120:r=25:d=1 -f lavfi -i sine=r=48000:d=1 ";
  const std::string first = MakeMedia("unlike-first.mp4", base + X264 + " -c:a aac");
  const struct {
    const char* Name;
    std::string Arguments;
    const char* Words;
  } cases[] = {
      {"unlike-size.mp4", "-f lavfi -i testsrc=s=320x240:r=25:d=1 -f lavfi -i sine=r=48000:d=1 " + std::string(X264) + " -c:a aac",
       "unlike-size.mp4: 320x240 H.264; the first file is 160x120 H.264"},
      {"unlike-codec.mp4", base + "-c:v mpeg4 -c:a aac", "unlike-codec.mp4: 160x120 MPEG4; the first file is 160x120 H.264"},
      {"unlike-rate.mp4", "-f lavfi -i testsrc=s=160x120:r=25:d=1 -f lavfi -i sine=r=44100:d=1 " + std::string(X264) + " -c:a aac",
       "unlike-rate.mp4: 44100 Hz mono AAC; the first file has 48000 Hz mono AAC"},
      {"unlike-kind.avi", base + "-c:v mpeg4 -c:a mp2", "unlike-kind.avi: AVI:FMP4 file; the first file is MP4:H264"},
  };
  TTempDir dir;
  for (const auto& c : cases) {
    const std::string other = MakeMedia(c.Name, c.Arguments);
    const std::string out = dir.File("out.mp4");
    const auto result = RunCliJoin("--copy", out, {first, other});
    EXPECT_EQ(result.ExitCode, 1) << c.Name;
    EXPECT_NE(result.Errors.find(c.Words), std::string::npos) << result.Errors;
    EXPECT_FALSE(FileExists(out)) << c.Name;
  }
}
