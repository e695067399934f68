#include "avi/FileBufs.h"
#include "platform/Exceptions.h"
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

TEST(FileReadBuffer, ReadsAtAndAcrossTheEnd)
{
  TTempDir dir;
  TWatchedBuffer w(MakePatternFile(dir, 20000));
  uint8_t data[16];
  EXPECT_EQ(w.Buffer.Read(data, 8, 20000), 0);
  EXPECT_EQ(w.Buffer.Read(data, 8, 30000), 0);
  EXPECT_EQ(w.Buffer.Read(data, 8, 20000 - 3), 3);
  EXPECT_TRUE(HoldsPattern(data, 3, 20000 - 3));
}

TEST(FileReadBuffer, AlignsTheWindowAndServesNeighboursFromIt)
{
  TTempDir dir;
  TWatchedBuffer w(MakePatternFile(dir, 40000));
  uint8_t data[16];
  ASSERT_EQ(w.Buffer.Read(data, 16, 4100), 16);
  EXPECT_TRUE(HoldsPattern(data, 16, 4100));
  EXPECT_EQ(w.Position(), 4096 + 8192); // one load at 4096
  w.File.Seek(0, TSeekOrigin::Begin);
  ASSERT_EQ(w.Buffer.Read(data, 16, 4116), 16);
  EXPECT_TRUE(HoldsPattern(data, 16, 4116));
  EXPECT_EQ(w.Position(), 0); // served from the window

  // 8 bytes before the window's end: reloaded at the multiple of 4096 below the request.
  ASSERT_EQ(w.Buffer.Read(data, 16, 12288 - 8), 16);
  EXPECT_TRUE(HoldsPattern(data, 16, 12288 - 8));
  EXPECT_EQ(w.Position(), 8192 + 8192);
}

TEST(FileReadBuffer, BypassesTheWindowAboveHalfItsSize)
{
  TTempDir dir;
  TWatchedBuffer w(MakePatternFile(dir, 40000));
  std::vector<uint8_t> data(4097);
  ASSERT_EQ(w.Buffer.Read(data.data(), 4096, 100), 4096);
  EXPECT_TRUE(HoldsPattern(data.data(), 4096, 100));
  EXPECT_EQ(w.Position(), 8192); // loaded a window at 0
  ASSERT_EQ(w.Buffer.Read(data.data(), 4097, 100), 4097);
  EXPECT_TRUE(HoldsPattern(data.data(), 4097, 100));
  EXPECT_EQ(w.Position(), 100 + 4097); // read directly
  EXPECT_EQ(w.Buffer.Read(data.data(), 4097, 39000), 1000);
}

TEST(FileReadBuffer, LoadsAShortLastWindow)
{
  TTempDir dir;
  TWatchedBuffer w(MakePatternFile(dir, 5000));
  uint8_t data[16];
  ASSERT_EQ(w.Buffer.Read(data, 16, 4990), 10);
  EXPECT_TRUE(HoldsPattern(data, 10, 4990));
  EXPECT_EQ(w.Position(), 5000); // 904 bytes read at 4096
}

TEST(FileReadBuffer, RaisesWhenTheFileShrinksUnderIt)
{
  TTempDir dir;
  const std::string name = MakePatternFile(dir, 20000);
  TWatchedBuffer w(name);
  ::truncate(name.c_str(), 100);
  uint8_t data[16];
  try {
    w.Buffer.Read(data, 16, 10000);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unable to read file");
  }
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
