#include "AVITestSupport.h"
#include "avi/AVIRead.h"
#include "avi/AVIWrite.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <random>

namespace {

std::string SmallInput()
{
  return MakeMedia("mutation-small.avi", "-f lavfi -i testsrc=size=160x120:rate=25:duration=1 "
                                         "-f lavfi -i sine=frequency=440:duration=1 "
                                         "-c:v mpeg4 -q:v 10 -c:a libmp3lame -b:a 32k -ar 22050 -ac 1");
}

// The same chunks rewritten with both kinds of index, so that the OpenDML path meets the damage too.
std::string RewriteWithBothIndexes(const std::string& source, const std::string& target)
{
  TAVIFileReader reader;
  reader.Open(source, false);
  TAVIFileWriter writer;
  writer.IndexMode = 3;
  writer.StartFile(target);
  for (int i = 0; i < reader.StreamCount(); ++i)
    writer.AddStream(i, reader.Streams(i).Header, uint32_t(reader.Streams(i).Format.size()),
                     reader.Streams(i).Format.data());
  reader.ResetCursors();
  TBytes data;
  for (;;) {
    int stream;
    uint32_t index = 0;
    reader.NextChunk(stream, index);
    if (stream < 0)
      break;
    TAVIIndexEntry entry;
    reader.Streams(stream).GetEntry(index, entry);
    data.resize(entry.Size);
    EXPECT_TRUE(reader.Streams(stream).ReadChunk(index, data.data()));
    writer.WriteChunk(stream, data.data(), entry.KeyFrame, entry.Size);
  }
  writer.Close();
  return target;
}

// Positions of the structures a corruption should hit most: headers and indexes.
std::vector<size_t> StructuralPositions(const TBytes& bytes)
{
  std::vector<size_t> positions;
  const size_t movi = FindAll(bytes, "movi").front();
  for (size_t p = 0; p < movi + 16; ++p)
    positions.push_back(p);
  for (const char* id : {"idx1", "ix00", "ix01"})
    for (size_t at : FindAll(bytes, id))
      for (size_t p = at; p < std::min(bytes.size(), at + 96); ++p)
        positions.push_back(p);
  return positions;
}

TBytes Mutate(const TBytes& original, const std::vector<size_t>& structural, std::mt19937& random)
{
  TBytes bytes = original;
  const auto pick = [&](size_t n) { return size_t(std::uniform_int_distribution<size_t>(0, n - 1)(random)); };
  switch (pick(4)) {
  case 0:
    bytes.resize(pick(bytes.size()));
    break;
  case 1: // a size, offset, count or type field
  case 2: {
    const size_t at = std::min(structural[pick(structural.size())], bytes.size() - 4);
    const uint32_t old = GetLE32(bytes.data() + at);
    const uint32_t values[] = {0,
                               1,
                               0xFFFFFFFF,
                               0x7FFFFFFF,
                               0x80000000,
                               old + 1,
                               old - 1,
                               old * 2,
                               uint32_t(random()),
                               uint32_t(original.size()),
                               old ^ 0x80000000};
    PutLE32(bytes.data() + at, values[pick(std::size(values))]);
    break;
  }
  default:
    for (int i = 0; i < 4; ++i)
      bytes[pick(bytes.size())] ^= uint8_t(1 << pick(8));
  }
  return bytes;
}

// Damaged files may be refused with the program's own errors, nothing else; whatever the join
// leaves behind is a finished file no larger than its inputs allow.
TEST(AVIMutation, CorruptedInputsFailCleanlyOrJoin)
{
  TTempDir dir;
  const std::string plain = SmallInput();
  const std::vector<TBytes> originals = {ReadWholeFile(plain),
                                         ReadWholeFile(RewriteWithBothIndexes(plain, dir.File("both.avi")))};
  const std::vector<size_t> structural[] = {StructuralPositions(originals[0]), StructuralPositions(originals[1])};
  std::mt19937 random(20261208);
  const std::string variant = dir.File("variant.avi"), output = dir.File("out.avi");
  int refused = 0, joined = 0;
  for (int i = 0; i < 3000; ++i) {
    const TBytes& original = originals[size_t(i) % 2];
    // New files rather than truncated ones: the file system flushes a truncated file on close.
    std::filesystem::remove(variant);
    std::filesystem::remove(output);
    WriteWholeFile(variant, Mutate(original, structural[i % 2], random));
    try {
      StitchboxJoin({variant, plain}, output);
      ++joined;
    } catch (const Exception&) {
      ++refused;
    }
    if (std::filesystem::exists(output)) {
      ASSERT_LE(std::filesystem::file_size(output), 2 * (original.size() + std::filesystem::file_size(plain)))
          << "variant " << i;
      TAVIFileReader reader;
      ASSERT_NO_THROW(reader.Open(output, false)) << "variant " << i;
    }
  }
  EXPECT_GT(refused, 100);
  EXPECT_GT(joined, 100);
}

} // namespace
