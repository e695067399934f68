#include "platform/Exceptions.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <gtest/gtest.h>

TEST(FileIO, WritesSeeksAndReadsBackBeyondFourGibibytes)
{
  TTempDir dir;
  const std::string name = dir.File("sparse.bin");
  {
    TFile file = TFile::Create(name);
    ASSERT_EQ(file.Seek(int64_t(5) << 30, TSeekOrigin::Begin), int64_t(5) << 30);
    ASSERT_EQ(file.Write("abcd", 4), 4);
    EXPECT_EQ(file.Seek(0, TSeekOrigin::Current), (int64_t(5) << 30) + 4);
  }
  TFile file = TFile::OpenRead(name, TShareMode::DenyWrite);
  EXPECT_EQ(file.Size(), (int64_t(5) << 30) + 4);
  EXPECT_EQ(file.Seek(-2, TSeekOrigin::End), (int64_t(5) << 30) + 2);
  char tail[8] = {};
  EXPECT_EQ(file.Read(tail, sizeof tail), 2);
  EXPECT_STREQ(tail, "cd");
}

TEST(FileIO, CreateReplacesAndDeleteRemoves)
{
  TTempDir dir;
  const std::string name = dir.File("f");
  WriteWholeFile(name, {1, 2, 3, 4, 5});
  { TFile file = TFile::Create(name); }
  EXPECT_TRUE(FileExists(name));
  EXPECT_TRUE(ReadWholeFile(name).empty());
  EXPECT_TRUE(DeleteFile(name));
  EXPECT_FALSE(FileExists(name));
  EXPECT_FALSE(DeleteFile(name));
  EXPECT_FALSE(FileExists(dir.Path())); // a folder is not a file
}

TEST(FileIO, FailedOpenRaisesTheSystemErrorTextWithTheName)
{
  try {
    TFile::OpenRead("/nonexistent/file.avi", TShareMode::DenyNone);
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode, ENOENT);
    EXPECT_EQ(std::string(e.what()), "Win32 Error.  Code: 2.\n" + SysErrorMessage(ENOENT) + ": /nonexistent/file.avi");
  }
  try {
    RaiseOSError(0);
  } catch (const EOSError& e) {
    EXPECT_STREQ(e.what(), "A Win32 API function failed");
  }
}

// A FIFO would block open until a writer comes; a device or folder is no file.
TEST(FileIO, RefusesWhatIsNotARegularFileAtOnce)
{
  TTempDir dir;
  const std::string fifo = dir.File("fifo.avi");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string link = dir.File("link.avi");
  WriteWholeFile(dir.File("real.avi"), {1, 2, 3});
  ASSERT_EQ(::symlink("real.avi", link.c_str()), 0);

  const std::pair<std::string, bool> cases[] = {{fifo, false}, {"/dev/zero", false}, {dir.Path(), false}, {link, true}};
  for (const auto& [name, regular] : cases) {
    SCOPED_TRACE(name);
    try {
      TFile file = TFile::OpenRead(name, TShareMode::DenyWrite);
      EXPECT_TRUE(regular);
      char bytes[4] = {};
      EXPECT_EQ(file.Read(bytes, sizeof bytes), 3); // back to blocking reads, which wait for data
    } catch (const Exception& e) {
      EXPECT_FALSE(regular);
      EXPECT_EQ(std::string(e.what()), name + " is not a regular file");
    }
  }
}
