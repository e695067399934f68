#include "avi/FileBufs.h"
#include "platform/FileIO.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

// A file whose byte at position p is p mod 251, so any read can be checked by its position.
std::string MakePatternFile(const TTempDir& dir, size_t size)
{
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = uint8_t(i % 251);
  const std::string name = dir.File("pattern.bin");
  WriteWholeFile(name, bytes);
  return name;
}

bool HoldsPattern(const uint8_t* data, int32_t count, int64_t position)
{
  for (int32_t i = 0; i < count; ++i)
    if (data[i] != uint8_t((position + i) % 251))
      return false;
  return true;
}

// Counts the window loads by watching the handle's position: only Fill and bypassed reads move it.
struct TWatchedBuffer {
  explicit TWatchedBuffer(const std::string& name)
      : File(TFile::OpenRead(name, TShareMode::DenyNone)), Buffer(File, 8192)
  {
  }
  int64_t Position() { return File.Seek(0, TSeekOrigin::Current); }
  TFile File;
  TFileReadBuffer Buffer;
};

} // namespace

// Reads in turn through one buffer: the bytes each gives, and where the handle stands after it,
// rewound before each so that 0 means the window served it.
TEST(FileReadBuffer, LoadsAlignedWindowsServesNeighboursAndBypassesLargeReads)
{
  struct TRead {
    int32_t Count;
    int64_t Position;
    int32_t Got;
    int64_t HandleAt; // -1: not looked at
  };
  const struct {
    const char* Name;
    size_t FileSize;
    std::vector<TRead> Reads;
  } cases[] = {
      {"at and across the end", 20000, {{8, 20000, 0, -1}, {8, 30000, 0, -1}, {8, 20000 - 3, 3, -1}}},
      // one load at 4096; a neighbour from the window; 8 bytes before its end, reloaded at the
      // multiple of 4096 below the request
      {"aligned windows", 40000, {{16, 4100, 16, 4096 + 8192}, {16, 4116, 16, 0}, {16, 12288 - 8, 16, 8192 + 8192}}},
      // a window loaded at 0, then a read past half the window's size directly
      {"above half the window", 40000, {{4096, 100, 4096, 8192}, {4097, 100, 4097, 100 + 4097}, {4097, 39000, 1000, -1}}},
      {"short last window", 5000, {{16, 4990, 10, 5000}}}, // 904 bytes read at 4096
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    TWatchedBuffer w(MakePatternFile(dir, c.FileSize));
    for (const TRead& read : c.Reads) {
      SCOPED_TRACE(read.Position);
      std::vector<uint8_t> data(size_t(read.Count));
      w.File.Seek(0, TSeekOrigin::Begin);
      ASSERT_EQ(w.Buffer.Read(data.data(), uint32_t(read.Count), read.Position), read.Got);
      EXPECT_TRUE(HoldsPattern(data.data(), read.Got, read.Position));
      if (read.HandleAt >= 0) {
        EXPECT_EQ(w.Position(), read.HandleAt);
      }
    }
  }
}

TEST(FileReadBuffer, RaisesWhenTheFileShrinksUnderIt)
{
  TTempDir dir;
  const std::string name = MakePatternFile(dir, 20000);
  TWatchedBuffer w(name);
  ::truncate(name.c_str(), 100);
  uint8_t data[16];
  EXPECT_EQ(ErrorOf([&] { w.Buffer.Read(data, 16, 10000); }), "Unable to read file");
}

TEST(FileReadBuffer, TakesTooSmallOrUnalignedWindowsUpToOneThatHoldsEveryRequest)
{
  TTempDir dir;
  const std::string name = MakePatternFile(dir, 40000);
  for (uint32_t window : {0u, 100u, 5000u, 8192u, 12000u}) {
    SCOPED_TRACE(window);
    TFile file = TFile::OpenRead(name, TShareMode::DenyNone);
    TFileReadBuffer buffer(file, window);
    // Requests at the far end of an aligned window, as long as a window's half may be.
    for (int64_t position : {int64_t(4095), int64_t(8191), int64_t(20000)}) {
      std::vector<uint8_t> data(4096);
      ASSERT_EQ(buffer.Read(data.data(), 4096, position), 4096);
      EXPECT_TRUE(HoldsPattern(data.data(), 4096, position));
    }
  }
}
