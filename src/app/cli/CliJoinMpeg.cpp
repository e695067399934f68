#include "app/cli/CliJoinRoads.h"
#include "mpeg/Pressline.h"
#include "platform/FileIO.h"

#include <algorithm>
#include <vector>

namespace {

// The frame rate of the first sequence header near the start of the file, 0 when none is found.
// It stands in for the media detector's answer, which only time-stamp correction needs.
double FirstSequenceFrameRate(const std::string& fileName)
{
  static const double rates[16] = {0, 24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
  constexpr uint32_t searchSize = 1 << 20;
  TFile file = TFile::OpenRead(fileName, TShareMode::DenyNone);
  std::vector<uint8_t> head(searchSize);
  const int32_t count = file.Read(head.data(), searchSize);
  if (count < 8)
    return 0;
  const uint8_t sequenceHeader[4] = {0x00, 0x00, 0x01, 0xB3};
  const auto end = head.begin() + count;
  const auto found = std::search(head.begin(), end, sequenceHeader, sequenceHeader + 4);
  if (end - found < 8)
    return 0;
  return rates[found[7] & 0x0F]; // frame_rate_code, after the 12-bit width and height and aspect
}

} // namespace

void JoinMpegWithoutRecompression(const TCliJoinOptions& options)
{
  TPressline pressline;
  pressline.Files = options.Files;
  pressline.OutputFileName = options.Output;
  pressline.FrameRate = FirstSequenceFrameRate(options.Files.front());
  pressline.VideoOnly = options.VideoOnly.value_or(false);
  pressline.CorrectTimeStamps = options.CorrectTimeStamps;
  pressline.Execute();
}
