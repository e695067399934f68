#include "avi/FileWriteBuf.h"
#include "platform/Exceptions.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

// Copied ranges land where they were appended, in any source order, between written bytes;
// a range the source cannot fill becomes zeros and is reported.
TEST(FileWriteBuffer, PlacesCopiedRangesAndReportsAShortSource)
{
  TTempDir dir;
  std::vector<uint8_t> source(5000);
  for (size_t i = 0; i < source.size(); ++i)
    source[i] = uint8_t(i % 251);
  WriteWholeFile(dir.File("source"), source);
  const TFile input = TFile::OpenRead(dir.File("source"), TShareMode::DenyNone);

  TFileWriteBuffer output(64);
  output.Create(dir.File("out"));
  output.Write("H", 1);
  output.AppendFrom(input, 40, 10);
  output.Write("h", 1);
  output.AppendFrom(input, 10, 20); // earlier in the source, 10 bytes apart from the next
  output.AppendFrom(input, 0, 3);
  output.AppendFrom(input, 1000, 100); // larger than the buffer
  output.WriteAt(0, "X", 1);
  EXPECT_EQ(output.MissingAt(), -1);
  output.AppendFrom(input, 4990, 20); // 10 bytes past the end of the source
  output.Close();
  EXPECT_EQ(output.MissingAt(), 1 + 10 + 1 + 20 + 3 + 100); // where that range went

  std::vector<uint8_t> expected = {'X'};
  expected.insert(expected.end(), source.begin() + 40, source.begin() + 50);
  expected.push_back('h');
  expected.insert(expected.end(), source.begin() + 10, source.begin() + 30);
  expected.insert(expected.end(), source.begin(), source.begin() + 3);
  expected.insert(expected.end(), source.begin() + 1000, source.begin() + 1100);
  expected.insert(expected.end(), source.begin() + 4990, source.end());
  expected.resize(expected.size() + 10, 0);
  EXPECT_EQ(ReadWholeFile(dir.File("out")), expected);
}

} // namespace
