#include "platform/Compressors.h"
#include "platform/OutputContainer.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <set>

namespace {

std::vector<std::string> ShortNames(const std::vector<TCompressorEntry>& entries)
{
  std::vector<std::string> names;
  for (const TCompressorEntry& entry : entries)
    names.push_back(entry.Moniker->EncoderName);
  return names;
}

// A few frames (or a moment of sound) of the recompressing join's input through the encoder into
// an AVI file, which must then decode without a complaint.
void ExpectEncodesIntoAvi(const TCompressorEntry& entry, const TTempDir& dir)
{
  const std::string& name = entry.Moniker->EncoderName;
  const std::string output = dir.File(name + ".avi");
  const std::string input = entry.Moniker->Audio ? "-f lavfi -i sine=duration=0.3 -ar 44100 -ac 2 -c:a "
                                                 : "-f lavfi -i testsrc=size=320x240:rate=25 -frames:v 3 -c:v ";
  const auto encode = RunCommand("ffmpeg -nostdin -v error -y " + input + ShellQuote(name) + " " + ShellQuote(output));
  EXPECT_EQ(encode.ExitCode, 0) << entry.FriendlyName << ": " << encode.Errors;
  EXPECT_TRUE(DecodesCleanly(output)) << entry.FriendlyName;
}

} // namespace

TEST(Compressors, ListsEachKindOnceWithTheCommonEncodersFirst)
{
  for (const bool audio : {false, true}) {
    const auto entries = ListCompressorCategory(audio);
    ASSERT_FALSE(entries.empty());
    const auto names = ShortNames(entries);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    EXPECT_EQ(names.front(), audio ? "libmp3lame" : "mpeg4");
    for (const TCompressorEntry& entry : entries) {
      EXPECT_EQ(entry.Moniker->Audio, audio);
      EXPECT_TRUE(entry.FriendlyName.ends_with(" (" + entry.Moniker->EncoderName + ")")) << entry.FriendlyName;
    }
    EXPECT_EQ(ShortNames(ListCompressorCategory(audio)), names); // stable
  }
  const auto video = ShortNames(ListCompressorCategory(false));
  for (const char* absent : {"h264_vaapi", "h264_nvenc", "h264_v4l2m2m", "rawvideo"})
    EXPECT_EQ(std::count(video.begin(), video.end(), absent), 0) << absent;
  EXPECT_EQ(ListCompressorCategory(false).front().FriendlyName, "MPEG-4 part 2 (mpeg4)");
}

TEST(Compressors, FindsByDisplayOrShortNameWhatTheListHoldsAndNothingElse)
{
  for (const bool audio : {false, true}) {
    const auto entries = ListCompressorCategory(audio);
    for (const TCompressorEntry& entry : {entries.front(), entries.back()}) {
      for (const std::string& name : {entry.FriendlyName, entry.Moniker->EncoderName}) {
        const TCompressorMonikerPtr found = FindCompressor(audio, name);
        ASSERT_NE(found, nullptr) << name;
        EXPECT_EQ(found->EncoderName, entry.Moniker->EncoderName) << name;
        EXPECT_EQ(found->Audio, audio) << name;
      }
    }
  }
  // The other kind, encoders the list leaves out, and names that are only near a listed one.
  for (const char* name : {"libmp3lame", "rawvideo", "h264_vaapi", "MPEG-4 part 2", "MPEG4", "", "nosuch"})
    EXPECT_EQ(FindCompressor(false, name), nullptr) << name;
  for (const char* name : {"mpeg4", "MP2 (MPEG audio layer 2)", "mp2 "})
    EXPECT_EQ(FindCompressor(true, name), nullptr) << name;
  // Other containers carry what AVI cannot; the AVI join refuses it.
  for (const char* name : {"flac", "dfpwm"}) {
    EXPECT_NE(FindCompressor(true, name), nullptr) << name;
    EXPECT_NE(CarryProblem(ContainerOfFile("x.avi"), true, name), "") << name;
  }
}

TEST(Compressors, EveryListedEncoderWritesAnAviThatDecodes)
{
  TTempDir dir;
  for (const bool audio : {false, true})
    for (const TCompressorEntry& entry : ListCompressorCategory(audio))
      ExpectEncodesIntoAvi(entry, dir);
}

TEST(Compressors, EachBindMakesANewFilterForTheEncoder)
{
  const TCompressorMoniker moniker("mp2", true);
  const auto first = moniker.BindToObject();
  first->Options["b"] = "192k";
  const auto second = moniker.BindToObject();
  EXPECT_NE(first, second);
  EXPECT_EQ(second->EncoderName, "mp2");
  EXPECT_TRUE(second->Audio);
  EXPECT_TRUE(second->Options.empty());
}
