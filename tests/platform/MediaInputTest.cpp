#include "platform/MediaInput.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

namespace {

// Runs the rest of the scope in another working folder, so that a relative name can look like a
// protocol of FFmpeg's.
struct TWorkingFolder {
  explicit TWorkingFolder(const std::string& Path) : Old(std::filesystem::current_path())
  {
    std::filesystem::current_path(Path);
  }
  ~TWorkingFolder() { std::filesystem::current_path(Old); }
  std::filesystem::path Old;
};

} // namespace

TEST(MediaInput, ReadsEveryNameAsTheLocalFileOfThatName)
{
  TTempDir dir;
  const std::vector<uint8_t> clip = ReadWholeFile(MediaSmallAvi());
  // Read by FFmpeg's protocols, these would be standard input, a joined pair or the network.
  for (const std::string name : {"pipe:0", "concat:a.avi|b.avi", "http:clip.avi", "subfile:clip.avi"}) {
    SCOPED_TRACE(name);
    WriteWholeFile(dir.File(name), clip);
    TWorkingFolder folder(dir.Path());
    TMediaInput input;
    ASSERT_EQ(input.Open(name), 0);
    EXPECT_EQ(input.Context()->nb_streams, 2u);
    EXPECT_STREQ(input.Context()->iformat->name, "avi");
  }
  TMediaInput input;
  EXPECT_LT(input.Open(dir.File("missing.avi")), 0);
  EXPECT_EQ(input.Context(), nullptr);
}

TEST(MediaInput, RefusesAFifoAtOnceInsteadOfWaitingForAWriter)
{
  TTempDir dir;
  const std::string fifo = dir.File("fifo.avi");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  TMediaInput input;
  EXPECT_EQ(ErrorOf([&] { input.Open(fifo); }), fifo + " is not a regular file");
}

TEST(MediaInput, GivesUpWhenStoppedOrOutOfTime)
{
  // Bigger than FFmpeg's read buffer, so that reading goes back to the file.
  const std::string clip = MediaAviMpeg4Mp3();
  struct TCase {
    const char* What;
    bool StopBeforeOpen;
    bool StopAfterOpen;
    std::chrono::milliseconds TimeOut;
    bool Stopped;
  };
  const TCase cases[] = {
      {"stopped before opening", true, false, std::chrono::seconds(10), true},
      {"no time at all", false, false, std::chrono::milliseconds(-1), false},
      {"stopped while reading", false, true, std::chrono::seconds(10), true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    std::atomic<bool> stop = c.StopBeforeOpen;
    TMediaInput input(&stop, c.TimeOut);
    int result = input.Open(clip);
    if (c.StopAfterOpen) {
      ASSERT_EQ(result, 0);
      stop = true;
      TPacketPtr packet = NewPacket();
      while ((result = input.ReadFrame(packet.get())) >= 0)
        av_packet_unref(packet.get());
    }
    EXPECT_EQ(result, AVERROR_EXIT);
    EXPECT_EQ(input.Stopped(), c.Stopped);
  }
}
