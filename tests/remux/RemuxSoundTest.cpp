// The copy road's sound over many seams, which the real-sources table's three files do not
// reach: no more sound packets left out than a seam must, no hole, and every beep with its flash
// however many files came before.
#include "support/EncoderCase.h"
#include "support/PacketProbe.h"
#include "support/SeamCheck.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TSoundCase {
  const char* Name;
  const char* Format; // ffmpeg's muxer
  const char* Ext;
  const char* VideoArgs;
  const char* AudioArgs;
  const char* Encoder;
  int Clips;
  // Sound packets a seam may leave out. The next file's priming packet takes the place of the
  // last packet of the file before (for Opus the one whose padding its decoder drops), so that
  // the sound decoded packet after packet stays with the picture; AAC's may take two.
  size_t LeftOutPerSeam;
};

const char* const X264 = "-c:v libx264 -preset veryfast -bf 2 -g 15 -pix_fmt yuv420p";
const char* const Vp9 = "-c:v libvpx-vp9 -deadline realtime -cpu-used 8";

const TSoundCase SoundCases[] = {
    {"WebmVp9Opus10", "webm", "webm", Vp9, "-c:a libopus", "libvpx-vp9", 11, 1},
    {"MkvAv1Opus5", "matroska", "mkv", "-c:v libsvtav1 -preset 12", "-c:a libopus", "libsvtav1", 6, 1},
    {"Mp4H264Aac10", "mp4", "mp4", X264, "-c:a aac", "libx264", 11, 2},
};

// The first sound stream's packets, in file order.
std::vector<TProbePacket> SoundPackets(const TProbe& probe)
{
  std::vector<TProbePacket> packets;
  for (const TProbePacket& packet : probe.Packets)
    if (packet.Stream == probe.FirstOfKind("audio"))
      packets.push_back(packet);
  return packets;
}

class RemuxSoundCase : public TEncoderCase<TSoundCase> {};

} // namespace

TEST_P(RemuxSoundCase, KeepsTheSoundWithoutHolesAndEachBeepWithItsFlashOverManySeams)
{
  const TSoundCase& c = GetParam();
  const TSeamClipRecipe recipe{.Format = c.Format, .VideoArgs = c.VideoArgs, .AudioArgs = c.AudioArgs, .Seconds = 1,
                               .Channels = 1};
  // Two clips taken in turn: errors that a seam leaves would add up from one to the next.
  std::vector<std::string> clips;
  for (int i = 0; i < c.Clips; ++i)
    clips.push_back(MakeSeamClip(std::string(c.Name) + std::to_string(i % 2) + "." + c.Ext, recipe));
  TTempDir dir;
  const std::string out = dir.File(std::string("joined.") + c.Ext);
  const auto result = RunCliJoin("--copy", out, clips);
  ASSERT_EQ(result.ExitCode, 0) << result.Errors;
  std::string errors;
  EXPECT_TRUE(DecodesCleanly(out, &errors)) << errors;

  size_t packets = 0;
  for (const std::string& clip : clips)
    packets += SoundPackets(Probe(clip)).size();
  const TProbe probe = Probe(out);
  const std::vector<TProbePacket> joined = SoundPackets(probe);
  EXPECT_LE(probe.LargestHole(probe.FirstOfKind("audio")), 0.005);
  EXPECT_LE(joined.size(), packets);
  EXPECT_GE(joined.size() + c.LeftOutPerSeam * (clips.size() - 1), packets);

  const auto seams = MeasureSeams(out);
  ASSERT_EQ(seams.size(), clips.size());
  for (const TSeamOffset& seam : seams)
    EXPECT_LE(std::fabs(seam.Offset), 0.030) << "flash at " << seam.FlashTime;
}

INSTANTIATE_TEST_SUITE_P(SoundKinds, RemuxSoundCase, testing::ValuesIn(SoundCases),
                         [](const testing::TestParamInfo<TSoundCase>& info) { return std::string(info.param.Name); });
