#include "core/TempOutput.h"
#include "support/TestSupport.h"

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::vector<uint8_t> Old = {'o', 'l', 'd'};
const std::vector<uint8_t> New = {'n', 'e', 'w'};

} // namespace

// Which ends of a join give the output its new content, and which leave the old one.
TEST(TempOutput, TakesTheOutputsNameOnlyWithSomethingWritten)
{
  const struct {
    bool Completed;
    int64_t Frames;
    std::vector<uint8_t> Written;
    bool Replaced;
  } cases[] = {
      {true, 10, New, true},   {true, 0, New, true},  {true, 0, {}, true}, // a join of nothing is still done
      {false, 10, New, true},  {false, 0, New, false}, {false, 10, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Completed) + " " + std::to_string(c.Frames) + " " + std::to_string(c.Written.size()));
    TTempDir dir;
    const std::string name = dir.File("out.mp4");
    WriteWholeFile(name, Old);
    {
      TTempOutput output(name);
      EXPECT_EQ(std::filesystem::path(output.TempName()).parent_path(), dir.Path());
      EXPECT_EQ(std::filesystem::path(output.TempName()).extension(), ".mp4"); // the container follows it
      WriteWholeFile(output.TempName(), c.Written);
      EXPECT_EQ(output.Finish(c.Completed, c.Frames), c.Replaced);
      EXPECT_EQ(output.Retell("Cannot write " + output.TempName()), "Cannot write " + name);
    }
    EXPECT_EQ(ReadWholeFile(name), c.Replaced ? c.Written : Old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  }
}

TEST(TempOutput, ReplacesTheFileASymlinkPointsTo)
{
  TTempDir dir;
  WriteWholeFile(dir.File("real.avi"), Old);
  ASSERT_EQ(::symlink("real.avi", dir.File("link.avi").c_str()), 0);
  TTempOutput output(dir.File("link.avi"));
  WriteWholeFile(output.TempName(), New);
  output.Finish(true, 1);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.avi")));
  EXPECT_EQ(ReadWholeFile(dir.File("real.avi")), New);
}

TEST(TempOutput, AFailedJoinKeepsWhatItWroteBesideTheOutputUnderAFreeName)
{
  TTempDir dir;
  const std::string name = dir.File("holiday.mp4");
  WriteWholeFile(name, Old);
  const struct {
    int64_t Frames;
    std::vector<uint8_t> Written;
    std::string Kept;
  } cases[] = {
      {10, New, "holiday (incomplete).mp4"}, {10, New, "holiday (incomplete 2).mp4"}, {0, New, ""}, {10, {}, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Kept);
    {
      TTempOutput output(name);
      WriteWholeFile(output.TempName(), c.Written);
      EXPECT_EQ(output.KeepPart(c.Frames), c.Kept.empty() ? "" : dir.File(c.Kept));
    }
    EXPECT_EQ(ReadWholeFile(name), Old);
    if (!c.Kept.empty()) {
      EXPECT_EQ(ReadWholeFile(dir.File(c.Kept)), New);
    }
  }
  EXPECT_EQ(ReadWholeFile(dir.File("holiday (incomplete).mp4")), New); // never replaced by the next part
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 3);
}

TEST(TempOutput, ClearsTheTemporaryFilesOfKilledJoinsAndRefusesALinkToAMissingFile)
{
  TTempDir dir;
  const auto aged = [&](const std::string& file) {
    WriteWholeFile(dir.File(file), Old);
    std::filesystem::last_write_time(dir.File(file),
                                     std::filesystem::file_time_type::clock::now() - std::chrono::minutes(5));
  };
  aged(".out.reelweld-0123abcd.avi"); // a killed join's
  aged(".b.reelweld-89abcdef");
  aged(".notes.reelweld-mine.txt"); // not ours
  aged("out.reelweld-0123abcd.avi");
  WriteWholeFile(dir.File(".new.reelweld-00000000.mkv"), Old); // a join that has just begun
  const TTempOutput running(dir.File("running.avi"));
  aged(std::filesystem::path(running.TempName()).filename().string());

  TTempOutput output(dir.File("out.avi"));
  for (const char* gone : {".out.reelweld-0123abcd.avi", ".b.reelweld-89abcdef"})
    EXPECT_FALSE(std::filesystem::exists(dir.File(gone))) << gone;
  for (const std::string& kept : {std::string(".notes.reelweld-mine.txt"), std::string("out.reelweld-0123abcd.avi"),
                                  std::string(".new.reelweld-00000000.mkv"), running.TempName()})
    EXPECT_TRUE(std::filesystem::exists(dir.File(std::filesystem::path(kept).filename().string()))) << kept;

  ASSERT_EQ(::symlink("missing.avi", dir.File("dangling.avi").c_str()), 0);
  EXPECT_EQ(ErrorOf([&] { TTempOutput refused(dir.File("dangling.avi")); }),
            "Cannot create file " + dir.File("dangling.avi") + ": it is a link to a missing file");
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("dangling.avi")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("missing.avi")));
}
