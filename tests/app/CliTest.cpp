#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace {

TCommandResult Cli(const std::string& arguments)
{
  return RunCommand(ShellQuote(CliPath()) + " " + arguments);
}

} // namespace

TEST(Cli, PrintsVersionAndHelp)
{
  const auto version = Cli("--version");
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Output, "Quillon Reelweld 1.10\n");
  const auto help = Cli("--help");
  EXPECT_EQ(help.ExitCode, 0);
  for (const char* word : {"probe", "encoders", "join", "project", "--copy", "--overwrite"})
    EXPECT_NE(help.Output.find(word), std::string::npos) << word;
  EXPECT_EQ(Cli("-h").Output, help.Output);
}

TEST(Cli, HelpNamesEveryOptionTheCommandsTake)
{
  const std::string help = Cli("--help").Output;
  struct TUse {
    std::string Command;
    std::string From, To; // the part of the help that tells of the command
    std::vector<std::string> Options;
  };
  const TUse uses[] = {
      {"encoders", "  encoders", "\n", {"--audio"}},
      {"project save", "  project save", "  project list", {"-y", "--overwrite"}},
      {"join",
       "Join options",
       "Progress",
       {"-o", "--output", "--project", "--copy", "--recompress", "--video-only", "--size", "--fps", "--resize",
        "--vcodec", "--acodec", "--vopt", "--aopt", "--optimal", "--correct-timestamps", "--no-timestamp-correction",
        "-y", "--overwrite"}}};
  for (const TUse& use : uses) {
    const size_t start = help.find(use.From);
    ASSERT_NE(start, std::string::npos) << use.From;
    const std::string part = help.substr(start, help.find(use.To, start) - start);
    for (const std::string& option : use.Options) {
      EXPECT_TRUE(std::regex_search(part, std::regex("[ [,]" + option + "[\\] ,\n]"))) << use.Command << " " << option;
      // Alone, the option may be short of a value or of files, but it is known.
      const auto result = Cli(use.Command + " " + option);
      EXPECT_EQ(result.Errors.find("unknown option"), std::string::npos) << use.Command << " " << option;
    }
  }
}

TEST(Cli, RefusesMalformedCommandLinesWithUsageStatus)
{
  EXPECT_EQ(Cli("").ExitCode, 2);
  EXPECT_EQ(Cli("frobnicate").ExitCode, 2);
  EXPECT_EQ(Cli("join a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --size 12 a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --copy --recompress a.avi").ExitCode, 2);
  // Encoder settings are NAME=VALUE and need an encoder to go to.
  EXPECT_EQ(Cli("join -o out.avi --vcodec mpeg4 --vopt g a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --vcodec mpeg4 --vopt =5 a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --vopt g=5 a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --vcodec mpeg4 --aopt b=64k a.avi").ExitCode, 2);
}

TEST(Cli, RefusesAnExistingOutputWithoutOverwriteAndLeavesItAlone)
{
  TTempDir dir;
  const std::string out = dir.File("out.avi");
  WriteWholeFile(out, {1, 2, 3});
  const auto result = Cli("join -o " + ShellQuote(out) + " in.avi");
  EXPECT_EQ(result.ExitCode, 1);
  EXPECT_EQ(result.Errors, "The \"" + out + "\" file already exists\n");
  EXPECT_EQ(ReadWholeFile(out), (std::vector<uint8_t>{1, 2, 3}));
}

TEST(Cli, LeavesStandardErrorToItsOwnMessages)
{
  for (const char* command : {"encoders", "encoders --audio"}) {
    const auto result = Cli(command);
    EXPECT_EQ(result.ExitCode, 0) << command;
    EXPECT_EQ(result.Errors, "") << command;
  }

  // Damaged pictures, on which FFmpeg's decoder complains; SVT-AV1 greets with a banner.
  TTempDir dir;
  const std::string damaged = dir.File("damaged.avi");
  std::vector<uint8_t> bytes = ReadWholeFile(MediaSmallAvi());
  for (size_t i = bytes.size() / 3; i < bytes.size() / 2; i += 7)
    bytes[i] ^= 0x5A;
  WriteWholeFile(damaged, bytes);
  ASSERT_FALSE(DecodesCleanly(damaged));
  const auto probe = Cli("probe " + ShellQuote(damaged));
  EXPECT_EQ(probe.ExitCode, 0);
  EXPECT_EQ(probe.Errors, "");
  const auto join =
      Cli("join --recompress --vcodec libsvtav1 -o " + ShellQuote(dir.File("out.avi")) + " " + ShellQuote(damaged));
  EXPECT_EQ(join.ExitCode, 0) << join.Errors;
  std::istringstream lines(join.Errors);
  // Progress, the report and the seam notes that tell how the damaged sound was mended.
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line.find('%') != std::string::npos || line.starts_with("damaged.avi: the sound") ||
                line.starts_with("Joined 1 file into out.avi (") || line == "Folder: " + dir.Path())
        << "neither progress, the report nor a seam note: " << line;
}

TEST(TestMedia, MakesStockFilesThatFfprobeCounts)
{
  EXPECT_EQ(CountFrames(MediaAviMpeg4Mp3(), "v"), 75);
  EXPECT_TRUE(DecodesCleanly(MediaMpeg1System()));
}
