#include "support/TestSupport.h"

#include <gtest/gtest.h>

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
}

TEST(Cli, RefusesMalformedCommandLinesWithUsageStatus)
{
  EXPECT_EQ(Cli("").ExitCode, 2);
  EXPECT_EQ(Cli("frobnicate").ExitCode, 2);
  EXPECT_EQ(Cli("join a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --size 12 a.avi").ExitCode, 2);
  EXPECT_EQ(Cli("join -o out.avi --copy --recompress a.avi").ExitCode, 2);
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

TEST(TestMedia, MakesStockFilesThatFfprobeCounts)
{
  EXPECT_EQ(CountFrames(MediaAviMpeg4Mp3(), "v"), 75);
  EXPECT_TRUE(DecodesCleanly(MediaMpeg1System()));
}
