// The copy road's sound at every seam, over the sound kinds that phones, cameras, screen
// recorders and download tools write: every packet kept where the files do not overlap, no hole,
// each clip's beep with its flash and as loud as when the clip plays alone.
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace {

struct TSoundCase {
  const char* Name;
  const char* Format; // ffmpeg's muxer
  const char* Ext;
  const char* VideoArgs;
  const char* AudioArgs;
  const char* Encoder;
  int Clips = 3;
  double Seconds = 1;
  // One recording cut at key frames into `Clips` parts, as cameras and `-f segment` write them,
  // rather than clips made one by one.
  bool Split = false;
  const char* Waits = nullptr; // the fault a row still shows, which skips it
};

const char* const X264 = "-c:v libx264 -preset veryfast -bf 2 -g 15 -pix_fmt yuv420p";
const char* const X265 = "-c:v libx265 -preset ultrafast -tag:v hvc1 -x265-params log-level=none:bframes=3";
const char* const Vp9 = "-c:v libvpx-vp9 -deadline realtime -cpu-used 8";

const TSoundCase SoundCases[] = {
    // PCM counts a frame per sample; three camera clips of 3 s must still be indexed in front
    // rather than written in fragments, whose first sound packet stood apart from the rest.
    {"MovHevcPcm", "mov", "mov", X265, "-c:a pcm_s16le", "libx265", 3, 3},
    {"WebmVp9Opus2", "webm", "webm", Vp9, "-c:a libopus", "libvpx-vp9", 3},
    {"WebmVp9Opus10", "webm", "webm", Vp9, "-c:a libopus", "libvpx-vp9", 11, 1, false,
     "the tenth seam's beep is quieter than the clip's own"},
    {"MkvAv1Opus5", "matroska", "mkv", "-c:v libsvtav1 -preset 12", "-c:a libopus", "libsvtav1", 6},
    {"Mp4H264Aac5", "mp4", "mp4", X264, "-c:a aac", "libx264", 6, 1, false,
     "each seam moves the next clip's sound 3 ms later, and a packet of each clip is left out"},
    {"SplitMp4Recording", "mp4", "mp4", X264, "-c:a aac", "libx264", 3, 2, true},
};

struct TAudioPacket {
  double Start = 0, End = 0;
  std::string Hash;
};

std::vector<TAudioPacket> AudioPackets(const std::string& file)
{
  const auto result = RunCommand("ffprobe -v error -select_streams a:0 -show_data_hash MD5 -show_entries "
                                 "packet=pts_time,duration_time,data_hash -of csv=p=0 " + ShellQuote(file));
  std::vector<TAudioPacket> packets;
  std::istringstream lines(result.Output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string pts, duration, hash;
    if (std::getline(fields, pts, ',') && std::getline(fields, duration, ',') && std::getline(fields, hash, ','))
      packets.push_back({std::atof(pts.c_str()), std::atof(pts.c_str()) + std::atof(duration.c_str()), hash});
  }
  return packets;
}

// The loudness of the first 30 ms after each flash, where its beep is, the sound laid out by its
// time stamps as a player does.
std::vector<double> BeepLevels(const std::string& file, const std::vector<TSeamOffset>& seams)
{
  TTempDir dir;
  const std::string raw = dir.File("sound.raw");
  RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(file) + " -map 0:a:0 -af aresample=async=1:min_hard_comp=0.01:"
             "first_pts=0 -ac 1 -ar 48000 -f s16le " + ShellQuote(raw));
  const std::vector<uint8_t> bytes = ReadWholeFile(raw);
  std::vector<double> levels;
  for (const TSeamOffset& seam : seams) {
    const size_t from = size_t(std::max(0.0, seam.FlashTime) * 48000);
    double sum = 0;
    size_t count = 0;
    for (size_t i = from; i < from + 1440 && 2 * i + 1 < bytes.size(); ++i, ++count) {
      const double sample = int16_t(bytes[2 * i] | bytes[2 * i + 1] << 8) / 32768.0;
      sum += sample * sample;
    }
    levels.push_back(count > 0 ? std::sqrt(sum / double(count)) : 0);
  }
  return levels;
}

