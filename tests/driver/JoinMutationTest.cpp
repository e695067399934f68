#include "core/DescribeFiles.h"
#include "core/JoinCls.h"
#include "core/JoinDecisions.h"
#include "core/SaveProjectCls.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <random>

// Damaged inputs of every format joined the way the file list would join them, over an existing
// output: a join may fail, with the program's own message, but never crashes, never touches the
// old output when it fails, never leaves a temporary file and never writes without bound.
// REELWELD_MUTANTS sets the number of mutants per format (scripts/mutation-run.sh runs many).
namespace {

namespace fs = std::filesystem;

int MutantsPerFormat()
{
  const char* count = std::getenv("REELWELD_MUTANTS");
  return count != nullptr ? std::max(1, std::atoi(count)) : 50;
}

struct TFormat {
  const char* Name;
  const char* Arguments; // for ffmpeg, after the test pictures and sound
};

const TFormat Formats[] = {
    {"mutant.mp4", "-c:v libx264 -preset ultrafast -g 5 -c:a aac"},
    {"mutant.mov", "-c:v libx264 -preset ultrafast -g 5 -c:a aac"},
    {"mutant.mkv", "-c:v libx264 -preset ultrafast -g 5 -c:a aac"},
    {"mutant.webm", "-c:v libvpx-vp9 -deadline realtime -g 5 -c:a libopus"},
    {"mutant.ts", "-c:v libx264 -preset ultrafast -g 5 -c:a aac"},
    {"mutant.avi", "-c:v mpeg4 -g 5 -c:a libmp3lame"},
    {"mutant.mpg", "-c:v mpeg1video -g 5 -c:a mp2 -f mpeg"},
};

std::vector<uint8_t> Mutate(std::vector<uint8_t> Bytes, std::mt19937& Random)
{
  const auto pick = [&](size_t n) { return size_t(Random() % n); };
  // The headers and indexes, where damage does most harm, lie mostly near either end.
  const size_t span = std::min<size_t>(Bytes.size(), 2048);
  switch (pick(4)) {
  case 0:
    Bytes.resize(pick(Bytes.size()));
    break;
  case 1:
    for (int flips = 1 + int(pick(8)); flips > 0; --flips)
      Bytes[pick(span)] = uint8_t(Random());
    break;
  case 2:
    for (int flips = 1 + int(pick(8)); flips > 0; --flips)
      Bytes[Bytes.size() - 1 - pick(span)] = uint8_t(Random());
    break;
  default: { // a 32-bit field anywhere: a size, a count, a time scale, a time stamp
    const size_t at = pick(Bytes.size() - 4);
    const uint8_t fill = pick(2) == 0 ? 0x00 : 0xFF;
    std::fill(Bytes.begin() + long(at), Bytes.begin() + long(at) + 4, fill);
  }
  }
  return Bytes;
}

const std::vector<uint8_t> OldOutput = {'o', 'l', 'd'};

// Everything in the folder but the inputs, the output and a kept part: a temporary file shows.
std::vector<std::string> Leftovers(const std::string& Folder, const std::string& KeptPart)
{
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(Folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("in-", 0) != 0 && name.rfind("out.", 0) != 0 && entry.path().string() != KeptPart)
      names.push_back(name);
  }
  return names;
}

} // namespace

