// The copy road's sound over many seams, which the real-sources table's three files do not
// reach: no sound packet left out but those a seam must leave out, no hole, and every beep with
// its flash however many files came before.
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
  int Clips;
  // Sound packets a seam may leave out: AAC's priming packet may take the place of the last
  // packet of the file before, so that the sound decoded packet after packet stays with the
  // picture.
  size_t LeftOutPerSeam = 0;
};

const char* const X264 = "-c:v libx264 -preset veryfast -bf 2 -g 15 -pix_fmt yuv420p";
const char* const Vp9 = "-c:v libvpx-vp9 -deadline realtime -cpu-used 8";

const TSoundCase SoundCases[] = {
    {"WebmVp9Opus10", "webm", "webm", Vp9, "-c:a libopus", "libvpx-vp9", 11},
    {"MkvAv1Opus5", "matroska", "mkv", "-c:v libsvtav1 -preset 12", "-c:a libopus", "libsvtav1", 6},
    {"Mp4H264Aac10", "mp4", "mp4", X264, "-c:a aac", "libx264", 11, 1},
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

class RemuxSoundCase : public testing::TestWithParam<TSoundCase> {};

} // namespace

TEST_P(RemuxSoundCase, KeepsTheSoundWithoutHolesAndEachBeepWithItsFlashOverManySeams)
{
  const TSoundCase& c = GetParam();
  if (!HasEncoder(c.Encoder))
    GTEST_SKIP() << c.Encoder << " is not installed";
  TSeamClipRecipe recipe;
  recipe.Format = c.Format;
  recipe.VideoArgs = c.VideoArgs;
  recipe.AudioArgs = c.AudioArgs;
  recipe.Seconds = 1;
  recipe.Channels = 1;
  // Two clips taken in turn: errors that a seam leaves would add up from one to the next.
  std::vector<std::string> clips;
  for (int i = 0; i < c.Clips; ++i)
    clips.push_back(MakeSeamClip(std::string(c.Name) + std::to_string(i % 2) + "." + c.Ext, recipe));
  TTempDir dir;
  const std::string out = dir.File(std::string("joined.") + c.Ext);
  std::string command = ShellQuote(CliPath()) + " join --copy -o " + ShellQuote(out);
  for (const std::string& clip : clips)
    command += " " + ShellQuote(clip);
  const auto result = RunCommand(command);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(out, &errors)) << errors;

  std::vector<std::string> hashes;
  for (const std::string& clip : clips) {
    for (const TAudioPacket& packet : AudioPackets(clip))
      hashes.push_back(packet.Hash);
  }
  const std::vector<TAudioPacket> joined = AudioPackets(out);
  for (size_t i = 1; i < joined.size(); ++i) {
    EXPECT_LE(joined[i].Start - joined[i - 1].End, 0.005) << "hole after the sound packet at " << joined[i - 1].Start;
  }
  EXPECT_LE(joined.size(), hashes.size());
  EXPECT_GE(joined.size() + c.LeftOutPerSeam * (clips.size() - 1), hashes.size());
  if (c.LeftOutPerSeam == 0) {
    std::vector<std::string> joinedHashes;
    for (const TAudioPacket& packet : joined)
      joinedHashes.push_back(packet.Hash);
    EXPECT_EQ(joinedHashes, hashes);
  }

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), clips.size());
  for (const TSeamOffset& seam : seams)
    EXPECT_LE(std::fabs(seam.Offset), 0.030) << "flash at " << seam.FlashTime;
}

INSTANTIATE_TEST_SUITE_P(SoundKinds, RemuxSoundCase, testing::ValuesIn(SoundCases),
                         [](const testing::TestParamInfo<TSoundCase>& info) { return std::string(info.param.Name); });