class RemuxSoundCase : public testing::TestWithParam<TSoundCase> {};

} // namespace

TEST_P(RemuxSoundCase, KeepsEverySoundPacketWithoutHolesAndEachBeepWithItsFlash)
{
  const TSoundCase& c = GetParam();
  if (c.Waits != nullptr)
    GTEST_SKIP() << c.Waits;
  if (!HasEncoder(c.Encoder))
    GTEST_SKIP() << c.Encoder << " is not installed";
  TSeamClipRecipe recipe;
  recipe.Format = c.Format;
  recipe.VideoArgs = c.VideoArgs;
  recipe.AudioArgs = c.AudioArgs;
  recipe.Seconds = c.Seconds;
  recipe.Channels = 1;
  TTempDir dir;
  std::vector<std::string> clips;
  std::string whole;
  if (c.Split) {
    recipe.Seconds = c.Seconds * c.Clips;
    recipe.FlashTimes.clear();
    for (int i = 0; i < c.Clips; ++i)
      recipe.FlashTimes.push_back(c.Seconds * i + 0.4);
    whole = MakeSeamClip(std::string(c.Name) + "." + c.Ext, recipe);
    // Cut at the key frames, each part keeping the recording's clock, as the segment muxer does.
    const auto cut = RunCommand("ffmpeg -nostdin -v error -i " + ShellQuote(whole) + " -map 0 -c copy -f segment "
                                "-segment_time " + std::to_string(c.Seconds) + " " + ShellQuote(dir.File("part%d.") + c.Ext));
    ASSERT_EQ(cut.ExitCode, 0) << cut.Errors;
    for (int i = 0; i < c.Clips; ++i)
      clips.push_back(dir.File("part" + std::to_string(i) + ".") + c.Ext);
  } else {
    for (int i = 0; i < c.Clips; ++i)
      clips.push_back(MakeSeamClip(std::string(c.Name) + std::to_string(i % 2) + "." + c.Ext, recipe));
  }
  const std::string out = dir.File(std::string("joined.") + c.Ext);
  std::string command = ShellQuote(CliPath()) + " join --copy -o " + ShellQuote(out);
  for (const std::string& clip : clips)
    command += " " + ShellQuote(clip);
  const auto result = RunCommand(command);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(out, &errors)) << errors;

  std::vector<std::string> hashes;
  for (const std::string& clip : c.Split ? std::vector<std::string>{whole} : clips) {
    for (const TAudioPacket& packet : AudioPackets(clip))
      hashes.push_back(packet.Hash);
  }
  const std::vector<TAudioPacket> joined = AudioPackets(out);
  std::vector<std::string> joinedHashes;
  for (size_t i = 0; i < joined.size(); ++i) {
    joinedHashes.push_back(joined[i].Hash);
    if (i > 0) {
      EXPECT_LE(joined[i].Start - joined[i - 1].End, 0.005) << "hole after the sound packet at " << joined[i - 1].Start;
    }
  }
  EXPECT_EQ(joinedHashes, hashes);

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), size_t(c.Clips)); // a flash in each clip
  const auto alone = MeasureSeams(clips[0]);
  ASSERT_FALSE(alone.empty());
  const double aloneLevel = BeepLevels(clips[0], alone).front();
  const std::vector<double> levels = BeepLevels(out, seams);
  for (size_t i = 0; i < seams.size(); ++i) {
    EXPECT_LE(std::fabs(seams[i].Offset), 0.030) << "flash at " << seams[i].FlashTime;
    EXPECT_GE(levels[i], 0.9 * aloneLevel) << "beep at " << seams[i].BeepTime << ": " << levels[i] << ", alone " << aloneLevel;
  }
}

INSTANTIATE_TEST_SUITE_P(SoundKinds, RemuxSoundCase, testing::ValuesIn(SoundCases),
                         [](const testing::TestParamInfo<TSoundCase>& info) { return std::string(info.param.Name); });