TEST(JoinMutation, DamagedInputsFailCleanlyKeepTheOldOutputAndStayBounded)
{
  std::mt19937 random(20261209);
  const int mutants = MutantsPerFormat();
  for (const TFormat& format : Formats) {
    SCOPED_TRACE(format.Name);
    const std::string good = MakeMedia(format.Name, std::string("-f lavfi -i testsrc=size=64x48:rate=25:duration=1 "
                                                                "-f lavfi -i sine=duration=1 -ac 1 ") +
                                                        format.Arguments);
    const std::vector<uint8_t> original = ReadWholeFile(good);
    const std::string extension = fs::path(good).extension().string();
    int joined = 0;
    for (int i = 0; i < mutants; ++i) {
      TTempDir dir;
      const std::string variant = dir.File("in-variant" + extension);
      WriteWholeFile(variant, Mutate(original, random));
      const std::vector<std::string> names = {good, variant};
      auto described = DescribeFiles(names);
      if (!described[1].Info)
        continue; // refused as the file list would refuse it
      std::vector<TVideoFileInfo*> entries = {described[0].Info.get(), described[1].Info.get()};
      MarkDifferences(entries);
      const TJoinFacts facts = ComputeJoinFacts({entries.begin(), entries.end()});
      TJoinChoices choices;
      // Every fourth one recompressed, where damaged time stamps could run away.
      choices.JoinWORecomp = DefaultJoinWORecomp(facts) && i % 4 != 0;
      choices.OutFileName = dir.File("out" + std::string(choices.JoinWORecomp ? extension : ".avi"));
      choices.FrameWidth = 32;
      choices.FrameHeight = 24;
      choices.FrameRateText = "10";
      choices.DropAudio = facts.DropAudio;
      WriteWholeFile(choices.OutFileName, OldOutput);
      const TVideoFileInfo& first = *described[0].Info;
      SCOPED_TRACE("mutant " + std::to_string(i) + (choices.JoinWORecomp ? " copied" : " recompressed"));
      std::string kept;
      try {
        const TJoinOutcome outcome =
            JoinFiles({names, first.TypeName, first.FrameRate, first.CopyFormat.Container, {}}, choices);
        ++joined;
        // The inputs last 2 s as described; a runaway clock would make minutes of them.
        EXPECT_LE(outcome.SecondsWritten, 2 * (first.Duration + described[1].Info->Duration) + 2);
        if (choices.JoinWORecomp) { // a copy holds no more than its inputs and the room kept for an index
          EXPECT_LE(fs::file_size(choices.OutFileName), 2 * (original.size() + original.size()) + (1 << 20));
        }
      } catch (const EJoinFailed& e) {
        EXPECT_EQ(ReadWholeFile(choices.OutFileName), OldOutput) << e.what();
        kept = e.Outcome.KeptPart;
        EXPECT_EQ(kept.empty(), std::string(e.what()).find(" is kept as ") == std::string::npos) << e.what();
        if (!kept.empty() && choices.JoinWORecomp) {
          EXPECT_LE(fs::file_size(kept), 2 * (original.size() + original.size()) + (1 << 20));
        }
      } catch (const Exception& e) { // refused before anything was written
        EXPECT_EQ(ReadWholeFile(choices.OutFileName), OldOutput) << e.what();
      }
      EXPECT_EQ(Leftovers(dir.Path(), kept), std::vector<std::string>{});
    }
    EXPECT_GT(joined, 0);
  }
}

// A project file that damage reaches reads as its paths or as "The project file is corrupted",
// and never yields a path with a control character in it.
TEST(JoinMutation, DamagedProjectFilesReadCleanly)
{
  TTempDir dir;
  std::mt19937 random(20261210);
  TProjectSettings saved;
  saved.SetFiles({"/home/me/Videos/holiday 1.mp4", "/home/me/Videos/it's été.mkv", "C:\\clips\\a.avi"});
  const std::string project = dir.File("p.qrw");
  saved.SaveToFile(project);
  const std::vector<uint8_t> original = ReadWholeFile(project);
  for (int i = 0; i < MutantsPerFormat(); ++i) {
    const std::string variant = dir.File("v.qrw");
    WriteWholeFile(variant, Mutate(original, random));
    TProjectSettings loaded;
    try {
      loaded.LoadFromFile(variant);
    } catch (const Exception& e) {
      EXPECT_EQ(std::string(e.what()), "The project file is corrupted");
      continue;
    }
    for (const std::string& path : loaded.Files())
      for (const char c : path)
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7F) << "mutant " << i;
  }
}
