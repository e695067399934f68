#include "core/TempOutput.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

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
